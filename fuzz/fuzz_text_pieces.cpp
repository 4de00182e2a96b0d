// Pieces of texts and zero-terminated fields. Input: a start and a length (one
// signed byte each), a field size (byte 3, 0 to 39), a count of delimiters
// (byte 4, 0 to 3) and those delimiter bytes; the rest is the text.
// - midText and rightText with negative arguments equal the positive forms they
//   stand for, and give the piece of the text the positions name;
// - the fields of fieldOf put back together with their delimiters are the text,
//   and counting them from the end (negative n) names the same fields;
// - trimLeft and trimRight remove exactly the outer blanks;
// - textCompare is antisymmetric;
// - storeZeroTerminated writes at most `size` bytes and loadZeroTerminated reads
//   back the text cut at its first NUL and at size - 1.
#include "FuzzCheck.h"
#include "tests/toolkit/TextPieces.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <string>

namespace {

int signOf(int value) { return (value > 0) - (value < 0); }

void checkMid(std::string_view text, long long start, long long length) {
    const auto size = static_cast<long long>(text.size());
    std::string expected;
    if (start < 0) // the positive start it stands for
        expected = start + size + 1 >= 1 ? midText(text, start + size + 1, length) : "";
    else if (length < 0) // the positive length it stands for
        expected = midText(text, start, std::max(0LL, size + length));
    else if (start >= 1 && start <= size) // the piece the positions name
        expected =
            text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
    const std::string piece = midText(text, start, length);
    FUZZ_EXPECT(piece == expected, "midText(%s, %lld, %lld) is %s, expected %s",
                shown(text).c_str(), start, length, shown(piece).c_str(), shown(expected).c_str());
}

void checkRight(std::string_view text, long long n) {
    const auto size = static_cast<long long>(text.size());
    const long long count = std::clamp(n < 0 ? size + n : n, 0LL, size);
    const std::string piece = rightText(text, n);
    FUZZ_EXPECT(piece == text.substr(static_cast<std::size_t>(size - count)),
                "rightText(%s, %lld) is %s", shown(text).c_str(), n, shown(piece).c_str());
}

void checkFields(std::string_view text, std::string_view delimiters) {
    const auto isDelimiter = [delimiters](char c) {
        return delimiters.find(c) != std::string_view::npos;
    };
    const long long count =
        delimiters.empty() ? 1 : std::count_if(text.begin(), text.end(), isDelimiter) + 1;
    std::string joined;
    for (long long k = 1; k <= count; ++k) {
        const std::string field = fieldOf(text, delimiters, k);
        FUZZ_EXPECT(delimiters.empty() || std::none_of(field.begin(), field.end(), isDelimiter),
                    "field %lld of %s is %s", k, shown(text).c_str(), shown(field).c_str());
        FUZZ_EXPECT(fieldOf(text, delimiters, k - count - 1) == field,
                    "field %lld of %s counted from the end differs", k, shown(text).c_str());
        joined += field;
        if (k < count) joined += text[joined.size()]; // the delimiter that ends this field
    }
    FUZZ_EXPECT(joined == text, "the fields of %s join to %s", shown(text).c_str(),
                shown(joined).c_str());
    const bool noneOutside =
        fieldOf(text, delimiters, count + 1).empty() && fieldOf(text, delimiters, 0).empty();
    FUZZ_EXPECT(delimiters.empty() || noneOutside, "%s has a field outside its %lld fields",
                shown(text).c_str(), count);
}

void checkTrim(std::string_view text) {
    const std::size_t first = std::min(text.find_first_not_of(' '), text.size());
    const std::size_t last = text.find_last_not_of(' ');
    const std::string_view right = last == std::string_view::npos ? "" : text.substr(0, last + 1);
    FUZZ_EXPECT(trimLeft(text) == text.substr(first), "trimLeft(%s) is %s", shown(text).c_str(),
                shown(trimLeft(text)).c_str());
    FUZZ_EXPECT(trimRight(text) == right, "trimRight(%s) is %s", shown(text).c_str(),
                shown(trimRight(text)).c_str());
}

void checkStore(std::string_view text, std::size_t size) {
    constexpr std::size_t room = 48;
    std::string field(room, '\xA5');
    storeZeroTerminated(text, field.data(), size);
    const std::size_t kept = size == 0 ? 0 : std::min({text.find('\0'), text.size(), size - 1});
    std::string expected(room, '\xA5');
    if (size > 0) {
        std::copy_n(text.begin(), kept, expected.begin());
        expected[kept] = '\0';
    }
    FUZZ_EXPECT(field == expected, "storing %s in %zu bytes gives %s", shown(text).c_str(), size,
                shown(field).c_str());
    if (size > 0) {
        const std::string back = loadZeroTerminated(field.data(), size);
        FUZZ_EXPECT(back == text.substr(0, kept), "%s stored in %zu bytes reads %s",
                    shown(text).c_str(), size, shown(back).c_str());
    }
    const std::string raw = loadZeroTerminated(text.data(), std::min(size, text.size()));
    FUZZ_EXPECT(raw.size() <= size && raw.find('\0') == std::string::npos,
                "loading %zu bytes of %s gives %s", size, shown(text).c_str(), shown(raw).c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return -1;
    const long long start = static_cast<std::int8_t>(data[0]);
    const long long length = static_cast<std::int8_t>(data[1]);
    const std::size_t fieldSize = data[2] % 40u;
    const std::size_t delimiterCount = std::min<std::size_t>(data[3] % 4u, size - 4);
    const std::string_view delimiters = bytesOf(data + 4, delimiterCount);
    const std::string_view text = bytesOf(data + 4 + delimiterCount, size - 4 - delimiterCount);

    checkMid(text, start, length);
    checkRight(text, start);
    checkFields(text, delimiters);
    checkTrim(text);
    checkStore(text, fieldSize);

    const std::string_view a = text.substr(0, text.size() / 2);
    const std::string_view b = text.substr(text.size() / 2);
    FUZZ_EXPECT(signOf(textCompare(a, b)) == -signOf(textCompare(b, a)) && textCompare(a, a) == 0,
                "textCompare of %s and %s is %d, the other way %d", shown(a).c_str(),
                shown(b).c_str(), textCompare(a, b), textCompare(b, a));
    return 0;
}
