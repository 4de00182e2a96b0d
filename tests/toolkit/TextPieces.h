// Text operations of the toolkit's set that the program itself has no use
// for: blanks trimmed from either end, and texts stored in and loaded from
// zero-terminated fields of a fixed size. The host tests and the fuzz targets
// check them with the program's own conversions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// Without the leading, respectively trailing, blanks (byte 32 only).
inline std::string trimLeft(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? "" : std::string(text.substr(first));
}

inline std::string trimRight(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? "" : std::string(text.substr(0, last + 1));
}

// Copies at most size - 1 bytes (stopping at a NUL in the text) and one NUL;
// the bytes after that NUL are left as they were. Nothing is written for size 0.
inline void storeZeroTerminated(std::string_view text, char* field, std::size_t size) {
    if (size == 0) return;
    const std::size_t count = std::min({text.find('\0'), text.size(), size - 1});
    std::copy_n(text.begin(), count, field);
    field[count] = '\0';
}

// The bytes before the first NUL, never more than `size`.
inline std::string loadZeroTerminated(const char* field, std::size_t size) {
    return std::string(field,
                       static_cast<std::size_t>(std::find(field, field + size, '\0') - field));
}
