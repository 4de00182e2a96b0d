// The lock file "<client file>.lock" beside the client file. The copy of the
// program that works on the client file holds an exclusive lock on one byte of
// it, lockedByte, for its whole run; it is the one copy, on any computer, that
// writes the client file. The byte lies far past the file's text, so others
// can read the text while it is locked: one line in which the holder says who
// it is. Here are that line's bytes and the texts that name the holder. Pure:
// no I/O.
#pragma once

#include "records/BackupNames.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr char lockFileSuffix[] = ".lock";
// Byte-range locks need no bytes in the file; this one is never written.
inline constexpr std::uint64_t lockedByte = std::uint64_t{1} << 30;
// A reader reads no more of the lock file than this.
inline constexpr std::size_t lockLineLimit = 1024;
// The longest computer or user name the line holds; a longer one is cut.
inline constexpr std::size_t lockNameLimit = 256;

// Who holds the lock: the computer's and the Windows user's names in
// Windows-1252, and the local time at which that copy started.
struct LockHolder {
    std::string computer;
    std::string user;
    LocalTime started{};
};

// "COMPUTER<tab>USER<tab>YYYY-MM-DD HH:MM:SS" and CR LF. A control character
// in a name becomes "?".
std::string encodeLockLine(const LockHolder& holder);
// The holder the file's first line names; nothing when that line is not
// complete or not of that form: no CR LF, a field missing or empty, a name with
// a control character or beyond lockNameLimit, a time that is no calendar day
// or clock time.
std::optional<LockHolder> decodeLockLine(std::string_view bytes);

// "Vellumor on COMPUTER (user USER)" or, with no holder known, "Vellumor on
// another computer or by another Windows user", to follow "in use by".
std::string holderText(const std::optional<LockHolder>& holder);
// The start as "MM-DD-YYYY HH:MM", the program's form of dates.
std::string startText(LocalTime started);
