// Text, number and date conversions: exact outputs the windows and the client file
// depend on, and inputs at every extreme (run under ASan and UBSan).
#include "TextPieces.h"
#include "toolkit/text/Text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace std::string_literals;

namespace {

constexpr long double inf = std::numeric_limits<long double>::infinity();
constexpr long double notANumber = std::numeric_limits<long double>::quiet_NaN();

} // namespace

TEST(NumberToText, SignPositionDigitsAndExponent) {
    const struct {
        long double value;
        const char* text;
    } cases[] = {
        {0, " 0"},
        {-0.0L, " 0"},
        {5, " 5"},
        {-7, "-7"},
        {20231225, " 20231225"},
        {999999999999999, " 999999999999999"},
        {1e15L, " 1E+15"},
        {-1e20L, "-1E+20"},
        {2.5L, " 2.5"},
        {-0.125L, "-0.125"},
        {1e-5L, " 1E-05"},
        {1.0L / 3, " 0.333333333333333"},
        {1e4000L, " 1E+4000"},
        {inf, " inf"},
        {-inf, "-inf"},
        {notANumber, " nan"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberToText(c.value), c.text);
    EXPECT_EQ("Forms - Page " + numberToText(5), "Forms - Page  5");
}

TEST(TextToNumber, ReadsTheLeadingNumber) {
    const struct {
        std::string text;
        long double value;
    } cases[] = {
        {"  42kg", 42},
        {"\t\r\n 12 oz", 12},
        {"1.5E2", 150},
        {"1.5d2", 150},
        {"-2.5e-1", -0.25L},
        {"+.5", 0.5L},
        {"5.", 5},
        {"1.2.3", 1.2L},
        {"7e", 7},
        {"007", 7},
        {"abc", 0},
        {"", 0},
        {".", 0},
        {"- 5", 0},
        {"&H1F", 31},
        {"&hff", 255},
        {"&O17", 15},
        {"&B101", 5},
        {"&B102", 2},
        {"&", 0},
        {"&X1", 0},
        {"12\0x"s, 12},
        {"1e-9999", 0},
        {"0.000000000000000000001", 1e-21L},
        {"1e4932", 1e4932L},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textToNumber(c.text), c.value) << "text \"" << c.text << '"';
}

TEST(TextToNumber, StartPositionAndExtremes) {
    EXPECT_EQ(textToNumber("ab 12", 3), 12);
    EXPECT_EQ(textToNumber("12", 0), 12);
    EXPECT_EQ(textToNumber("12", INT_MIN), 12);
    EXPECT_EQ(textToNumber("12", 3), 0);
    EXPECT_EQ(textToNumber("12", INT_MAX), 0);

    EXPECT_EQ(textToNumber("1e9999"), inf);
    EXPECT_EQ(textToNumber("-1e99999"), -inf);
    EXPECT_EQ(textToNumber("1e99999999999999999999"), inf);
    EXPECT_EQ(textToNumber(std::string(5000, '9')), inf);
    EXPECT_EQ(textToNumber("0." + std::string(5000, '0') + "1e5000"), 0.1L);
    EXPECT_EQ(textToNumber(std::string(5000, '0') + "42"), 42);
    EXPECT_EQ(textToNumber("1" + std::string(30, '0')), 1e30L);
    EXPECT_EQ(textToNumber("&H" + std::string(5000, 'F')), inf);
    EXPECT_TRUE(std::signbit(textToNumber("-0"))) << "-0 keeps its sign, and prints as 0";
    EXPECT_EQ(numberToText(textToNumber("-0")), " 0");
    // Correctly rounded: the decimal text of the nearest long double reads back to it.
    EXPECT_EQ(textToNumber("0.1"), 0.1L);
    EXPECT_EQ(textToNumber("3.14159265358979323846264338327950288"),
              3.14159265358979323846264338327950288L);
}

TEST(StoreFields, RoundHalfToEvenThenWrapOrSaturate) {
    const struct {
        long double value;
        int u8;
        int i16;
    } cases[] = {
        {2.5L, 2, 2},
        {3.5L, 4, 4},
        {-2.5L, 254, -2},
        {0.5L, 0, 0},
        {0.5000001L, 1, 1},
        {300, 44, 300},
        {-1, 255, -1},
        {256, 0, 256},
        {32767, 255, 32767},
        {32767.5L, 0, -32768},
        {-32768, 0, -32768},
        {40000, 64, -32768},
        {-40000, 192, -32768},
        {1e30L, 0, -32768},
        {0x1p64L, 0, -32768},
        {0x1p64L - 1, 255, -32768},
        {-0x1p63L - 255, 1, -32768},
        {inf, 0, -32768},
        {-inf, 0, -32768},
        {notANumber, 0, -32768},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(storeU8(c.value), c.u8) << "value " << numberToText(c.value);
        EXPECT_EQ(storeI16(c.value), c.i16) << "value " << numberToText(c.value);
    }
    EXPECT_EQ(storeU8(textToNumber("1e99999")), 0);
    EXPECT_EQ(storeI16(textToNumber("1e99999")), -32768);
}

TEST(Dates, FromText) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"12/25/23", 20231225},
        {"1-2-3", 20030102},
        {"12-25-1999", 19991225},
        {"13-45-2020", 20201345},
        {"12/25-2023", 20231225},
        {"12--2023", 20231200},
        {"12", 20001200},
        {"--", 20000000},
        {" 3 - 7 - 24", 20240307},
        {"3.5-2.5-99", 20990402},
        {"1-1-100", 1000101},
        {"", 0},
        {"   ", 0},
        {" \t\r\n", 0},
        {"99999999-99-99", 1431055407}, // 2099 * 10000 + 99999999 * 100 + 99, wrapped to 32 bits
        {"0-0-2147483647", -10000},     // 2147483647 * 10000 wraps
        {"1e99999-1e99999-1e99999", 20000000}, // unstorable parts read as 0
    };
    for (const auto& c : cases)
        EXPECT_EQ(dateFromText(c.text), c.value) << "text \"" << c.text << '"';
}

