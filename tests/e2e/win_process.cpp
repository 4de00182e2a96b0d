#include "win_process.h"

#include "WindowsTest.h"

#include "mainwin/MainWindow.h"
#include "records/BackupNames.h"
#include "records/ClientFile.h"
#include "toolkit/Wide.h"
#include "toolkit/text/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <utility>

namespace {

// Wine starts a process in a second or two; a loaded machine needs more.
constexpr DWORD patience = 30000;

bool waitFor(const std::function<bool()>& condition) { return waitUntil(condition, patience); }

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

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Memory in another process, released with it.
class RemoteMemory {
  public:
    RemoteMemory(HANDLE owner, std::size_t size)
        : process(owner),
          address(VirtualAllocEx(owner, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address != nullptr) VirtualFreeEx(process, address, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* get() const { return address; }

  private:
    HANDLE process;
    void* address;
};

} // namespace

TempFolder::TempFolder() {
    static int made = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path = std::wstring(temp) + L"vellumor-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++made) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeFolder(path); }

std::wstring TempFolder::installProgram() const {
    const std::wstring exe = path + L"vellumor.exe";
    CopyFileW(shippedProgram(L"vellumor.exe").c_str(), exe.c_str(), FALSE);
    return exe;
}

bool TempFolder::hasClientFile() const { return fileExists(clientFilePath()); }

Bytes TempFolder::clientFile() const { return fileBytes(clientFilePath()); }

void TempFolder::writeClientFile(const Bytes& bytes) const {
    writeFileBytes(clientFilePath(), bytes);
}

// The build keeps the shipped programs in VELLUMOR_SHIPPED_FOLDER, a folder
// beside the tests, or none when the tests are of the Release build themselves.
std::wstring shippedProgram(const wchar_t* name) {
    const std::wstring folder = L"" VELLUMOR_SHIPPED_FOLDER;
    return programFolder() + (folder.empty() ? folder : folder + L"\\") + name;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> otherFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L".." && lstrcmpiW(name.c_str(), L"vellumor.exe") != 0 &&
            lstrcmpiW(name.c_str(), L"vellumor.vmr") != 0 &&
            lstrcmpiW(name.c_str(), L"vellumor.vmr.lock") != 0 &&
            lstrcmpiW(name.c_str(), backupFolderName) != 0)
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

FolderContents folderContents(const std::wstring& folder) {
    FolderContents contents;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return contents;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            contents[name] = fileBytes(folder + name);
        } else if (name != L"." && name != L"..") {
            for (auto& [inner, bytes] : folderContents(folder + name + L"\\"))
                contents[name + L"\\" + inner] = std::move(bytes);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return contents;
}

std::vector<std::wstring> changedFiles(const FolderContents& before, const FolderContents& after) {
    FolderContents changed;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                  std::inserter(changed, changed.end()));
    std::vector<std::wstring> names;
    for (const auto& entry : changed)
        names.push_back(entry.first);
    return names;
}

std::vector<std::wstring> backupsIn(const std::wstring& folder) {
    return otherFiles(folder + backupFolderName + L"\\");
}

HeldFile::HeldFile(const std::wstring& path)
    : handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void HeldFile::release() {
    if (held()) CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
}

// Started from the temporary folder's parent: the working folder plays no part.
Program::Program(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, temp, &startup, &process))
        startError = GetLastError();
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

HoldingProgram::HoldingProgram(const std::wstring& path, DWORD milliseconds)
    : Program(programFolder() + L"file_holder.exe",
              L"\"" + path + L"\" " + std::to_wstring(milliseconds)),
      file(path) {}

// Held: an open for reading with every sharing is refused.
bool HoldingProgram::holds() const {
    return waitFor([&] {
        const HANDLE probe = CreateFileW(file.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
        CloseHandle(probe);
        return false;
    });
}

ProcessKiller::ProcessKiller(const Program& program)
    : process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, program.id())) {}

ProcessKiller::~ProcessKiller() {
    if (process != nullptr) CloseHandle(process);
}

// The program's files are closed only once its process has gone, so the kill
// waits for that.
bool ProcessKiller::killAfter(DWORD milliseconds) {
    if (process == nullptr || WaitForSingleObject(process, milliseconds) != WAIT_TIMEOUT)
        return false;
    TerminateProcess(process, 99);
    WaitForSingleObject(process, patience);
    return true;
}

bool ProcessKiller::ended() const {
    return process == nullptr || WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
}

namespace {

// The titles of a process's visible windows, gathered by EnumWindows.
struct WindowsOf {
    DWORD processId;
    std::string titles;
};

BOOL CALLBACK noteWindow(HWND window, LPARAM gathered) {
    WindowsOf& of = *reinterpret_cast<WindowsOf*>(gathered);
    if (processOf(window) == of.processId && IsWindowVisible(window))
        of.titles += " \"" + narrow(windowText(window)) + "\"";
    return TRUE;
}

} // namespace

std::string Program::state() const {
    if (process.hProcess == nullptr) return "not started: error " + std::to_string(startError);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    if (code != STILL_ACTIVE) return "ended with exit code " + std::to_string(code);
    WindowsOf shown{id(), "running; its windows:"};
    EnumWindows(noteWindow, reinterpret_cast<LPARAM>(&shown));
    return shown.titles;
}

