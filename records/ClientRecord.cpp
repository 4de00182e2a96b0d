#include "records/ClientRecord.h"

#include "records/LittleEndian.h"

#include <algorithm>
#include <cstring>

// The members are packed without gaps into exactly the client file's record.
static_assert(sizeof(ClientRecord) == clientRecordSize);

namespace {

const std::uint8_t* bytesOf(const ClientRecord& record, FieldSpan field) {
    return reinterpret_cast<const std::uint8_t*>(&record) + field.offset;
}

std::uint8_t* bytesOf(ClientRecord& record, FieldSpan field) {
    return reinterpret_cast<std::uint8_t*>(&record) + field.offset;
}

bool itemInField(FieldSpan field, int item) { return item >= 0 && item < field.size * 8; }

std::uint8_t itemMask(int item) { return static_cast<std::uint8_t>(1u << (item % 8)); }

} // namespace

void recordReset(ClientRecord& record) { record = ClientRecord{}; }

bool recordEqual(const ClientRecord& a, const ClientRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string readText(const ClientRecord& record, FieldSpan field) {
    const char* text = reinterpret_cast<const char*>(bytesOf(record, field));
    const void* end = std::memchr(text, 0, field.size);
    return std::string(text, end ? static_cast<const char*>(end) : text + field.size);
}

void writeText(ClientRecord& record, FieldSpan field, std::string_view text) {
    if (field.size == 0) return;
    text = text.substr(0, std::min<std::size_t>(text.find('\0'), field.size - 1u));
    std::uint8_t* bytes = bytesOf(record, field);
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = 0;
}

void writeU8(ClientRecord& record, FieldSpan field, std::uint8_t value) {
    *bytesOf(record, field) = value;
}

void writeI16(ClientRecord& record, FieldSpan field, std::int16_t value) {
    writeLittleEndian(bytesOf(record, field), 2, static_cast<std::uint16_t>(value));
}

void writeDate(ClientRecord& record, FieldSpan field, std::int32_t value) {
    writeLittleEndian(bytesOf(record, field), 4, static_cast<std::uint32_t>(value));
}

bool readItem(const ClientRecord& record, FieldSpan field, int item) {
    return itemInField(field, item) && (bytesOf(record, field)[item / 8] & itemMask(item)) != 0;
}

void writeItem(ClientRecord& record, FieldSpan field, int item, bool ticked) {
    if (!itemInField(field, item)) return;
    std::uint8_t& byte = bytesOf(record, field)[item / 8];
    byte = static_cast<std::uint8_t>(ticked ? byte | itemMask(item) : byte & ~itemMask(item));
}

std::string recordName(const ClientRecord& record) { return readText(record, CLIENT_FIELD(name)); }