TEST(Dates, ToTextAndBack) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {19991225, "12-25-1999"},
        {20240307, "03-07-2024"},
        {0, ""},
        {5, "-5-5"},
        {123, "-23-123"},
        {-1, "--1--1"},
        {-20240307, "40-07--202"},
        {123456789, "56-89-1234"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dateToText(c.value), c.text) << "value " << c.value;

    for (const std::int32_t value : {10000101, 19000228, 19991231, 20000229, 20240307, 99991231})
        EXPECT_EQ(dateFromText(dateToText(value)), value) << "text " << dateToText(value);
}

TEST(Dates, Today) {
    EXPECT_EQ(todayText(2024, 3, 7), "03-07-2024");
    EXPECT_EQ(todayText(999, 12, 31), "12-31-0999");
    const std::string today = todayText();
    ASSERT_EQ(today.size(), 10u) << today;
    EXPECT_EQ(dateToText(dateFromText(today)), today);
}

TEST(Pieces, MidText) {
    const std::string t = "20240307";
    const struct {
        long long start, length;
        const char* piece;
    } cases[] = {
        {5, 2, "03"},
        {1, 4, "2024"},
        {7, 100, "07"},
        {8, 1, "7"},
        {9, 1, ""},
        {0, 3, ""},
        {-1, 1, "7"},
        {-2, 5, "07"},
        {-8, 2, "20"},
        {-9, 2, ""},
        {3, -4, "2403"},
        {1, -8, ""},
        {1, 0, ""},
        {LLONG_MAX, 1, ""},
        {LLONG_MIN, 1, ""},
        {1, LLONG_MAX, "20240307"},
        {1, LLONG_MIN, ""},
        {LLONG_MIN, LLONG_MIN, ""},
        {LLONG_MAX, LLONG_MAX, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(midText(t, c.start, c.length), c.piece)
            << "start " << c.start << " length " << c.length;
    EXPECT_EQ(midText("", -1, -1), "");
}

TEST(Pieces, RightTextAndTrim) {
    const struct {
        long long n;
        const char* piece;
    } cases[] = {
        {2, "07"},  {8, "20240307"}, {9, "20240307"},         {0, ""},
        {-6, "07"}, {-8, ""},        {LLONG_MAX, "20240307"}, {LLONG_MIN, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rightText("20240307", c.n), c.piece) << "n " << c.n;

    EXPECT_EQ(trimLeft("  \ta b  "), "\ta b  ");
    EXPECT_EQ(trimRight("  a b\t  "), "  a b\t");
    EXPECT_EQ(trimLeft("   "), "");
    EXPECT_EQ(trimRight("   "), "");
}

TEST(Pieces, FieldOf) {
    const struct {
        const char* text;
        const char* delimiters;
        long long n;
        const char* field;
    } cases[] = {
        {"03/07/2024", "-/", 3, "2024"}, {"03--2024", "-/", 2, ""},
        {"03--2024", "-/", 3, "2024"},   {"2024", "-/", 2, ""},
        {"2024", "-/", 1, "2024"},       {"a-b/c", "-/", -1, "c"},
        {"a-b/c", "-/", -3, "a"},        {"a-b/c", "-/", -4, ""},
        {"a-b/c", "-/", 0, ""},          {"-", "-/", 2, ""},
        {"a-b", "", 1, "a-b"},           {"a-b", "", 7, "a-b"},
        {"a-b", "-", LLONG_MAX, ""},     {"a-b", "-", LLONG_MIN, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fieldOf(c.text, c.delimiters, c.n), c.field)
            << "text \"" << c.text << "\" delimiters \"" << c.delimiters << "\" n " << c.n;
    EXPECT_EQ(fieldOf("a\0b"s, "\0"s, 2), "b");
}

TEST(Pieces, TextCompareIsUnsignedBytewise) {
    EXPECT_EQ(textCompare("Client_", "Client_"), 0);
    EXPECT_LT(textCompare("Client", "Client_"), 0);
    EXPECT_GT(textCompare("b", "a"), 0);
    EXPECT_LT(textCompare("B", "a"), 0);
    EXPECT_GT(textCompare("\x80", "\x7f"), 0);
    EXPECT_LT(textCompare("a\0b"s, "a\0c"s), 0);
}

TEST(FixedFields, StoreAndLoadZeroTerminated) {
    char field[8] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    storeZeroTerminated("abcde", field, sizeof field);
    EXPECT_EQ(std::string(field, sizeof field), "abcde\0GH"s);
    EXPECT_EQ(loadZeroTerminated(field, sizeof field), "abcde");

    storeZeroTerminated("x\0yz"s, field, sizeof field);
    EXPECT_EQ(std::string(field, sizeof field), "x\0cde\0GH"s);
    storeZeroTerminated("", field, sizeof field);
    EXPECT_EQ(field[0], '\0');
    storeZeroTerminated("abc", field, 0);
    EXPECT_EQ(field[0], '\0') << "size 0 writes nothing";

    char name[32];
    std::fill(std::begin(name), std::end(name), 'z');
    storeZeroTerminated(std::string(40, 'n'), name, sizeof name);
    EXPECT_EQ(loadZeroTerminated(name, sizeof name), std::string(31, 'n'));

    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(loadZeroTerminated(full, sizeof full), "abcd") << "never reads past the field";
    EXPECT_EQ(loadZeroTerminated(nullptr, 0), "");
}
