// Another program holding a file, as a virus scanner, a backup or an indexer
// does for a moment: it opens the file with no sharing, keeps it open for the
// given time and ends. Exit code 0, or 1 when the file could not be opened.
// Usage: file_holder PATH MILLISECONDS
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(file);
    return 0;
}
