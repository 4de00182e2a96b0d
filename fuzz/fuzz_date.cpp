// Date from text and date to text. The whole input is a date text; its first
// four bytes (zero where missing) also give a date value. Besides having no
// undefined behaviour:
// - "-" and "/" separate alike, and a text of blanks only is no date (0);
// - the text form of any value has at most 10 characters;
// - an eight-digit value shows as MM-DD-YYYY and reads back unchanged.
#include "FuzzCheck.h"
#include "toolkit/text/Text.h"

#include <algorithm>
#include <string>

namespace {

void checkText(std::int32_t value) {
    const std::string text = dateToText(value);
    FUZZ_EXPECT(text.size() <= 10, "%d shows as %s", value, shown(text).c_str());
}

void checkEightDigits(std::int32_t value) {
    const std::string text = dateToText(value);
    const bool form =
        text.size() == 10 && text[2] == '-' && text[5] == '-' &&
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) == 8;
    FUZZ_EXPECT(form, "%d shows as %s", value, shown(text).c_str());
    const std::int32_t back = dateFromText(text);
    FUZZ_EXPECT(back == value, "%d shows as %s, which reads %d", value, text.c_str(), back);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(bytesOf(data, size));
    const std::int32_t value = dateFromText(text);
    checkText(value);

    std::string dashed = text;
    std::replace(dashed.begin(), dashed.end(), '/', '-');
    FUZZ_EXPECT(dateFromText(dashed) == value, "%s reads %d, with dashes %d", shown(text).c_str(),
                value, dateFromText(dashed));
    if (text.find_first_not_of(' ') == std::string::npos)
        FUZZ_EXPECT(value == 0, "the blank text %s reads %d", shown(text).c_str(), value);

    const auto raw = static_cast<std::int32_t>(littleEndianWord(text));
    checkText(raw);
    const auto eightDigits =
        static_cast<std::int32_t>(10000000 + static_cast<std::uint32_t>(raw) % 90000000);
    checkEightDigits(eightDigits);
    return 0;
}
