// The program entry: refuses the Windows 9x family, hardens the DLL search,
// lets one copy write the client file, prepares COM and the common controls,
// and runs the main window until it closes.
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
#include "records/ClientLock.h"
#include "toolkit/SystemFunction.h"
#include "toolkit/Wide.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
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
// therefore works on the same client file; read-only or not.
HWND runningCopyWindow() {
    const std::wstring folder = lowerCase(programFolder());
    for (const std::string& caption : {mainWindowTitle(), readOnlyTitle()}) {
        const std::wstring title = widen(caption);
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            if (processId != GetCurrentProcessId() && processFolder(processId) == folder)
                return window;
        }
    }
    return nullptr;
}

// The copy of this Windows session that runs on the client file owns a mutex
// of the session's namespace from its start until its window has closed.
class SessionCopy {
  public:
    SessionCopy() : mutex(CreateMutexW(nullptr, TRUE, sessionMutexName(clientFilePath()).c_str())) {
        owner = mutex && GetLastError() != ERROR_ALREADY_EXISTS;
    }
    SessionCopy(const SessionCopy&) = delete;
    SessionCopy& operator=(const SessionCopy&) = delete;
    ~SessionCopy() { release(); }

    // Another copy of this session runs on the client file. While its window
    // is up, it comes to the front, with its form or message box when one is
    // open, and true says that this start ends. A copy still starting has no
    // window yet, and one that is ending has none any more: this start waits
    // for the one or the other, up to 10 s, and goes on once the ending copy
    // has let go of the mutex (or after the 10 s: the client file's lock then
    // tells the user who has it). A start never ends without a word.
    bool broughtOtherToFront() {
        const ULONGLONG deadline = GetTickCount64() + 10000;
        while (!owner && mutex) {
            if (const HWND window = runningCopyWindow()) {
                if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
                SetForegroundWindow(GetLastActivePopup(window));
                return true;
            }
            const DWORD waited = WaitForSingleObject(mutex.get(), 100);
            owner = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
            if (!owner && GetTickCount64() >= deadline) break;
        }
        return false;
    }
    // The window has closed: a new start of this session goes on at once.
    void release() {
        if (owner) ReleaseMutex(mutex.get());
        owner = false;
    }

  private:
    UniqueHandle mutex;
    bool owner = false;
};

// A name the system writes into a buffer; empty when it cannot.
std::string systemName(BOOL(WINAPI* get)(LPWSTR, LPDWORD)) {
    std::wstring name(lockNameLimit + 1, L'\0');
    DWORD size = static_cast<DWORD>(name.size());
    if (!get(name.data(), &size)) return {};
    name.resize(std::min<std::size_t>(size, name.size()));
    return narrow(name.substr(0, name.find(L'\0'))); // some count the closing zero
}

// Who this copy is, for the line of the client file's lock.
LockHolder thisCopy() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {systemName(GetComputerNameW),
            systemName(GetUserNameW),
            {now.wYear * 10000 + now.wMonth * 100 + now.wDay,
             now.wHour * 10000 + now.wMinute * 100 + now.wSecond}};
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (isWindows9x()) {
        MessageBoxW(nullptr, L"Win98 No Support", nullptr, MB_OK | MB_ICONSTOP);
        return win9xExitCode;
    }
    restrictDllSearch();
    SessionCopy sessionCopy;
    if (sessionCopy.broughtOtherToFront()) return 0;
    // One copy writes the client file, wherever it runs: two copies would each
    // save, and the last save would silently wipe the other's changes. Taken
    // before the journal is looked at or any file is made.
    ClientLock lock;
    const LockResult locked = lock.take(clientFilePath(), thisCopy());
    registerForRestart();
    // The program is DPI aware by its manifest (cmake/ProgramResources.cmake),
    // which Windows applies before any code runs; it makes no call for it.
    const ComLibrary com;
    const UniqueLibrary commonControls = initialiseCommonControls();
    const bool ran = runMainWindow(locked);
    lock.release();
    sessionCopy.release();
    return ran ? 0 : 1;
}
