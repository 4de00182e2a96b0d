#include "records/CalendarDate.h"

namespace {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

bool isCalendarDate(std::int32_t value) {
    const int year = value / 10000;
    const int month = value / 100 % 100;
    const int day = value % 100;
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

bool isClockTime(std::int32_t time) {
    return time >= 0 && time / 10000 < 24 && time / 100 % 100 < 60 && time % 100 < 60;
}

// Years counted from March, so that the leap day ends a year: a year's days
// before a month then follow one formula, (153 * month + 2) / 5.
std::int32_t dayNumber(std::int32_t value) {
    const int month = value / 100 % 100;
    const int year = value / 10000 - (month <= 2 ? 1 : 0);
    const int marchMonth = month > 2 ? month - 3 : month + 9;
    const int dayOfYear = (153 * marchMonth + 2) / 5 + value % 100 - 1;
    return year * 365 + year / 4 - year / 100 + year / 400 + dayOfYear;
}
