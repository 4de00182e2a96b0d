// What the fuzz targets share: a check that reports the value it got and aborts,
// so that libFuzzer keeps the input that broke a property as a crash file, a
// printable form of byte strings for those reports, and little-endian numbers
// read from input bytes independently of the code under test.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

[[noreturn]] __attribute__((format(printf, 4, 5))) inline void
fuzzFail(const char* file, int line, const char* condition, const char* format, ...) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n  ", file, line, condition);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    std::abort();
}

#define FUZZ_EXPECT(condition, ...)                                                                \
    do {                                                                                           \
        if (!(condition)) fuzzFail(__FILE__, __LINE__, #condition, __VA_ARGS__);                   \
    } while (false)

// The bytes in double quotes, with every byte outside printable ASCII as \xNN.
inline std::string shown(std::string_view bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            text += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            text += escape;
        }
    }
    return text + "\"";
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The first four bytes as a little-endian number, missing bytes zero.
inline std::uint32_t littleEndianWord(std::string_view bytes) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
        word |= std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << (8 * i);
    return word;
}
