// A stand-in for a system DLL, planted beside a program to show whether the
// program loads it. Loading it leaves the marker file "planted-dll-loaded"
// beside it, holding the path of the program that loaded it; the load then
// fails, so nothing ever calls into the stand-in.
#include <windows.h>

#include <memory>

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

constexpr wchar_t markerName[] = L"planted-dll-loaded";

void leaveMarker(HINSTANCE instance) {
    wchar_t marker[MAX_PATH + sizeof markerName / sizeof(wchar_t)] = {};
    const DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    wchar_t* end = marker + length;
    while (end > marker && end[-1] != L'\\')
        --end;
    lstrcpyW(end, markerName);
    const UniqueHandle file(CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return;
    wchar_t loader[MAX_PATH] = {};
    const DWORD loaderLength = GetModuleFileNameW(nullptr, loader, MAX_PATH);
    DWORD written = 0;
    WriteFile(file.get(), loader, loaderLength * DWORD(sizeof(wchar_t)), &written, nullptr);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    leaveMarker(instance);
    return FALSE;
}
