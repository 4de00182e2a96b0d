// The file operations behind the client file, gathered in one place so that the
// tests can make any single step fail. The default does the KERNEL32 calls;
// like them, every operation reports failure through its result and leaves the
// reason in the thread's last error.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class FileAccess {
  public:
    FileAccess() = default;
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;
    virtual ~FileAccess() = default;

    // CreateFileW with no sharing; INVALID_HANDLE_VALUE when it fails.
    virtual HANDLE open(const std::wstring& path, DWORD access, DWORD disposition);
    // ReadFile; `done` is 0 at the end of the file.
    virtual bool read(HANDLE file, void* buffer, DWORD size, DWORD& done);
    virtual bool write(HANDLE file, const void* data, DWORD size, DWORD& done);
    virtual bool flush(HANDLE file);
    // Ends the file at `size` bytes; the next write goes there.
    virtual bool setSize(HANDLE file, std::uint64_t size);
    virtual void close(HANDLE file);
    // GetFileAttributesW; INVALID_FILE_ATTRIBUTES when the file is missing.
    virtual DWORD attributes(const std::wstring& path);
    // GetFileInformationByHandle of the file, opened for no access and with all
    // sharing, which disturbs no other handle to it.
    virtual bool information(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& information);
    // `replacement` takes the name of `target` in one rename; the replaced file
    // is kept as `backup` unless that is empty. Absolute paths only.
    virtual bool replace(const std::wstring& target, const std::wstring& replacement,
                         const std::wstring& backup);
    // MoveFileExW over an existing `to`, written through to the disk.
    virtual bool move(const std::wstring& from, const std::wstring& to);
    virtual bool remove(const std::wstring& path);
    // GetFileAttributesExW: the file's size in bytes.
    virtual bool size(const std::wstring& path, std::uint64_t& bytes);
    // CreateDirectoryW; fails with ERROR_ALREADY_EXISTS when the name is taken.
    virtual bool createFolder(const std::wstring& path);
    // CreateHardLinkW: `path` becomes a second name of the file `existing`.
    virtual bool link(const std::wstring& existing, const std::wstring& path);
    // CopyFileW, never over an existing `path`.
    virtual bool copy(const std::wstring& existing, const std::wstring& path);
    // Adds the names of the files, not the folders, in `folder` (which ends
    // with a path separator) to `names`.
    virtual bool list(const std::wstring& folder, std::vector<std::wstring>& names);
};

// After a failed try of a step begun at `start` (GetTickCount64): whether to
// try again, having paused, because the last error says another program holds
// the file and 3 seconds have not passed. `pause` starts at 0 and grows.
bool pausedForHold(ULONGLONG start, DWORD& pause);

// Tries `step` again while it fails because another program holds the file (a
// virus scanner, a backup or sync program, an indexer: each opens files for a
// moment), after pauses that grow from 25 ms to half a second, for 3 seconds
// at the most. Its result is the last try's, with that try's last error.
template <typename Step> bool retryWhileHeld(Step step) {
    const ULONGLONG start = GetTickCount64();
    for (DWORD pause = 0; !step();)
        if (!pausedForHold(start, pause)) return false;
    return true;
}

// The operations in use. Tests install their own and restore the default by
// installing nullptr.
FileAccess& fileAccess();
void installFileAccess(FileAccess* access);

// An open file, closed through fileAccess() when it goes out of scope.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : value(handle) {}
    FileHandle(FileHandle&& other) noexcept
        : value(std::exchange(other.value, INVALID_HANDLE_VALUE)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            close();
            value = std::exchange(other.value, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    ~FileHandle() { close(); }

    HANDLE get() const { return value; }
    bool isOpen() const { return value != INVALID_HANDLE_VALUE; }
    void close() {
        if (isOpen()) fileAccess().close(std::exchange(value, INVALID_HANDLE_VALUE));
    }

  private:
    HANDLE value;
};

// Reads and writes go in pieces of this size.
constexpr std::size_t ioChunk = 64 * 1024;

// Writes all `size` bytes, in pieces of ioChunk at the most: ERROR_SUCCESS, or
// the error that stopped it.
DWORD writeAll(const FileHandle& file, const std::uint8_t* data, std::size_t size);
