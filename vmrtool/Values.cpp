// How the tool reads a record's values: the list's order, calendar dates and
// texts for messages.
#include "vmrtool/VmrTool.h"

#include "toolkit/text/Text.h"

namespace {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

std::string listKey(const ClientRecord& record) {
    std::string key = recordName(record);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool isCalendarDate(std::int32_t value) {
    const int year = value / 10000;
    const int month = value / 100 % 100;
    const int day = value % 100;
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

std::string shownText(std::string_view win1252) {
    std::string shown = "\"";
    for (const char c : win1252) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
            constexpr char hex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        } else {
            shown += win1252ToUtf8(std::string_view(&c, 1));
        }
    }
    return shown + "\"";
}
