// Number from text and the storing rules. The first input byte, read as a signed
// number, is the start position (so starts before the text, in it and beyond it
// all occur); the rest is the text. Besides having no undefined behaviour:
// - the start position only cuts the text, and leading white space or a "-"
//   before digits change the value as they should;
// - storeU8 and storeI16 agree with rounding half to even done here another way;
// - numberToText never gives an empty text, always begins with " " or "-", and
//   reads back to the same value (exactly for integers below 10^15).
#include "FuzzCheck.h"
#include "toolkit/text/Text.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

namespace {

bool same(long double a, long double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Rounds half to even by comparing twice the value with the midpoint between its
// neighbours, which is exact for |value| < 2^63.
long double roundedHalfEven(long double value) {
    const long double lower = std::floor(value);
    const long double twice = 2 * value;
    const long double middle = 2 * lower + 1;
    if (twice != middle) return twice < middle ? lower : lower + 1;
    return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

void checkStoring(long double value, const std::string& text) {
    const std::uint8_t u8 = storeU8(value);
    const std::int16_t i16 = storeI16(value);
    if (std::fabs(value) < 0x1p63L) {
        // Rounded, a value just below 2^63 may become 2^63 itself, which no
        // 64-bit signed integer holds: a value from 0 up is taken unsigned.
        const long double rounded = roundedHalfEven(value);
        const std::uint64_t bits =
            rounded >= 0 ? static_cast<std::uint64_t>(rounded)
                         : static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded));
        const auto low = static_cast<std::uint8_t>(bits & 0xFF);
        FUZZ_EXPECT(u8 == low, "u8 of %.21Lg from %s is %d, expected %d", value, text.c_str(), u8,
                    low);
        const long double fitted = rounded >= -32768 && rounded <= 32767 ? rounded : -32768;
        FUZZ_EXPECT(i16 == fitted, "i16 of %.21Lg from %s is %d, expected %.0Lf", value,
                    text.c_str(), i16, fitted);
    } else if (std::isnan(value) ||
               std::fabs(value) >= 0x1p64L) { // NaN, infinities, beyond 64 bits
        FUZZ_EXPECT(u8 == 0, "u8 of %Lg from %s is %d", value, text.c_str(), u8);
        FUZZ_EXPECT(i16 == -32768, "i16 of %Lg from %s is %d", value, text.c_str(), i16);
    }
}

void checkNumberText(long double value) {
    const std::string text = numberToText(value);
    FUZZ_EXPECT(!text.empty() && (text[0] == ' ' || text[0] == '-'), "%La gives %s", value,
                shown(text).c_str());
    if (!std::isfinite(value)) return;
    const long double back = textToNumber(text);
    if (value == std::nearbyint(value) && std::fabs(value) < 1e15L) {
        FUZZ_EXPECT(back == value, "%.21Lg gives %s, which reads %.21Lg", value, text.c_str(),
                    back);
    } else if (std::fabs(value) >= LDBL_MIN) {
        // Fifteen significant digits: within half a unit of the fifteenth digit.
        FUZZ_EXPECT(std::fabs(back - value) <= std::fabs(value) * 1e-14L,
                    "%.21Lg gives %s, which reads %.21Lg", value, text.c_str(), back);
    }
}

bool startsNumber(std::string_view text) {
    return !text.empty() && ((text[0] >= '0' && text[0] <= '9') || text[0] == '.');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return -1;
    const int start = static_cast<std::int8_t>(data[0]);
    const std::string text(bytesOf(data + 1, size - 1));

    const long double value = textToNumber(text, start);
    FUZZ_EXPECT(!std::isnan(value), "%s from %d reads NaN", shown(text).c_str(), start);
    const std::size_t skipped = start > 1 ? std::min<std::size_t>(start - 1, text.size()) : 0;
    const long double fromStart = textToNumber(text.substr(skipped));
    FUZZ_EXPECT(same(value, fromStart), "%s from %d reads %Lg, its tail from 1 reads %Lg",
                shown(text).c_str(), start, value, fromStart);

    const long double whole = textToNumber(text);
    const long double blanked = textToNumber(" \t\r\n" + text);
    FUZZ_EXPECT(same(whole, blanked), "%s reads %Lg, after white space %Lg", shown(text).c_str(),
                whole, blanked);
    if (startsNumber(text)) {
        const long double negated = textToNumber("-" + text);
        FUZZ_EXPECT(same(negated, -whole), "%s reads %Lg, with a minus sign %Lg",
                    shown(text).c_str(), whole, negated);
    }

    checkStoring(value, shown(text));
    checkNumberText(value);
    if (text.size() >= sizeof(double)) { // any double, NaNs and subnormals included
        double raw;
        std::memcpy(&raw, text.data(), sizeof raw);
        checkStoring(raw, "bits");
        checkNumberText(raw);
    }
    return 0;
}
