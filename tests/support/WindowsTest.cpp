#include "WindowsTest.h"

#include "toolkit/Modal.h"
#include "toolkit/Registry.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

namespace {

constexpr UINT watchdogMs = 20000;
constexpr ULONGLONG pollMs = 20;

std::map<UINT_PTR, std::function<void()>>& tasks() {
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}

void CALLBACK runTask(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const auto found = tasks().find(timer);
    if (found == tasks().end()) return;
    const std::function<void()> task = std::move(found->second);
    tasks().erase(found);
    try {
        task();
    } catch (...) {
        ADD_FAILURE() << "a task run from a timer threw";
    }
}

void CALLBACK onWatchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    ADD_FAILURE() << "still in a modal loop after " << watchdogMs << " ms; closed "
                  << closeThreadDialogs() << " dialogs";
}

BOOL CALLBACK collectDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring_view(name) == L"#32770")
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

} // namespace

void WindowsTest::SetUp() {
    static const bool commonControls = [] {
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                           ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    ASSERT_TRUE(commonControls);
    watchdog = SetTimer(nullptr, 0, watchdogMs, onWatchdog);
}

void WindowsTest::TearDown() {
    KillTimer(nullptr, watchdog);
    for (const auto& [timer, task] : tasks())
        KillTimer(nullptr, timer);
    tasks().clear();
    closeThreadDialogs();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

void runSoon(std::function<void()> task, UINT delayMs) {
    const UINT_PTR timer = SetTimer(nullptr, 0, delayMs, runTask);
    ASSERT_NE(timer, 0u) << "SetTimer failed: " << GetLastError();
    tasks()[timer] = std::move(task);
}

void pumpMessages(DWORD milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    MSG message;
    for (;;) {
        if (condition()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(end - now, pollMs)),
                                  QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

std::vector<HWND> threadDialogWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> threadMessageBoxes() {
    std::vector<HWND> boxes;
    for (HWND window : threadDialogWindows())
        if (!findDialog(window) && IsWindowVisible(window)) boxes.push_back(window);
    return boxes;
}

int closeThreadDialogs() {
    const std::vector<HWND> open = threadDialogWindows();
    for (HWND window : open) {
        if (findDialog(window))
            dialogEnd(window, 0);
        else
            EndDialog(window, IDCANCEL);
    }
    return static_cast<int>(open.size());
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}
