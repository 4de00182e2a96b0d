#include "records/ClientLock.h"

#include <windows.h>

namespace {

OVERLAPPED lockedRange() {
    OVERLAPPED range{};
    range.Offset = static_cast<DWORD>(lockedByte);
    range.OffsetHigh = static_cast<DWORD>(lockedByte >> 32);
    return range;
}

bool tryLock(const FileHandle& file, DWORD flags) {
    OVERLAPPED range = lockedRange();
    return LockFileEx(file.get(), flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range) != FALSE;
}

void unlock(const FileHandle& file) {
    OVERLAPPED range = lockedRange();
    UnlockFileEx(file.get(), 0, 1, 0, &range);
}

// Shared with readers and with other copies trying the lock, never with a
// delete.
FileHandle openLockFile(const std::wstring& clientFile, DWORD access, DWORD disposition) {
    return FileHandle(CreateFileW(lockFileName(clientFile).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The holder's line, read from the start of the file, before the locked byte.
std::optional<LockHolder> readHolder(const FileHandle& file) {
    char bytes[lockLineLimit];
    OVERLAPPED start{};
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes, sizeof bytes, &got, &start)) return std::nullopt;
    return decodeLockLine(std::string_view(bytes, got));
}

void writeLine(const FileHandle& file, const std::string& line) {
    LARGE_INTEGER start{};
    DWORD written = 0;
    if (SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()))
        WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

std::wstring lockFileName(const std::wstring& clientFile) {
    return clientFile + std::wstring(std::begin(lockFileSuffix), std::end(lockFileSuffix) - 1);
}

bool lockIsHeld(const std::wstring& clientFile, std::optional<LockHolder>& holder) {
    holder.reset();
    const FileHandle file = openLockFile(clientFile, GENERIC_READ, OPEN_EXISTING);
    if (!file.isOpen()) return false;
    if (tryLock(file, 0)) {
        unlock(file);
        return false;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
    holder = readHolder(file);
    return true;
}

LockResult ClientLock::take(const std::wstring& clientFile, const LockHolder& self) {
    release();
    FileHandle opened = openLockFile(clientFile, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    LockResult result;
    if (!opened.isOpen()) {
        // A lock file this user may not write, in a folder another user's copy
        // works in: that copy may still hold it.
        const bool held = lockIsHeld(clientFile, result.holder);
        result.outcome = held ? LockOutcome::heldElsewhere : LockOutcome::unavailable;
    } else if (tryLock(opened, LOCKFILE_EXCLUSIVE_LOCK)) {
        // The line only informs: the lock holds whether it could be written or not.
        writeLine(opened, encodeLockLine(self));
        file = std::move(opened);
    } else if (GetLastError() == ERROR_LOCK_VIOLATION) {
        result = {LockOutcome::heldElsewhere, readHolder(opened)};
    } else {
        result.outcome = LockOutcome::unavailable; // a file system without locks
    }
    return result;
}

void ClientLock::release() {
    if (!file.isOpen()) return;
    unlock(file); // closing the handle frees it too, but not always at once
    file.close();
}
