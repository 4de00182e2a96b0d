#include "records/ClientCodec.h"
#include "tests/support/SameRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

ClientRecord client(const std::string& name, int seed) {
    ClientRecord record{};
    writeText(record, CLIENT_FIELD(city), "Sacramento");
    writeText(record, CLIENT_FIELD(city), "Davis"); // leaves a tail after the NUL
    writeText(record, CLIENT_FIELD(name), name);
    writeDate(record, CLIENT_FIELD(birthDate), 19700101 + seed);
    writeI16(record, CLIENT_FIELD(weight), static_cast<std::int16_t>(-seed));
    writeItem(record, CLIENT_FIELD(cancer), seed % 10, true);
    return record;
}

Bytes header(const char* tag, std::int32_t count) {
    Bytes bytes(tag, tag + 4);
    const auto bits = static_cast<std::uint32_t>(count);
    for (int k = 0; k < 4; ++k)
        bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    return bytes;
}

void append(Bytes& bytes, const ClientRecord& record, std::size_t size = clientRecordSize) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(&record);
    bytes.insert(bytes.end(), data, data + size);
}

testing::AssertionResult zero(const ClientRecord& record) {
    return sameRecord(record, ClientRecord{});
}

TEST(ClientCodec, EncodeWritesTagCountAndRecords) {
    const std::vector<ClientRecord> records = {client("Ann", 1)};
    const Bytes bytes = encodeClients(records);
    ASSERT_EQ(bytes.size(), 1249u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8),
              (Bytes{0x31, 0x2E, 0x30, 0x31, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(std::memcmp(bytes.data() + 8, &records[0], clientRecordSize), 0);
    EXPECT_EQ(encodeClients({}), header("1.01", 0));
}

TEST(ClientCodec, RoundTripKeepsEveryByte) {
    for (int count : {0, 1, 3}) {
        std::vector<ClientRecord> records;
        for (int k = 0; k < count; ++k)
            records.push_back(client("Client " + std::to_string(k), k));
        const Bytes bytes = encodeClients(records);
        const DecodedClients decoded = decodeClients(bytes.data(), bytes.size());
        ASSERT_TRUE(decoded.ok) << decoded.problem;
        EXPECT_EQ(decoded.count, count);
        ASSERT_EQ(decoded.records.size(), records.size());
        for (int k = 0; k < count; ++k)
            EXPECT_TRUE(sameRecord(decoded.records[k], records[k])) << "record " << k;
    }
}

TEST(ClientCodec, MissingBytesReadAsZero) {
    const ClientRecord ann = client("Ann", 1);
    const auto full = reinterpret_cast<const std::uint8_t*>(&ann);
    struct Case {
        const char* shape;
        Bytes bytes;
        std::size_t records;
        std::size_t presentInFirst; // bytes of `ann` expected at the start of record 1
    };
    Bytes countCut = header("1.01", 2);
    countCut.resize(6);
    Bytes oneOfTwo = header("1.01", 2);
    append(oneOfTwo, ann);
    Bytes cutInRecord = header("1.01", 1);
    append(cutInRecord, ann, 100);
    Bytes wrongTag = header("\0\0\0\0", 1);
    append(wrongTag, ann);
    Bytes trailing = header("abcd", 1);
    append(trailing, ann);
    append(trailing, client("Bob", 2));
    const Case cases[] = {
        {"empty", {}, 0, 0},
        {"tag only", Bytes{'1', '.', '0', '1'}, 0, 0},
        {"cut inside the count", countCut, 2, 0},
        {"count 2, one record", oneOfTwo, 2, clientRecordSize},
        {"cut inside a record", cutInRecord, 1, 100},
        {"zero tag", wrongTag, 1, clientRecordSize},
        {"bytes after the last record", trailing, 1, clientRecordSize},
    };
    for (const Case& c : cases) {
        const DecodedClients decoded = decodeClients(c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(decoded.ok) << c.shape << ": " << decoded.problem;
        ASSERT_EQ(decoded.records.size(), c.records) << c.shape;
        EXPECT_EQ(decoded.count, static_cast<std::int32_t>(c.records)) << c.shape;
        for (std::size_t k = 0; k < c.records; ++k) {
            const auto* got = reinterpret_cast<const std::uint8_t*>(&decoded.records[k]);
            const std::size_t present = k == 0 ? c.presentInFirst : 0;
            EXPECT_EQ(Bytes(got, got + present), Bytes(full, full + present)) << c.shape;
            EXPECT_EQ(Bytes(got + present, got + clientRecordSize),
                      Bytes(clientRecordSize - present, 0))
                << c.shape << " record " << k;
        }
    }
}

TEST(ClientCodec, DamagedCountGivesNoClientsAndSaysWhy) {
    for (std::int32_t count : {-1, INT32_MIN, 2000000000, maxClientCount + 1}) {
        Bytes bytes = header("1.01", count);
        append(bytes, client("Ann", 1));
        const DecodedClients decoded = decodeClients(bytes.data(), bytes.size());
        EXPECT_FALSE(decoded.ok) << count;
        EXPECT_TRUE(decoded.records.empty()) << count;
        EXPECT_EQ(decoded.count, count);
        EXPECT_NE(decoded.problem.find(std::to_string(count)), std::string::npos)
            << decoded.problem;
        EXPECT_EQ(usedFileSize(count), fileHeaderSize) << count;
    }
}

TEST(ClientCodec, LargestCountIsHonoured) {
    const Bytes bytes = header("1.01", maxClientCount);
    const DecodedClients decoded = decodeClients(bytes.data(), bytes.size());
    ASSERT_TRUE(decoded.ok) << decoded.problem;
    ASSERT_EQ(decoded.records.size(), static_cast<std::size_t>(maxClientCount));
    EXPECT_TRUE(zero(decoded.records.front()));
    EXPECT_TRUE(zero(decoded.records.back()));
    EXPECT_EQ(usedFileSize(maxClientCount), 8u + clientRecordSize * 1000000u);
}

} // namespace
