// Windows-1252 and UTF-16 both ways. The input is read as Windows-1252 bytes and,
// in little-endian pairs, as UTF-16 code units (lone surrogates included).
// - bytes -> UTF-16 -> bytes gives the bytes back, one code unit per byte;
// - UTF-16 -> bytes gives one byte per character (a surrogate pair is one): the
//   byte that converts to that character, or "?" when no byte does;
// - the UTF-8 form of the bytes is the same characters as their UTF-16 form.
#include "FuzzCheck.h"
#include "toolkit/text/Text.h"

#include <string>
#include <vector>

namespace {

// For every 16-bit code unit, the byte that the conversion itself maps to it, or
// -1 when Windows-1252 does not hold the character.
std::vector<int> byteOfCharacter(0x10000, -1);

bool isHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// Decodes UTF-8 of at most three bytes per character; a malformed sequence fails.
bool decodeUtf8(std::string_view utf8, std::u16string& wide) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        const std::size_t length = lead < 0x80          ? 1
                                   : (lead >> 5) == 0x6 ? 2
                                   : (lead >> 4) == 0xE ? 3
                                                        : 0;
        if (length == 0 || i + length > utf8.size()) return false;
        std::uint32_t c = length == 1 ? lead : lead & (length == 2 ? 0x1Fu : 0x0Fu);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + k]);
            if ((next >> 6) != 0x2) return false;
            c = c << 6 | (next & 0x3Fu);
        }
        const std::uint32_t least = length == 1 ? 0 : length == 2 ? 0x80 : 0x800;
        if (c < least) return false; // an overlong form
        wide += static_cast<char16_t>(c);
        i += length;
    }
    return true;
}

void checkBytes(std::string_view bytes) {
    const std::u16string wide = win1252ToUtf16(bytes);
    FUZZ_EXPECT(wide.size() == bytes.size(), "%zu bytes give %zu code units", bytes.size(),
                wide.size());
    const std::string back = utf16ToWin1252(wide);
    FUZZ_EXPECT(back == bytes, "%s comes back as %s", shown(bytes).c_str(), shown(back).c_str());

    std::u16string decoded;
    const std::string utf8 = win1252ToUtf8(bytes);
    FUZZ_EXPECT(decodeUtf8(utf8, decoded) && decoded == wide, "%s gives the UTF-8 %s",
                shown(bytes).c_str(), shown(utf8).c_str());
}

void checkWide(std::u16string_view wide) {
    std::string expected;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (isHigh(wide[i]) && i + 1 < wide.size() && isLow(wide[i + 1])) {
            expected += '?';
            ++i;
            continue;
        }
        const int byte = byteOfCharacter[wide[i]];
        expected += byte < 0 ? '?' : static_cast<char>(byte);
    }
    const std::string bytes = utf16ToWin1252(wide);
    FUZZ_EXPECT(bytes == expected, "%zu code units give %s, expected %s", wide.size(),
                shown(bytes).c_str(), shown(expected).c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text(1, static_cast<char>(byte));
        const std::u16string wide = win1252ToUtf16(text);
        FUZZ_EXPECT(wide.size() == 1 && !isHigh(wide[0]) && !isLow(wide[0]),
                    "byte 0x%02X gives %zu code units", byte, wide.size());
        // Outside 0x80 to 0x9F the bytes are the characters of the same number.
        FUZZ_EXPECT((byte >= 0x80 && byte < 0xA0) || wide[0] == byte, "byte 0x%02X gives U+%04X",
                    byte, static_cast<unsigned>(wide[0]));
        FUZZ_EXPECT(byteOfCharacter[wide[0]] < 0,
                    "byte 0x%02X gives U+%04X, as an earlier byte does", byte,
                    static_cast<unsigned>(wide[0]));
        byteOfCharacter[wide[0]] = byte;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkBytes(bytesOf(data, size));
    std::u16string wide(size / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    checkWide(wide);
    return 0;
}
