// Windows-1252 <-> UTF-16 with a table of our own rather than the machine's code
// page, so that a client file reads the same on every machine. Bytes 0x00-0x7F
// and 0xA0-0xFF are the code points of the same value; only 0x80-0x9F differ.
#include "toolkit/text/Text.h"

#include <algorithm>
#include <iterator>

namespace {

// Code points of the bytes 0x80 to 0x9F. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// value, so every byte survives a round trip.
constexpr char16_t highControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t codePointOf(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value >= 0x80 && value < 0xA0 ? highControls[value - 0x80] : char16_t{value};
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// The byte for one UTF-16 code unit outside the surrogates, or '?'.
char byteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    const auto* found = std::find(std::begin(highControls), std::end(highControls), c);
    if (found == std::end(highControls)) return '?';
    return static_cast<char>(0x80 + (found - std::begin(highControls)));
}

} // namespace

std::u16string win1252ToUtf16(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    std::transform(text.begin(), text.end(), wide.begin(), codePointOf);
    return wide;
}

std::string utf16ToWin1252(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1]))
            ++i; // a character beyond the 16-bit range: one '?' for the pair
        bytes += isHighSurrogate(c) || isLowSurrogate(c) ? '?' : byteOf(c);
    }
    return bytes;
}

std::string win1252ToUtf8(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (const char byte : text) {
        const char16_t c = codePointOf(byte);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}
