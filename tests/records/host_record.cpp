#include "records/ClientFields.h"
#include "records/ClientRecord.h"
#include "tests/support/SameRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> bytesOf(const ClientRecord& record) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    return {bytes, bytes + sizeof record};
}

ClientRecord filledWith(std::uint8_t value) {
    ClientRecord record;
    std::memset(&record, value, sizeof record);
    return record;
}

TEST(ClientRecord, ResetGivesTheEmptyClient) {
    ClientRecord record = filledWith(0xFF);
    recordReset(record);
    EXPECT_EQ(bytesOf(record), std::vector<std::uint8_t>(clientRecordSize, 0));
    EXPECT_TRUE(sameRecord(record, ClientRecord{}));
    EXPECT_EQ(recordName(record), "");
    EXPECT_EQ(readDate(record, CLIENT_FIELD(birthDate)), 0);
}

TEST(ClientRecord, TextIsCutToTheFieldAndKeepsOneNul) {
    struct Case {
        FieldSpan field;
        std::string text;
        std::string stored;
    } cases[] = {
        {CLIENT_FIELD(name), std::string(40, 'a'), std::string(31, 'a')},
        {CLIENT_FIELD(name), std::string(31, 'b'), std::string(31, 'b')},
        {CLIENT_FIELD(state), "CA", "CA"},
        {CLIENT_FIELD(state), "CAL", "CA"},
        {CLIENT_FIELD(city), "", ""},
        {CLIENT_FIELD(city), std::string("Ba\0th", 5), "Ba"},
        {CLIENT_FIELD(elaboration), "line one\r\nline two", "line one\r\nline two"},
    };
    for (const Case& c : cases) {
        ClientRecord record{};
        writeText(record, c.field, c.text);
        EXPECT_EQ(readText(record, c.field), c.stored) << c.text;
    }
}

TEST(ClientRecord, TextWritesStayInsideTheirField) {
    for (const FieldInfo* field : clientFields) {
        if (field->kind != FieldKind::text && field->kind != FieldKind::otherText) continue;
        ClientRecord record = filledWith(0xEE);
        writeText(record, field->span, std::string(300, 'x'));
        const std::vector<std::uint8_t> bytes = bytesOf(record);
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            const std::size_t inField = k - field->span.offset;
            const std::uint8_t expected = k < field->span.offset || inField >= field->span.size
                                              ? 0xEE
                                              : (inField + 1 == field->span.size ? 0 : 'x');
            ASSERT_EQ(bytes[k], expected) << field->name << " byte " << k;
        }
    }
}

TEST(ClientRecord, ShorterTextLeavesTheOldTailAfterItsNul) {
    ClientRecord record{};
    writeText(record, CLIENT_FIELD(name), "Jonathan");
    writeText(record, CLIENT_FIELD(name), "Al");
    EXPECT_EQ(recordName(record), "Al");
    EXPECT_EQ(std::string(record.name, 9), std::string("Al\0athan\0", 9));

    ClientRecord fresh{};
    writeText(fresh, CLIENT_FIELD(name), "Al");
    EXPECT_FALSE(recordEqual(record, fresh));
}

TEST(ClientRecord, FullFieldWithoutNulReadsExactlyItsBytes) {
    ClientRecord record = filledWith('Z');
    std::memcpy(record.state, "NYC", 3);
    EXPECT_EQ(readText(record, CLIENT_FIELD(state)), "NYC");
    EXPECT_EQ(readText(record, CLIENT_FIELD(name)), std::string(32, 'Z'));
}

TEST(ClientRecord, NumbersAreLittleEndianAtOddOffsets) {
    struct Case {
        std::int16_t weight;
        std::uint8_t low, high;
    } weights[] = {{0, 0, 0},           {1, 1, 0},         {-1, 0xFF, 0xFF}, {0x1234, 0x34, 0x12},
                   {32767, 0xFF, 0x7F}, {-32768, 0, 0x80}, {-2, 0xFE, 0xFF}};
    for (const Case& c : weights) {
        ClientRecord record{};
        writeI16(record, CLIENT_FIELD(weight), c.weight);
        EXPECT_EQ(record.weight[0], c.low) << c.weight;
        EXPECT_EQ(record.weight[1], c.high) << c.weight;
        EXPECT_EQ(readI16(record, CLIENT_FIELD(weight)), c.weight);
    }

    const std::int32_t dates[] = {0, 20231225, -1, -20231225, INT32_MAX, INT32_MIN};
    for (std::int32_t date : dates) {
        ClientRecord record{};
        writeDate(record, CLIENT_FIELD(birthDate), date);
        const auto bits = static_cast<std::uint32_t>(date);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(record.birthDate[k], (bits >> (8 * k)) & 0xFF) << date << " byte " << k;
        EXPECT_EQ(readDate(record, CLIENT_FIELD(birthDate)), date);
    }

    ClientRecord record{};
    writeU8(record, CLIENT_FIELD(age), 200);
    EXPECT_EQ(record.age, 200);
    EXPECT_EQ(readU8(record, CLIENT_FIELD(age)), 200);
}

TEST(ClientRecord, EachItemIsOneBitOfItsList) {
    for (const FieldInfo* field : clientFields) {
        if (field->kind != FieldKind::bitSet) continue;
        for (int item = 0; item < field->items.count; ++item) {
            ClientRecord record{};
            writeItem(record, field->span, item, true);
            ClientRecord expected{};
            reinterpret_cast<std::uint8_t*>(&expected)[field->span.offset + item / 8] =
                static_cast<std::uint8_t>(1u << (item % 8));
            ASSERT_TRUE(sameRecord(record, expected)) << field->name << " item " << item;
            for (int other = 0; other < field->items.count; ++other)
                ASSERT_EQ(readItem(record, field->span, other), other == item) << field->name;
            writeItem(record, field->span, item, false);
            ASSERT_TRUE(sameRecord(record, ClientRecord{})) << field->name << " item " << item;
        }
    }
}

TEST(ClientRecord, ItemsOutsideTheFieldAreClearAndNeverWritten) {
    const FieldSpan cancer = CLIENT_FIELD(cancer);
    ClientRecord record = filledWith(0xFF);
    for (int item : {-1, 16, 1000, INT32_MIN}) {
        EXPECT_FALSE(readItem(record, cancer, item)) << item;
        writeItem(record, cancer, item, false);
    }
    EXPECT_TRUE(sameRecord(record, filledWith(0xFF)));
    EXPECT_TRUE(readItem(record, cancer, 15));
}

} // namespace
