// Text, number and date conversions. Every function accepts any input: out-of-range
// positions give shorter or empty texts, unreadable numbers give 0, and no value
// reaches an integer conversion that could overflow.
#include "toolkit/text/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// MinGW's own stdio is what formats and reads 80-bit long doubles; the Microsoft
// runtime would treat them as 64-bit doubles.
#if defined(__MINGW32__) && !__USE_MINGW_ANSI_STDIO
#error "long double conversions need __USE_MINGW_ANSI_STDIO"
#endif

namespace {

constexpr std::string_view whiteSpace = " \t\r\n";
constexpr std::string_view exponentLetters = "EeDd";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Value of a digit in base 2, 8 or 16, or -1 when `c` is none.
int digitValue(char c, int base) {
    int value = -1;
    if (isDigit(c)) {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value < base ? value : -1;
}

// "&H1F", "&O17", "&B101": the digits after the base letter at `pos`.
long double readBasedNumber(std::string_view text, std::size_t pos) {
    int base = 0;
    switch (pos < text.size() ? text[pos] : '\0') {
    case 'H':
    case 'h':
        base = 16;
        break;
    case 'O':
    case 'o':
        base = 8;
        break;
    case 'B':
    case 'b':
        base = 2;
        break;
    default:
        return 0;
    }
    long double value = 0;
    for (++pos; pos < text.size() && digitValue(text[pos], base) >= 0; ++pos)
        value = value * base + digitValue(text[pos], base);
    return value;
}

// An optional "+" or "-" at `pos`, stepped over; true for "-".
bool readSign(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-')) return false;
    return text[pos++] == '-';
}

// Reads sign, digits, decimal point and exponent from `pos`. The digits are
// collected without the point into a clean copy that strtold rounds correctly;
// values far outside the long double range are decided here so that strtold only
// ever sees a moderate exponent.
long double readDecimalNumber(std::string_view text, std::size_t pos) {
    const bool negative = readSign(text, pos);

    std::string digits;
    long long fractionDigits = 0;
    bool seenPoint = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (isDigit(c)) {
            if (c != '0' || !digits.empty()) // leading zeros carry no value
                digits += c;
            fractionDigits += seenPoint ? 1 : 0;
        } else {
            break;
        }
    }

    long long exponent = 0;
    if (pos < text.size() && exponentLetters.find(text[pos]) != std::string_view::npos) {
        const bool negativeExponent = readSign(text, ++pos);
        for (; pos < text.size() && isDigit(text[pos]); ++pos)
            exponent = std::min(exponent * 10 + (text[pos] - '0'), 9999LL);
        exponent = negativeExponent ? -exponent : exponent;
    }

    long double value = 0;
    if (!digits.empty()) {
        // The value is digits * 10^scale, about 10^magnitude.
        const long long scale = exponent - fractionDigits;
        const long long magnitude = static_cast<long long>(digits.size()) - 1 + scale;
        if (magnitude > 5000) {
            value = HUGE_VALL;
        } else if (magnitude >= -5000) {
            digits += 'E' + std::to_string(scale);
            value = std::strtold(digits.c_str(), nullptr);
        }
    }
    return negative ? -value : value;
}

// Rounds half to even and keeps the low 64 bits in two's complement; NaN,
// infinities and magnitudes of 2^64 or more give 0.
std::uint64_t lowBits(long double value) {
    const long double rounded = std::nearbyint(value); // default mode: ties to even
    if (!(std::fabs(rounded) < 0x1p64L)) return 0;
    const auto magnitude = static_cast<std::uint64_t>(std::fabs(rounded));
    return rounded < 0 ? 0 - magnitude : magnitude;
}

// Two's complement reading of the low 32 bits: the deliberate wrap of the date
// arithmetic, which is 32-bit.
std::int32_t wrapToInt32(std::uint64_t bits) {
    const auto low = static_cast<std::int64_t>(bits & 0xFFFFFFFFu);
    return static_cast<std::int32_t>(low < 0x80000000LL ? low : low - 0x100000000LL);
}

std::string zeroPadded(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

} // namespace

std::string numberToText(long double value) {
    if (std::isnan(value)) return " nan";
    std::string text = value < 0 ? "-" : " ";
    if (std::isinf(value)) return text + "inf";
    // %G keeps 15 significant digits, prints integral values below 10^15 as
    // plain digits and switches to an E+/E- exponent outside that range.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15LG", std::fabs(value));
    return text + buffer;
}

long double textToNumber(std::string_view text, int start) {
    std::size_t pos = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
    while (pos < text.size() && whiteSpace.find(text[pos]) != std::string_view::npos)
        ++pos;
    if (pos < text.size() && text[pos] == '&') return readBasedNumber(text, pos + 1);
    return readDecimalNumber(text, pos);
}

std::uint8_t storeU8(long double value) { return static_cast<std::uint8_t>(lowBits(value) & 0xFF); }

std::int16_t storeI16(long double value) {
    const long double rounded = std::nearbyint(value);
    if (rounded >= -32768 && rounded <= 32767) return static_cast<std::int16_t>(rounded);
    return -32768;
}

std::int32_t dateFromText(std::string_view text) {
    if (text.find_first_not_of(whiteSpace) == std::string_view::npos)
        return 0; // an empty box means no date
    // Each part is rounded half to even and taken as a 32-bit integer; the sum
    // is formed in 64 bits and then wrapped to 32 bits on purpose, which is the
    // width of the stored date, so no input can overflow.
    const auto part = [text](long long n) {
        return static_cast<std::int64_t>(
            wrapToInt32(lowBits(textToNumber(fieldOf(text, "-/", n)))));
    };
    const std::int64_t month = part(1);
    const std::int64_t day = part(2);
    std::int64_t year = part(3);
    if (year < 100) year += 2000;
    return wrapToInt32(static_cast<std::uint64_t>(year * 10000 + month * 100 + day));
}

std::string dateToText(std::int32_t value) {
    if (value == 0) return "";
    const std::string digits = std::to_string(value);
    return midText(digits, 5, 2) + "-" + rightText(digits, 2) + "-" + midText(digits, 1, 4);
}

std::string todayText() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    const bool known = localtime_s(&parts, &now) == 0;
#else
    const bool known = localtime_r(&now, &parts) != nullptr;
#endif
    if (!known) return "";
    return todayText(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

std::string todayText(int year, int month, int day) {
    return zeroPadded(month, 2) + "-" + zeroPadded(day, 2) + "-" + zeroPadded(year, 4);
}

std::string midText(std::string_view text, long long start, long long length) {
    const auto size = static_cast<long long>(text.size());
    if (start < 0) start += size + 1; // -1 is the last byte; cannot overflow as size >= 0
    if (length < 0) length += size;
    if (start < 1 || start > size || length <= 0) return "";
    const long long count = std::min(length, size - start + 1);
    return std::string(
        text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

std::string rightText(std::string_view text, long long n) {
    const auto size = static_cast<long long>(text.size());
    if (n < 0) n += size;
    if (n <= 0) return "";
    return std::string(text.substr(static_cast<std::size_t>(size - std::min(n, size))));
}

std::string fieldOf(std::string_view text, std::string_view delimiters, long long n) {
    if (delimiters.empty()) return std::string(text);
    const auto isDelimiter = [delimiters](char c) {
        return delimiters.find(c) != std::string_view::npos;
    };
    const auto fields =
        static_cast<long long>(std::count_if(text.begin(), text.end(), isDelimiter)) + 1;
    if (n < 0) n += fields + 1; // -1 is the last field
    if (n < 1 || n > fields) return "";
    std::size_t begin = 0;
    for (long long k = 1; k < n; ++k)
        begin = static_cast<std::size_t>(
                    std::find_if(text.begin() + begin, text.end(), isDelimiter) - text.begin()) +
                1;
    const auto end = static_cast<std::size_t>(
        std::find_if(text.begin() + begin, text.end(), isDelimiter) - text.begin());
    return std::string(text.substr(begin, end - begin));
}

// std::char_traits<char> compares as unsigned char, so this is bytewise unsigned.
int textCompare(std::string_view a, std::string_view b) { return a.compare(b); }
