// Little-endian integers kept as byte arrays, assembled one byte at a time so
// that no multi-byte value is ever accessed through a misaligned typed pointer.
#pragma once

#include <cstddef>
#include <cstdint>

inline std::uint32_t readLittleEndian(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t k = size; k-- > 0;)
        value = value << 8 | bytes[k];
    return value;
}

inline void writeLittleEndian(std::uint8_t* bytes, std::size_t size, std::uint32_t value) {
    for (std::size_t k = 0; k < size; ++k, value >>= 8)
        bytes[k] = static_cast<std::uint8_t>(value & 0xFF);
}

// Two's complement reading of 32 bits, without relying on how the compiler
// converts an out-of-range unsigned value.
inline std::int32_t signed32(std::uint32_t value) {
    return value < 0x80000000u ? static_cast<std::int32_t>(value)
                               : static_cast<std::int32_t>(value - 0x80000000u) + INT32_MIN;
}

// Two's complement reading of the low 16 bits.
inline std::int16_t signed16(std::uint32_t value) {
    value &= 0xFFFFu;
    return static_cast<std::int16_t>(value < 0x8000u ? static_cast<std::int32_t>(value)
                                                     : static_cast<std::int32_t>(value) - 0x10000);
}
