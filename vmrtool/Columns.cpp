#include "vmrtool/VmrTool.h"

namespace {

// The cell of a one-byte field's value: a count, or an option's text or, for a
// value that names no option, its number; empty when not answered.
std::string byteCell(const FieldInfo& field, std::uint8_t value) {
    const auto option = [&field](int index) { return std::string(field.items.texts[index]); };
    switch (field.kind) {
    case FieldKind::u8:
        return value == 0 ? "" : std::to_string(value);
    case FieldKind::yesNo:
        // The options run "Yes", "No" (or "Male", "Female"): 1 is the first, 0 the second.
        return value > 1 ? std::to_string(value) : option(1 - value);
    case FieldKind::yesNoNever:
        return option(value == 1 ? 0 : value == 0 ? 1 : 2);
    case FieldKind::choice:
        if (value == 0) return "";
        return value > field.items.count ? std::to_string(value) : option(value - 1);
    default:
        return "";
    }
}

bool isByteField(FieldKind kind) {
    return kind == FieldKind::u8 || kind == FieldKind::yesNo || kind == FieldKind::yesNoNever ||
           kind == FieldKind::choice;
}

} // namespace

const std::vector<Column>& exportColumns() {
    static const std::vector<Column> columns = [] {
        std::vector<Column> table;
        for (const FieldInfo* field : clientFields) {
            Column column{field, field->name, {}, {}, {}};
            for (int value = 0; value < 0x100 && isByteField(field->kind); ++value) {
                const std::string cell = byteCell(*field, static_cast<std::uint8_t>(value));
                column.byteCells.push_back(cell);
                column.jsonCells.push_back(cell.empty()                       ? "null"
                                           : cell[0] >= '0' && cell[0] <= '9' ? cell
                                                                              : '"' + cell + '"');
            }
            if (field->kind == FieldKind::bitSet)
                column.items.assign(field->items.texts, field->items.texts + field->items.count);
            table.push_back(std::move(column));
        }
        return table;
    }();
    return columns;
}
