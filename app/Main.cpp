// The program entry: refuses the Windows 9x family, hardens the DLL search,
// lets one copy run per client file, prepares COM and the common controls, and
// runs the main window until it closes.
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
#include "toolkit/SystemFunction.h"
#include "toolkit/Wide.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

namespace {

constexpr int win9xExitCode = 255;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct LibraryFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

// COMCTL32 and OLE32 are loaded from the system folder by their full path
// rather than imported: an imported DLL that is not one of the system's known
// DLLs is looked for beside the program first, before any code of the program
// runs to limit the search.
UniqueLibrary systemLibrary(const wchar_t* name) {
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) return nullptr;
    path.resize(length);
    return UniqueLibrary(LoadLibraryW((path + L"\\" + name).c_str()));
}

// COM for the whole run, released at exit when it was initialised.
class ComLibrary {
  public:
    ComLibrary() : ole32_(systemLibrary(L"ole32.dll")) {
        using CoInitializeEx = HRESULT(WINAPI*)(void*, DWORD);
        if (const auto initialise = libraryFunction<CoInitializeEx>(ole32_.get(), "CoInitializeEx"))
            initialised_ = SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED));
    }
    ComLibrary(const ComLibrary&) = delete;
    ComLibrary& operator=(const ComLibrary&) = delete;
    ~ComLibrary() {
        using CoUninitialize = void(WINAPI*)();
        const auto release = libraryFunction<CoUninitialize>(ole32_.get(), "CoUninitialize");
        if (initialised_ && release) release();
    }

  private:
    UniqueLibrary ole32_;
    bool initialised_ = false;
};

// The high bit of the version marks Windows 95, 98 and Me, where most wide
// functions (GetVersionExW among them) are stubs that fail.
bool isWindows9x() { return (GetVersion() & 0x80000000u) != 0; }

// DLLs come from the system folder only, so one planted beside the program is
// never loaded.
void restrictDllSearch() {
    using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    if (const auto set =
            systemFunction<SetDefaultDllDirectories>(L"kernel32.dll", "SetDefaultDllDirectories")) {
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// After an update's restart of the system, Windows starts the program again,
// and the recovery question brings back the changes of the ended session. Not
// after a crash or a hang: the next start by the user offers them then.
void registerForRestart() {
    using RegisterApplicationRestart = HRESULT(WINAPI*)(PCWSTR, DWORD);
    if (const auto registerRestart = systemFunction<RegisterApplicationRestart>(
            L"kernel32.dll", "RegisterApplicationRestart")) {
        registerRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG);
    }
}

// Registers the status bar's window class; the library stays loaded for the run.
UniqueLibrary initialiseCommonControls() {
    UniqueLibrary comctl32 = systemLibrary(L"comctl32.dll");
    using InitCommonControlsEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto initialise =
            libraryFunction<InitCommonControlsEx>(comctl32.get(), "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
        initialise(&controls);
    }
    return comctl32;
}

std::wstring lowerCase(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// A mutex name holds no backslash and is short, so the client file's path,
// case-folded, is reduced to its FNV-1a hash.
std::wstring copyMutexName() {
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : lowerCase(clientFilePath())) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    return L"Local\\Vellumor-" + std::to_wstring(hash);
}

// The case-folded folder of another process's program file; empty when unknown.
std::wstring processFolder(DWORD processId) {
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return {};
    std::wstring path(MAX_PATH * 4, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    path.resize(size);
    path.erase(path.find_last_of(L'\\') + 1);
    return lowerCase(path);
}

// The main window of another copy started from this program's folder, which
// therefore works on the same client file.
HWND runningCopyWindow() {
    const std::wstring title = widen(mainWindowTitle());
    const std::wstring folder = lowerCase(programFolder());
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId != GetCurrentProcessId() && processFolder(processId) == folder) return window;
    }
    return nullptr;
}

// The running copy may still be creating its window, so it is looked for a
// few times. Its form or message box, when one is open, comes to the front
// with it.
void bringRunningCopyToFront() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (const HWND window = runningCopyWindow()) {
            if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
            SetForegroundWindow(GetLastActivePopup(window));
            return;
        }
        Sleep(100);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (isWindows9x()) {
        MessageBoxW(nullptr, L"Win98 No Support", nullptr, MB_OK | MB_ICONSTOP);
        return win9xExitCode;
    }
    restrictDllSearch();
    // One copy per client file: two copies would each save, and the last save
    // would silently wipe the other's changes.
    const UniqueHandle oneCopy(CreateMutexW(nullptr, FALSE, copyMutexName().c_str()));
    if (oneCopy && GetLastError() == ERROR_ALREADY_EXISTS) {
        bringRunningCopyToFront();
        return 0;
    }
    registerForRestart();
    // The program is DPI aware by its manifest (cmake/ProgramResources.cmake),
    // which Windows applies before any code runs; it makes no call for it.
    const ComLibrary com;
    const UniqueLibrary commonControls = initialiseCommonControls();
    return runMainWindow() ? 0 : 1;
}
