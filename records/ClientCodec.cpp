#include "records/ClientCodec.h"

#include "records/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t tagSize = sizeof versionText - 1;
static_assert(tagSize + 4 == fileHeaderSize);

} // namespace

bool countIsSound(std::int32_t count) { return count >= 0 && count <= maxClientCount; }

std::int32_t statedCount(const std::uint8_t* data, std::size_t size) {
    std::uint8_t count[4] = {};
    if (size > tagSize) std::memcpy(count, data + tagSize, std::min(size - tagSize, sizeof count));
    return signed32(readLittleEndian(count, sizeof count));
}

std::size_t usedFileSize(std::int32_t count) {
    return fileHeaderSize +
           (countIsSound(count) ? static_cast<std::size_t>(count) * clientRecordSize : 0);
}

DecodedClients decodeClients(const std::uint8_t* data, std::size_t size) {
    DecodedClients result;
    result.count = statedCount(data, size);
    if (!countIsSound(result.count)) {
        result.ok = false;
        result.problem = "The client file is damaged: it gives " + std::to_string(result.count) +
                         " as its number of clients.";
        return result;
    }
    const auto count = static_cast<std::size_t>(result.count);
    // Room for the clients a session adds, so that the first addition does not
    // copy them all while both copies are held. Only an aid: refused, the
    // records get exactly their own room.
    try {
        result.records.reserve(count + count / 16);
    } catch (const std::bad_alloc&) {
    }
    try {
        result.records.resize(count);
    } catch (const std::bad_alloc&) {
        result.ok = false;
        result.problem = "There is not enough memory to load the " + std::to_string(result.count) +
                         " clients of the client file.";
        return result;
    }
    // The records lie back to back, as in the vector, so the bytes present go
    // over in one copy; the rest stays zero.
    const std::size_t body = size > fileHeaderSize ? size - fileHeaderSize : 0;
    const std::size_t present = std::min(body, result.records.size() * clientRecordSize);
    if (present > 0) std::memcpy(result.records.data(), data + fileHeaderSize, present);
    return result;
}

std::vector<std::uint8_t> encodeHeader(std::size_t count) {
    std::vector<std::uint8_t> header(fileHeaderSize);
    std::memcpy(header.data(), versionText, tagSize);
    writeLittleEndian(header.data() + tagSize, 4, static_cast<std::uint32_t>(count));
    return header;
}

std::vector<std::uint8_t> encodeClients(const std::vector<ClientRecord>& records) {
    std::vector<std::uint8_t> bytes = encodeHeader(records.size());
    bytes.resize(fileHeaderSize + records.size() * clientRecordSize);
    if (!records.empty())
        std::memcpy(bytes.data() + fileHeaderSize, records.data(),
                    records.size() * clientRecordSize);
    return bytes;
}
