#include "E2eProcess.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

namespace {

constexpr DWORD patience = 30000;

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

std::wstring folderOf(const std::wstring& exe) { return exe.substr(0, exe.rfind(L'\\') + 1); }

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// In one read: the tests compare client files of many megabytes.
Bytes fileBytes(const std::wstring& path) {
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return {};
    const UniqueHandle file(opened);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return {};
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD done = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr))
        done = 0;
    bytes.resize(done);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::wstring> otherFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L".." && lstrcmpiW(name.c_str(), L"vellumor.exe") != 0 &&
            lstrcmpiW(name.c_str(), L"vellumor.vmr") != 0)
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

HeldFile::HeldFile(const std::wstring& path)
    : handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void HeldFile::release() {
    if (held()) CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
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

std::wstring answerBox(const Program& program, const wchar_t* caption, int button) {
    const HWND box = waitForWindow(program, caption);
    if (box == nullptr) return L"(no box)";
    std::wstring text = boxText(box);
    click(box, button);
    waitUntilGone(box);
    return text;
}

bool boxIsOpen(const Program& program, const wchar_t* caption) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, caption)) != nullptr) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId == program.id() && IsWindowVisible(window)) return true;
    }
    return false;
}

ClientRecord clientNamed(const std::string& name) {
    ClientRecord record;
    recordReset(record);
    writeText(record, CLIENT_FIELD(name), name);
    writeText(record, CLIENT_FIELD(city), "Fresno");
    return record;
}

bool addClientNamed(const Program& program, HWND main, const std::wstring& name) {
    click(main, 102);
    const HWND form = waitForWindow(program, L"Add_Forms");
    if (form == nullptr || waitForControl(form, 202) == nullptr) return false;
    typeText(form, 202, name);
    click(form, 150);
    return waitUntilGone(form);
}

int listCount(HWND main) {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(GetDlgItem(main, 101), LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, patience,
                        &count);
    return static_cast<int>(count);
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
