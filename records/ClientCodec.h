// The client file's bytes: the version tag "1.01", a signed 32-bit count and
// that many 1241-byte records, little-endian, nothing between them. Pure: no I/O.
#pragma once

#include "records/ClientRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The one version text: the file's tag and the main window's title.
inline constexpr char versionText[] = "1.01";

// The most clients a file may hold; a larger count marks a damaged file.
constexpr std::int32_t maxClientCount = 1000000;

// The version tag and the count come first.
constexpr std::size_t fileHeaderSize = 8;

// A count between 0 and maxClientCount; any other marks a damaged file.
bool countIsSound(std::int32_t count);

struct DecodedClients {
    std::vector<ClientRecord> records; // in file order
    bool ok = true;                    // false: a damaged count, or not enough memory
    std::string problem;               // a short sentence when !ok
    std::int32_t count = 0;            // the count as the file states it
};

// Bytes the file does not hold read as zero, so a cut file gives records whose
// missing bytes are zero. The version tag is not checked. A count that is
// negative or above maxClientCount, or records that do not fit in memory, give
// ok == false and no records.
DecodedClients decodeClients(const std::uint8_t* data, std::size_t size);
// The tag "1.01" and the count: how the file begins.
std::vector<std::uint8_t> encodeHeader(std::size_t count);
// The header and the records. Throws std::bad_alloc when the bytes do not fit
// in memory.
std::vector<std::uint8_t> encodeClients(const std::vector<ClientRecord>& records);

// The count as the header states it (missing bytes zero), and how many bytes of
// a file with that count a load uses: the header and, for a count that is not
// damaged, its records. A load need not read further.
std::int32_t statedCount(const std::uint8_t* data, std::size_t size);
std::size_t usedFileSize(std::int32_t count);
