// Windows-1252 <-> UTF-16 / UTF-8 with the program's fixed table.
#include "toolkit/text/Text.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(Win1252, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::u16string wide = win1252ToUtf16(byte);
        ASSERT_EQ(wide.size(), 1u) << "byte " << b;
        EXPECT_EQ(utf16ToWin1252(wide), byte)
            << "byte " << b << " went to U+" << std::hex << static_cast<int>(wide[0]);
    }
}

TEST(Win1252, TableEntries) {
    const struct {
        unsigned char byte;
        char16_t wide;
    } cases[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081},
        {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x92, 0x2019},
        {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win1252ToUtf16(std::string(1, static_cast<char>(c.byte))),
                  std::u16string(1, c.wide))
            << "byte " << static_cast<int>(c.byte);
}

TEST(Win1252, UnrepresentableCharactersBecomeQuestionMarks) {
    const struct {
        std::u16string wide;
        std::string bytes;
    } cases[] = {
        {u"€", "\x80"},
        {u"caf\u00E9", "caf\xE9"},
        {u"\u4E2D\u6587", "??"},       // Chinese
        {u"a\U0001F600b", "a?b"},      // emoji: one '?' for the surrogate pair
        {u"\xD800", "?"},              // lone high surrogate
        {u"\xDC00x", "?x"},            // lone low surrogate
        {u"\xD800\xD800\xDC00", "??"}, // lone high, then a valid pair
        {u"\x0080\x009F", "??"},       // C1 controls that 1252 uses for other characters
        {u"a\0b"s, "a\0b"s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf16ToWin1252(c.wide), c.bytes)
            << "got " << utf16ToWin1252(c.wide).size() << " bytes";
}

TEST(Win1252, ToUtf8) {
    EXPECT_EQ(win1252ToUtf8("a\x80\xE9\xFF\x81"), "a\u20AC\u00E9\u00FF\u0081");
    EXPECT_EQ(win1252ToUtf8(""), "");
}
