#include "records/FileReports.h"

#include "records/FileAccess.h"

std::string reasonFor(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "another program is using it";
    case ERROR_ACCESS_DENIED:
        return "access to it was denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    case ERROR_WRITE_PROTECT:
        return "the disk is write-protected";
    case ERROR_PATH_NOT_FOUND:
        return "its folder does not exist";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return "there is not enough memory";
    default:
        return "Windows error " + std::to_string(error);
    }
}

// Latin-1 and Windows-1252 agree but for 0x80 to 0x9F.
std::string shownPath(const std::wstring& path) {
    std::string shown;
    for (const wchar_t c : path)
        shown += c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?';
    return shown;
}

std::string shownName(const std::wstring& path) {
    return shownPath(path.substr(path.find_last_of(L"\\/") + 1));
}

std::wstring firstFreeName(const std::wstring& stem) {
    for (int n = 1;; ++n) {
        std::wstring name = stem + std::to_wstring(n);
        if (fileAccess().attributes(name) == INVALID_FILE_ATTRIBUTES) return name;
    }
}
