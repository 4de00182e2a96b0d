#include "records/FileAccess.h"

#include <algorithm>
#include <memory>

namespace {

bool moveOver(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

} // namespace

HANDLE FileAccess::open(const std::wstring& path, DWORD access, DWORD disposition) {
    return CreateFileW(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool FileAccess::read(HANDLE file, void* buffer, DWORD size, DWORD& done) {
    return ReadFile(file, buffer, size, &done, nullptr) != FALSE;
}

bool FileAccess::write(HANDLE file, const void* data, DWORD size, DWORD& done) {
    return WriteFile(file, data, size, &done, nullptr) != FALSE;
}

bool FileAccess::flush(HANDLE file) { return FlushFileBuffers(file) != FALSE; }

bool FileAccess::setSize(HANDLE file, std::uint64_t size) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

void FileAccess::close(HANDLE file) { CloseHandle(file); }

DWORD FileAccess::attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool FileAccess::information(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& information) {
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool got = GetFileInformationByHandle(file, &information) != FALSE;
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return got;
}

// One rename puts the new file in place, so the client file's name is never
// vacant, even when the process is killed in the middle. (ReplaceFileW renames
// the old file away first and the new one in afterwards; a kill between the
// two, or a failure, leaves no client file at all.) The old file is kept under
// `backup` as a second link to it, or as a copy where links are not possible.
bool FileAccess::replace(const std::wstring& target, const std::wstring& replacement,
                         const std::wstring& backup) {
    // Fails, as ReplaceFileW does, while another handle holds the file without
    // sharing it for deletion.
    const HANDLE held =
        CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (held == INVALID_HANDLE_VALUE) return false;
    CloseHandle(held);
    if (!backup.empty() && !link(target, backup) && !copy(target, backup)) return false;
    if (moveOver(replacement, target)) return true;
    const DWORD error = GetLastError();
    if (!backup.empty()) DeleteFileW(backup.c_str());
    SetLastError(error);
    return false;
}

bool FileAccess::move(const std::wstring& from, const std::wstring& to) {
    return moveOver(from, to);
}

bool FileAccess::remove(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool FileAccess::size(const std::wstring& path, std::uint64_t& bytes) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    bytes = std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    return true;
}

bool FileAccess::createFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool FileAccess::link(const std::wstring& existing, const std::wstring& path) {
    return CreateHardLinkW(path.c_str(), existing.c_str(), nullptr) != FALSE;
}

bool FileAccess::copy(const std::wstring& existing, const std::wstring& path) {
    return CopyFileW(existing.c_str(), path.c_str(), TRUE) != FALSE;
}

bool FileAccess::list(const std::wstring& folder, std::vector<std::wstring>& names) {
    struct SearchCloser {
        void operator()(HANDLE search) const { FindClose(search); }
    };
    WIN32_FIND_DATAW found;
    const HANDLE first = FindFirstFileW((folder + L"*").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    const std::unique_ptr<void, SearchCloser> search(first);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(search.get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

namespace {

// What another program's handle on a file gives: opened without the sharing
// the step needs (sharing violation; access denied for a rename or delete),
// or a range of it locked.
bool heldByAnother(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

constexpr DWORD holdWaited = 3000; // ms
constexpr DWORD firstPause = 25;
constexpr DWORD longestPause = 500;

} // namespace

bool pausedForHold(ULONGLONG start, DWORD& pause) {
    const ULONGLONG waited = GetTickCount64() - start;
    if (!heldByAnother(GetLastError()) || waited >= holdWaited) return false;
    pause = pause == 0 ? firstPause : std::min(pause * 2, longestPause);
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, holdWaited - waited)));
    return true;
}

DWORD writeAll(const FileHandle& file, const std::uint8_t* data, std::size_t size) {
    for (std::size_t written = 0; written < size;) {
        DWORD done = 0;
        const auto piece = static_cast<DWORD>(std::min(size - written, ioChunk));
        if (!fileAccess().write(file.get(), data + written, piece, done)) return GetLastError();
        if (done == 0) return ERROR_WRITE_FAULT;
        written += done;
    }
    return ERROR_SUCCESS;
}

namespace {

FileAccess kernelAccess;
FileAccess* current = &kernelAccess;

} // namespace

FileAccess& fileAccess() { return *current; }

void installFileAccess(FileAccess* access) { current = access ? access : &kernelAccess; }
