#include "win_process.h"

#include "mainwin/MainWindow.h"
#include "toolkit/Boxes.h"
#include "toolkit/Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Wine starts a process in a second or two; a loaded machine needs more.
constexpr DWORD patience = 30000;
constexpr DWORD pollEvery = 20;

template <typename Condition> bool waitFor(Condition condition) {
    for (DWORD waited = 0; waited < patience; waited += pollEvery) {
        if (condition()) return true;
        Sleep(pollEvery);
    }
    return condition();
}

std::wstring mainTitle() {
    const std::u16string title = win1252ToUtf16(mainWindowTitle());
    return std::wstring(title.begin(), title.end());
}

DWORD processOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

HWND findWindow(DWORD processId, const wchar_t* title) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, title)) != nullptr) {
        if (processOf(window) == processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

LRESULT sendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, patience, &result);
    return static_cast<LRESULT>(result);
}

} // namespace

TempFolder::TempFolder() {
    static int made = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path = std::wstring(temp) + L"vellumor-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++made) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
}

// The program's file may stay locked for a moment after its process ended.
TempFolder::~TempFolder() {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring file = path + found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            for (int attempt = 0; attempt < 100 && !DeleteFileW(file.c_str()); ++attempt)
                Sleep(pollEvery);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring TempFolder::installProgram() const {
    const std::wstring exe = path + L"vellumor.exe";
    CopyFileW((programFolder() + L"vellumor.exe").c_str(), exe.c_str(), FALSE);
    return exe;
}

bool TempFolder::hasClientFile() const {
    return GetFileAttributesW((path + L"vellumor.vmr").c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::uint8_t> TempFolder::clientFile() const {
    std::ifstream file(std::filesystem::path(path + L"vellumor.vmr"), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void TempFolder::writeClientFile(const std::vector<std::uint8_t>& bytes) const {
    std::ofstream file(std::filesystem::path(path + L"vellumor.vmr"), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Started from the temporary folder's parent: the working folder plays no part.
Program::Program(const std::wstring& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, temp, &startup,
                   &process);
}

Program::~Program() {
    if (process.hProcess == nullptr) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, patience);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

DWORD Program::waitForExit() const {
    DWORD code = STILL_ACTIVE;
    if (process.hProcess != nullptr && WaitForSingleObject(process.hProcess, patience) == 0)
        GetExitCodeProcess(process.hProcess, &code);
    return code;
}

HWND waitForWindow(const Program& program, const wchar_t* title) {
    HWND window = nullptr;
    waitFor([&] { return (window = findWindow(program.id(), title)) != nullptr; });
    return window;
}

HWND waitForMainWindow(const Program& program) {
    return waitForWindow(program, mainTitle().c_str());
}

HWND waitForControl(HWND window, int id) {
    HWND control = nullptr;
    waitFor(
        [&] { return (control = GetDlgItem(window, id)) != nullptr && IsWindowVisible(control); });
    return control;
}

bool waitUntilGone(HWND window) {
    return waitFor([&] { return !IsWindow(window); });
}

int mainWindowCount() {
    int count = 0;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, mainTitle().c_str())) != nullptr)
        if (IsWindowVisible(window)) ++count;
    return count;
}

// Posted, as a real click is queued: a click that opens a modal window would
// keep a sent message from returning until that window closed.
void click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

void typeText(HWND window, int id, const std::wstring& text) {
    sendWaiting(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring controlText(HWND window, int id) {
    const HWND control = GetDlgItem(window, id);
    std::wstring text(std::size_t(sendWaiting(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(std::size_t(
        sendWaiting(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// The message box's text is its static control 0xFFFF.
std::wstring boxText(HWND box) { return controlText(box, 0xFFFF); }

std::vector<std::wstring> listLines(HWND main) {
    const HWND list = GetDlgItem(main, clientList);
    std::vector<std::wstring> lines;
    const LRESULT count = sendWaiting(list, LB_GETCOUNT, 0, 0);
    for (WPARAM k = 0; k < WPARAM(count); ++k) {
        std::wstring line(std::size_t(sendWaiting(list, LB_GETTEXTLEN, k, 0)) + 1, L'\0');
        line.resize(
            std::size_t(sendWaiting(list, LB_GETTEXT, k, reinterpret_cast<LPARAM>(line.data()))));
        lines.push_back(line);
    }
    return lines;
}

void quitSaving(const Program& program, HWND main) {
    click(main, 108);
    const HWND box = waitForWindow(program, L"Closing Program");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(boxText(box), L"File has changed...\r\nDo you want to save the changes?");
    click(box, IDYES);
    EXPECT_EQ(program.waitForExit(), 0u);
}

DWORD runToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, folder.c_str(), &startup, &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}
