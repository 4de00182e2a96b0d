// Any bytes as a client file. The decoder takes every input; it accepts exactly
// the counts from 0 to maxClientCount, and then gives that many records, each
// holding the file's bytes at its place (zero where the file ends early); any
// other count it refuses with a reason and no records.
// Encoding those records gives the tag, the count and the records as read, and
// that file decodes to the same records again.
#include "FuzzCheck.h"
#include "records/ClientCodec.h"

#include <algorithm>
#include <cstring>

namespace {

// A file of eight bytes may state a count of up to a million, which rightly
// decodes to up to 1.24 GB of zero records. Inputs with a count above this bound
// (but still acceptable) are skipped, so the fuzzer spends its time on the code
// rather than on zeroing memory; counts beyond maxClientCount, which must be
// refused without allocating them, are still run.
constexpr std::int32_t largestCountTried = 2000;

// The byte at `offset` of the file, zero beyond its end.
std::uint8_t fileByte(std::string_view file, std::size_t offset) {
    return offset < file.size() ? static_cast<std::uint8_t>(file[offset]) : 0;
}

// Bytes 4 to 7, little-endian, missing bytes zero.
std::int32_t countOf(std::string_view file) {
    return static_cast<std::int32_t>(
        littleEndianWord(file.substr(std::min<std::size_t>(4, file.size()))));
}

// Index of the first byte of `record` that differs from the file's bytes at the
// place of record `index` (counted from 0), or clientRecordSize when none does.
std::size_t firstDifference(const ClientRecord& record, std::string_view file, std::size_t index) {
    static constexpr std::uint8_t zeros[clientRecordSize] = {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    const std::size_t start = fileHeaderSize + clientRecordSize * index;
    const std::size_t present =
        start < file.size() ? std::min(clientRecordSize, file.size() - start) : 0;
    if ((present == 0 || std::memcmp(bytes, file.data() + start, present) == 0) &&
        std::memcmp(bytes + present, zeros, clientRecordSize - present) == 0)
        return clientRecordSize;
    std::size_t i = 0;
    while (bytes[i] == fileByte(file, start + i))
        ++i;
    return i;
}

void expectFileBytes(const ClientRecord& record, std::string_view file, std::size_t index) {
    const std::size_t i = firstDifference(record, file, index);
    FUZZ_EXPECT(i == clientRecordSize, "record %zu byte %zu is 0x%02X, the file holds 0x%02X",
                index + 1, i, reinterpret_cast<const std::uint8_t*>(&record)[i],
                fileByte(file, fileHeaderSize + clientRecordSize * index + i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file = bytesOf(data, size);
    const std::int32_t count = countOf(file);
    if (count > largestCountTried && count <= maxClientCount)
        return -1; // not worth keeping in the corpus either

    const DecodedClients decoded = decodeClients(data, size);
    // Memory never runs out for the counts tried here, so only the count decides.
    const bool acceptable = count >= 0 && count <= maxClientCount;
    FUZZ_EXPECT(decoded.count == count, "count %d, the file states %d", decoded.count, count);
    FUZZ_EXPECT(decoded.ok == acceptable, "ok is %d for the count %d", decoded.ok, count);
    FUZZ_EXPECT(decoded.ok || !decoded.problem.empty(), "refused the count %d without a reason",
                count);
    FUZZ_EXPECT(decoded.records.size() <= static_cast<std::size_t>(maxClientCount), "%zu records",
                decoded.records.size());
    FUZZ_EXPECT(decoded.ok || decoded.records.empty(), "refused, yet %zu records",
                decoded.records.size());
    for (std::size_t k = 0; k < decoded.records.size(); ++k)
        expectFileBytes(decoded.records[k], file, k);
    FUZZ_EXPECT(statedCount(data, size) == count, "stated count %d, the file holds %d",
                statedCount(data, size), count);
    const std::size_t used =
        fileHeaderSize + (acceptable ? clientRecordSize * decoded.records.size() : 0);
    FUZZ_EXPECT(usedFileSize(count) == used, "a load of the count %d uses %zu bytes, not %zu",
                count, usedFileSize(count), used);
    if (!decoded.ok) return 0;
    FUZZ_EXPECT(decoded.records.size() == static_cast<std::size_t>(count),
                "%zu records for the count %d", decoded.records.size(), count);

    const std::vector<std::uint8_t> encoded = encodeClients(decoded.records);
    const std::size_t expectedSize = fileHeaderSize + clientRecordSize * decoded.records.size();
    FUZZ_EXPECT(encoded.size() == expectedSize, "encoded %zu bytes, expected %zu", encoded.size(),
                expectedSize);
    FUZZ_EXPECT(std::memcmp(encoded.data(), versionText, 4) == 0, "tag %s",
                shown(bytesOf(encoded.data(), 4)).c_str());
    for (std::size_t i = 4; i < fileHeaderSize; ++i)
        FUZZ_EXPECT(encoded[i] == fileByte(file, i), "count byte %zu is 0x%02X, read 0x%02X", i,
                    encoded[i], fileByte(file, i));
    for (std::size_t k = 0; k < decoded.records.size(); ++k)
        FUZZ_EXPECT(std::memcmp(encoded.data() + fileHeaderSize + clientRecordSize * k,
                                &decoded.records[k], clientRecordSize) == 0,
                    "record %zu is encoded differently from its bytes", k + 1);

    const DecodedClients again = decodeClients(encoded.data(), encoded.size());
    FUZZ_EXPECT(again.ok && again.count == count && again.records.size() == decoded.records.size(),
                "re-decoded ok %d, count %d, %zu records; first time count %d", again.ok,
                again.count, again.records.size(), count);
    for (std::size_t k = 0; k < again.records.size(); ++k)
        FUZZ_EXPECT(recordEqual(again.records[k], decoded.records[k]),
                    "record %zu differs after encode and decode", k + 1);
    return 0;
}
