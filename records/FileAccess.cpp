#include "records/FileAccess.h"

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

void FileAccess::close(HANDLE file) { CloseHandle(file); }

DWORD FileAccess::attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool FileAccess::replace(const std::wstring& target, const std::wstring& replacement,
                         const std::wstring& backup) {
    return ReplaceFileW(target.c_str(), replacement.c_str(),
                        backup.empty() ? nullptr : backup.c_str(), 0, nullptr, nullptr) != FALSE;
}

bool FileAccess::move(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool FileAccess::remove(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

namespace {

FileAccess kernelAccess;
FileAccess* current = &kernelAccess;

} // namespace

FileAccess& fileAccess() { return *current; }

void installFileAccess(FileAccess* access) { current = access ? access : &kernelAccess; }
