// One record as a damaged file may hold it: the first 1241 bytes of the input
// (zero where the input is shorter); the bytes after them are a text and the
// values to store. For every field of the catalogue, reading gives what the
// field's bytes say, and writing changes the field as its kind says and nothing
// outside it.
#include "FuzzCheck.h"
#include "records/ClientFields.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

struct Record {
    ClientRecord record{};

    const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(&record); }
    std::uint8_t byte(std::size_t offset) const { return bytes()[offset]; }
};

// The first byte in which two records differ, for a report; empty when they are equal.
std::string difference(const Record& got, const Record& expected) {
    if (std::memcmp(got.bytes(), expected.bytes(), clientRecordSize) == 0) return "";
    std::size_t i = 0;
    while (got.byte(i) == expected.byte(i))
        ++i;
    char text[64];
    std::snprintf(text, sizeof text, "byte %zu is 0x%02X, expected 0x%02X", i, got.byte(i),
                  expected.byte(i));
    return text;
}

void expectRecord(const Record& got, const Record& expected, const char* what,
                  const FieldInfo& field) {
    const std::string found = difference(got, expected);
    FUZZ_EXPECT(found.empty(), "%s of %s: %s", what, field.name, found.c_str());
}

// The record with the bytes of `field` replaced by `value` (little-endian).
Record withValue(const Record& r, FieldSpan field, std::uint32_t value) {
    Record expected = r;
    auto* bytes = reinterpret_cast<std::uint8_t*>(&expected.record);
    for (std::size_t i = 0; i < field.size; ++i)
        bytes[field.offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return expected;
}

void checkText(const Record& r, const FieldInfo& field, std::string_view text) {
    const FieldSpan span = field.span;
    const char* begin = reinterpret_cast<const char*>(r.bytes()) + span.offset;
    const std::string_view stored(
        begin, static_cast<std::size_t>(std::find(begin, begin + span.size, '\0') - begin));
    const std::string value = readText(r.record, span);
    FUZZ_EXPECT(value == stored, "%s reads %s, its bytes hold %s", field.name, shown(value).c_str(),
                shown(stored).c_str());

    // Writing keeps the text up to its first NUL and at most size - 1 bytes, then one
    // NUL, and leaves every byte after that NUL as it was.
    const std::string_view kept =
        text.substr(0, std::min({text.find('\0'), text.size(), std::size_t{span.size} - 1u}));
    Record written = r;
    writeText(written.record, span, text);
    const std::string back = readText(written.record, span);
    FUZZ_EXPECT(back == kept, "%s of %s reads back as %s, expected %s", field.name,
                shown(text).c_str(), shown(back).c_str(), shown(kept).c_str());
    Record expected = r;
    auto* target = reinterpret_cast<char*>(&expected.record) + span.offset;
    std::copy(kept.begin(), kept.end(), target);
    target[kept.size()] = '\0';
    expectRecord(written, expected, "text write", field);
}

void checkInteger(const Record& r, const FieldInfo& field, std::uint32_t value) {
    const FieldSpan span = field.span;
    // Up to four bytes, little-endian, as the integer they encode.
    const std::uint32_t stored = littleEndianWord(bytesOf(r.bytes() + span.offset, span.size));
    Record written = r;
    switch (field.kind) {
    case FieldKind::i16:
        FUZZ_EXPECT(readI16(r.record, span) == static_cast<std::int16_t>(stored),
                    "%s reads %d, holds 0x%04X", field.name, readI16(r.record, span), stored);
        writeI16(written.record, span, static_cast<std::int16_t>(value));
        break;
    case FieldKind::date:
        FUZZ_EXPECT(readDate(r.record, span) == static_cast<std::int32_t>(stored),
                    "%s reads %d, holds 0x%08X", field.name, readDate(r.record, span), stored);
        writeDate(written.record, span, static_cast<std::int32_t>(value));
        break;
    default: // the one-byte kinds: counts, flags and choices
        FUZZ_EXPECT(readU8(r.record, span) == stored, "%s reads %d, holds %u", field.name,
                    readU8(r.record, span), stored);
        writeU8(written.record, span, static_cast<std::uint8_t>(value));
    }
    expectRecord(written, withValue(r, span, value), "integer write", field);
}

// Every item of the field's bytes (the list's items and the spare bits after
// them) reads its bit and writes only that bit; items outside the field read as
// clear and write nothing.
void checkItems(const Record& r, const FieldInfo& field, int outside) {
    const FieldSpan span = field.span;
    const int bits = 8 * span.size;
    for (int item = 0; item < bits; ++item) {
        const auto offset = static_cast<std::size_t>(span.offset + item / 8);
        const auto mask = static_cast<std::uint8_t>(1u << (item % 8));
        const bool ticked = (r.byte(offset) & mask) != 0;
        FUZZ_EXPECT(readItem(r.record, span, item) == ticked, "%s item %d reads %d", field.name,
                    item, !ticked);
        Record flipped = r;
        writeItem(flipped.record, span, item, !ticked);
        Record expected = r;
        reinterpret_cast<std::uint8_t*>(&expected.record)[offset] ^= mask;
        expectRecord(flipped, expected, "item write", field);
        writeItem(flipped.record, span, item, ticked);
        expectRecord(flipped, r, "item write back", field);
    }
    for (const int item : {-1, INT_MIN, bits, INT_MAX, outside}) {
        if (item >= 0 && item < bits) continue;
        FUZZ_EXPECT(!readItem(r.record, span, item), "%s item %d outside reads ticked", field.name,
                    item);
        Record written = r;
        writeItem(written.record, span, item, true);
        writeItem(written.record, span, item, false);
        expectRecord(written, r, "write of an item outside", field);
    }
}

std::uint32_t takeWord(std::string_view& rest) {
    const std::uint32_t value = littleEndianWord(rest);
    rest.remove_prefix(std::min<std::size_t>(4, rest.size()));
    return value;
}

// The bytes of the integer kinds; 0 for texts and bit sets, whose size varies.
std::size_t integerSize(FieldKind kind) {
    switch (kind) {
    case FieldKind::text:
    case FieldKind::otherText:
    case FieldKind::bitSet:
        return 0;
    case FieldKind::date:
        return 4;
    case FieldKind::i16:
        return 2;
    default:
        return 1;
    }
}

// The integer kinds have the sizes that the checks above read them with.
void checkCatalogue() {
    for (const FieldInfo* field : clientFields) {
        const std::size_t size = integerSize(field->kind);
        FUZZ_EXPECT(size == 0 || field->span.size == size, "%s has %u bytes, expected %zu",
                    field->name, field->span.size, size);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    checkCatalogue();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Record r;
    std::memcpy(&r.record, data, std::min(size, clientRecordSize));
    std::string_view rest = bytesOf(data, size).substr(std::min(size, clientRecordSize));
    const std::string_view text = rest;
    const std::uint32_t value = takeWord(rest);
    const auto outside = static_cast<int>(takeWord(rest));

    Record copy = r;
    FUZZ_EXPECT(recordEqual(copy.record, r.record), "a copy differs from its record");
    FUZZ_EXPECT(recordName(r.record) == readText(r.record, fields::name.span),
                "name %s, the field reads %s", shown(recordName(r.record)).c_str(),
                shown(readText(r.record, fields::name.span)).c_str());

    for (const FieldInfo* field : clientFields) {
        switch (field->kind) {
        case FieldKind::text:
        case FieldKind::otherText:
            checkText(r, *field, text);
            break;
        case FieldKind::bitSet:
            checkItems(r, *field, outside);
            break;
        default:
            checkInteger(r, *field, value);
        }
    }

    // Equality sees every byte, the bytes after a text's terminator too.
    const std::size_t changed = value % clientRecordSize;
    reinterpret_cast<std::uint8_t*>(&copy.record)[changed] ^= 0x80;
    FUZZ_EXPECT(!recordEqual(copy.record, r.record), "a change of byte %zu goes unseen", changed);
    recordReset(copy.record);
    FUZZ_EXPECT(difference(copy, Record{}).empty(), "reset leaves %s",
                difference(copy, Record{}).c_str());
    return 0;
}