HWND waitForWindow(const Program& program, const wchar_t* title) {
    HWND window = nullptr;
    // A program that has ended shows no more windows.
    waitFor([&] {
        return (window = findWindow(program.id(), title)) != nullptr ||
               WaitForSingleObject(program.handle(), 0) != WAIT_TIMEOUT;
    });
    if (window == nullptr)
        ADD_FAILURE() << "no window \"" << narrow(title) << "\": the program " << program.state();
    return window;
}

HWND waitForMainWindow(const Program& program) {
    return waitForWindow(program, mainTitle().c_str());
}

HWND waitForReadOnlyWindow(const Program& program) {
    const std::u16string title = win1252ToUtf16(readOnlyTitle());
    return waitForWindow(program, std::wstring(title.begin(), title.end()).c_str());
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

int listCount(HWND main) {
    return static_cast<int>(sendWaiting(GetDlgItem(main, clientList), LB_GETCOUNT, 0, 0));
}

std::vector<std::wstring> listLines(HWND main) {
    const HWND list = GetDlgItem(main, clientList);
    std::vector<std::wstring> lines;
    const int count = listCount(main);
    for (WPARAM k = 0; k < WPARAM(count); ++k) {
        std::wstring line(std::size_t(sendWaiting(list, LB_GETTEXTLEN, k, 0)) + 1, L'\0');
        line.resize(
            std::size_t(sendWaiting(list, LB_GETTEXT, k, reinterpret_cast<LPARAM>(line.data()))));
        lines.push_back(line);
    }
    return lines;
}

std::wstring answerBox(const Program& program, const wchar_t* caption, int button) {
    const HWND box = waitForWindow(program, caption);
    if (box == nullptr) return L"(no box)";
    std::wstring text = boxText(box);
    click(box, button);
    waitUntilGone(box);
    return text;
}

bool boxIsOpen(const Program& program, const wchar_t* caption) {
    return findWindow(program.id(), caption) != nullptr;
}

namespace {

// Opens the form with `button`, types `name` into its name box and processes it.
bool processNamed(const Program& program, HWND main, int button, const wchar_t* title,
                  const std::wstring& name) {
    click(main, button);
    const HWND form = waitForWindow(program, title);
    if (form == nullptr || waitForControl(form, 202) == nullptr) return false;
    typeText(form, 202, name);
    click(form, 150);
    return waitUntilGone(form);
}

} // namespace

bool addClientNamed(const Program& program, HWND main, const std::wstring& name) {
    return processNamed(program, main, 102, L"Add_Forms", name);
}

bool renameClient(const Program& program, HWND main, int line, const std::wstring& name) {
    sendWaiting(GetDlgItem(main, clientList), LB_SETCURSEL, WPARAM(line - 1), 0);
    return processNamed(program, main, 104, L"Edit_Forms", name);
}

void deleteFirst(const Program& program, HWND main, const wchar_t* name) {
    click(main, 103);
    EXPECT_EQ(answerBox(program, name, IDOK), L"Confirm this client deletion");
}

void quitSaving(const Program& program, HWND main) {
    click(main, 108);
    const HWND box = waitForWindow(program, L"Closing Program");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(boxText(box), L"File has changed...\r\nDo you want to save the changes?");
    click(box, IDYES);
    EXPECT_EQ(program.waitForExit(), 0u);
}

std::wstring restoreQuestion(int changes) {
    return L"Vellumor was not closed properly last time.\r\n" + std::to_wstring(changes) +
           (changes == 1 ? L" change" : L" changes") +
           L" made after the last save can be restored.\r\n\r\nRestore them?";
}

std::wstring inUseQuestion(const std::wstring& holder) {
    return L"The client file is in use by " + holder +
           L".\r\n\r\nOpen it read-only? You can show clients but not add, edit or delete them.";
}

std::wstring readOnlyRefusal(const std::wstring& holder) {
    return L"This copy of Vellumor is read-only: the client file is in use by " + holder + L".";
}

std::wstring environmentVariable(const wchar_t* name) {
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
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

// KERNEL32 lies at the same address in every process of a session, so its
// LoadLibraryW serves as the new thread's start; its one argument is the
// name, copied into the program's memory.
std::optional<DWORD> loadLibraryInside(const Program& program, const std::wstring& name) {
    const UniqueHandle process(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                               PROCESS_VM_OPERATION | PROCESS_VM_WRITE |
                                               PROCESS_VM_READ | SYNCHRONIZE,
                                           FALSE, program.id()));
    if (!process) return std::nullopt;
    const std::size_t size = (name.size() + 1) * sizeof(wchar_t);
    const RemoteMemory argument(process.get(), size);
    if (argument.get() == nullptr ||
        !WriteProcessMemory(process.get(), argument.get(), name.c_str(), size, nullptr))
        return std::nullopt;
    const FARPROC loadLibrary = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW");
    const auto start =
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(loadLibrary));
    const UniqueHandle thread(
        CreateRemoteThread(process.get(), nullptr, 0, start, argument.get(), 0, nullptr));
    if (!thread || WaitForSingleObject(thread.get(), patience) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD module = 0;
    if (!GetExitCodeThread(thread.get(), &module)) return std::nullopt;
    return module;
}
