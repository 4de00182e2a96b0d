#include "records/ClientFields.h"

namespace {

// The catalogue names every byte of the record exactly once, in record order,
// and no ticked list has more items than its bits.
constexpr bool catalogueTilesRecord() {
    std::size_t end = 0;
    for (const FieldInfo* field : clientFields) {
        if (field->span.offset != end) return false;
        if (field->kind == FieldKind::bitSet && field->items.count > field->span.size * 8)
            return false;
        end += field->span.size;
    }
    return end == clientRecordSize;
}
static_assert(catalogueTilesRecord());

} // namespace

const FieldInfo* findField(std::string_view name) {
    for (const FieldInfo* field : clientFields)
        if (name == field->name) return field;
    return nullptr;
}
