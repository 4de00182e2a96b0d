// The client file's lock (records/LockLine.h), as a copy of the program takes
// it at start and holds it until it ends. A byte-range lock, not a share mode:
// it holds across computers through a shared folder, and the system frees it
// with the process that holds it, when that crashes or is killed too.
#pragma once

#include "records/FileAccess.h"
#include "records/LockLine.h"

#include <optional>
#include <string>

// "<client file>.lock".
std::wstring lockFileName(const std::wstring& clientFile);

// Whether a copy of the program holds the lock of `clientFile`, and who, when
// its line can be read; for readers that only look. A shared lock tries the
// byte and is let go at once; no lock file is made and nothing is written.
bool lockIsHeld(const std::wstring& clientFile, std::optional<LockHolder>& holder);

enum class LockOutcome {
    taken,         // this copy holds the lock
    heldElsewhere, // another copy holds it
    unavailable,   // no lock file could be opened or locked (a folder the user cannot write)
};

struct LockResult {
    LockOutcome outcome = LockOutcome::taken;
    std::optional<LockHolder> holder; // heldElsewhere: who holds it, when its line could be read
};

class ClientLock {
  public:
    ClientLock() = default;
    ClientLock(const ClientLock&) = delete;
    ClientLock& operator=(const ClientLock&) = delete;
    ~ClientLock() { release(); }

    // Tries the lock of `clientFile` once, without waiting. Taken, it writes
    // `self`'s line as the lock file's whole text. Held by another copy, that
    // copy's line is read; nothing is written then, nor when it is
    // unavailable. The lock file is never deleted: another copy may be
    // opening it at that moment, and it would then lock a file of that name
    // that is no longer this one.
    LockResult take(const std::wstring& clientFile, const LockHolder& self);
    // Lets the next copy take it at once.
    void release();

  private:
    FileHandle file; // open while this copy holds the lock
};
