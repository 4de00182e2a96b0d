// One field stored from a text box, as the form's collect does it. The first
// input byte picks one of the fields the form fills from a text box (texts,
// dates, counts and the weight, in record order); the rest is the box's text.
// The storing rule of the field's kind never writes outside the field, and
// showing the stored value and storing it again gives the same record (for
// dates: whenever the value is 0 or has eight digits).
#include "FuzzCheck.h"
#include "records/ClientFields.h"
#include "toolkit/text/Text.h"

#include <cstring>
#include <vector>

namespace {

std::vector<const FieldInfo*> textBoxFields;

bool hasTextBox(FieldKind kind) {
    return kind == FieldKind::text || kind == FieldKind::otherText || kind == FieldKind::date ||
           kind == FieldKind::u8 || kind == FieldKind::i16;
}

// A record without a zero byte, so that a terminator written anywhere shows.
ClientRecord patterned() {
    ClientRecord record;
    auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (std::size_t i = 0; i < clientRecordSize; ++i)
        bytes[i] = static_cast<std::uint8_t>('A' + i % 26);
    return record;
}

// The collect rule of the field's kind.
void store(ClientRecord& record, const FieldInfo& field, std::string_view text) {
    switch (field.kind) {
    case FieldKind::date:
        writeDate(record, field.span, dateFromText(text));
        break;
    case FieldKind::u8:
        writeU8(record, field.span, storeU8(textToNumber(text)));
        break;
    case FieldKind::i16:
        writeI16(record, field.span, storeI16(textToNumber(text)));
        break;
    default:
        writeText(record, field.span, text);
    }
}

// The fill rule: the text the field's box shows. A count of 0 shows an empty box.
std::string shownText(const ClientRecord& record, const FieldInfo& field) {
    switch (field.kind) {
    case FieldKind::date:
        return dateToText(readDate(record, field.span));
    case FieldKind::u8: {
        const std::uint8_t value = readU8(record, field.span);
        return value == 0 ? "" : numberToText(value);
    }
    case FieldKind::i16: {
        const std::int16_t value = readI16(record, field.span);
        return value == 0 ? "" : numberToText(value);
    }
    default:
        return readText(record, field.span);
    }
}

// The date values whose text form reads back: no date, and eight digits.
bool showsFaithfully(std::int32_t value) {
    return value == 0 || (value >= 10000000 && value <= 99999999);
}

void expectOnlyFieldChanged(const ClientRecord& before, const ClientRecord& after,
                            const FieldInfo& field) {
    const auto* a = reinterpret_cast<const std::uint8_t*>(&before);
    const auto* b = reinterpret_cast<const std::uint8_t*>(&after);
    const std::size_t end = field.span.offset + field.span.size;
    for (std::size_t i = 0; i < clientRecordSize; ++i)
        FUZZ_EXPECT(a[i] == b[i] || (i >= field.span.offset && i < end),
                    "storing %s changed byte %zu (0x%02X to 0x%02X), outside %u to %zu", field.name,
                    i, a[i], b[i], field.span.offset, end);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const FieldInfo* field : clientFields)
        if (hasTextBox(field->kind)) textBoxFields.push_back(field);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return -1;
    const FieldInfo& field = *textBoxFields[data[0] % textBoxFields.size()];
    const std::string_view text = bytesOf(data + 1, size - 1);

    const ClientRecord original = patterned();
    ClientRecord record = original;
    store(record, field, text);
    expectOnlyFieldChanged(original, record, field);

    const std::string boxText = shownText(record, field);
    ClientRecord again = record;
    store(again, field, boxText);
    const bool stable =
        field.kind != FieldKind::date || showsFaithfully(readDate(record, field.span));
    FUZZ_EXPECT(!stable || recordEqual(again, record),
                "%s stored from %s shows %s, which stores differently", field.name,
                shown(text).c_str(), shown(boxText).c_str());

    if (field.kind == FieldKind::date) {
        const std::int32_t value = readDate(record, field.span);
        FUZZ_EXPECT(value == dateFromText(text), "%s holds %d, the text reads %d", field.name,
                    value, dateFromText(text));
        FUZZ_EXPECT(boxText.size() <= 10, "%d shows as %s", value, shown(boxText).c_str());
    }
    return 0;
}
