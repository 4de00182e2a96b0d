// Eight bytes of text at a time, for the loops that pass over long runs of
// plain text: a word is read from any place, and each test gives a word with
// the high bit set in every byte that passes it. A lower byte that passes may
// set the bit of a higher one too, never of a lower one, so the lowest bit set
// marks the first byte that passes exactly, and a word has a mark exactly when
// one of its bytes passes. The bytes of a word are in memory order on the
// little-endian machines the tool is built for.
#pragma once

#include <cstdint>
#include <cstring>

constexpr std::uint64_t everyByte = 0x0101010101010101u;
constexpr std::uint64_t highBits = everyByte * 0x80;

inline std::uint64_t eightAt(const char* bytes) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, bytes, sizeof eight);
    return eight;
}

// Bytes below `limit` (at most 0x80) or with their high bit set.
inline std::uint64_t bytesBelow(std::uint64_t eight, unsigned char limit) {
    return ((eight - everyByte * limit) | eight) & highBits;
}

inline std::uint64_t bytesEqual(std::uint64_t eight, char c) {
    const std::uint64_t differences = eight ^ (everyByte * static_cast<unsigned char>(c));
    return (differences - everyByte) & ~differences & highBits;
}

// The place in the word of the first byte that a test's result marks.
inline unsigned firstMarked(std::uint64_t marks) {
    return static_cast<unsigned>(__builtin_ctzll(marks)) / 8;
}
