// Text, number and date conversions of the program. Portable: no Win32 here, so
// these build and run natively under the sanitizers and fuzzers as well.
// Texts are Windows-1252 byte strings; positions count bytes from 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A blank before a non-negative number, "-" before a negative one; 0 gives " 0".
// Integral values below 10^15 print their digits; others up to 15 significant
// digits with a decimal point, and an exponent "E+"/"E-" when needed. Infinities and NaN print
// as " inf", "-inf" and " nan".
std::string numberToText(long double value);

// Skips blanks, tabs, CR and LF from `start` (1-based; below 1 counts as 1),
// then reads an optional sign, digits with at most one decimal point and an
// optional exponent (E, e, D or d; saturating at 9999), correctly rounded. A
// text starting with "&H", "&O" or "&B" is read in base 16, 8 or 2. Anything
// unreadable gives 0; a value beyond the long double range gives an infinity.
long double textToNumber(std::string_view text, int start = 1);

// Storing rules of the form: round half to even; u8 keeps the low 8 bits of the
// integer (300 -> 44, -1 -> 255), a magnitude beyond 64 bits (or NaN) stores 0;
// i16 stores the integer when it fits and -32768 otherwise.
std::uint8_t storeU8(long double value);
std::int16_t storeI16(long double value);

// Month-day-year text to year * 10000 + month * 100 + day ("12/25/23" ->
// 20231225, "1-2-3" -> 20030102). Month and day are not checked; the sum wraps
// to 32 bits in two's complement. An empty or blank text gives 0 (no date).
std::int32_t dateFromText(std::string_view text);
// The inverse for eight-digit values (19991225 -> "12-25-1999"); 0 gives "".
std::string dateToText(std::int32_t value);

// Today's local date as MM-DD-YYYY, and the same form for a given date.
std::string todayText();
std::string todayText(int year, int month, int day);

std::string midText(std::string_view text, long long start, long long length);
std::string rightText(std::string_view text, long long n);
std::string fieldOf(std::string_view text, std::string_view delimiters, long long n);
// Bytewise, unsigned, case-sensitive: negative, 0 or positive.
int textCompare(std::string_view a, std::string_view b);

// Windows-1252 <-> UTF-16 with the program's own fixed table, so a file reads
// the same on every machine. A character Windows-1252 cannot hold becomes "?"
// (a surrogate pair counts as one character).
std::u16string win1252ToUtf16(std::string_view text);
std::string utf16ToWin1252(std::u16string_view text);
// UTF-8 output of Windows-1252 text, for exports.
std::string win1252ToUtf8(std::string_view text);
