// Date values as the records hold them: year * 10000 + month * 100 + day.
#pragma once

#include <cstdint>

// A date value that names a real day of the Gregorian calendar, years 1 to 9999.
bool isCalendarDate(std::int32_t value);
// A time of day held as hour * 10000 + minute * 100 + second, from 000000 to
// 235959.
bool isClockTime(std::int32_t time);

// Consecutive days count up by one: the difference of two calendar dates'
// numbers is the days between them. Meant for calendar dates only; any other
// value gives some number, without overflow.
std::int32_t dayNumber(std::int32_t value);
