// The benchmark: starts vellumor.exe as a separate process in temporary folders
// with made-up client files, drives it from outside as a user would (posted
// clicks, texts sent to the boxes, answered message boxes) and prints one table
// of medians, each beside a baseline measured in the same run and its target.
//
// Usage: bench_driver [runs [parts]]: runs per figure (5), and which parts to
// run as letters: s start-up, v save, c commands, i idle (all).
#include "records/ClientCodec.h"
#include "records/ClientRecord.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD patienceMs = 120000;
constexpr DWORD idleMs = 10000;
constexpr std::size_t writePiece = 64 * 1024; // as the program writes

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

double nowMs() {
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / perMs;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Polls `done` until it holds; false when it did not within the patience.
bool waitFor(const std::function<bool()>& done) {
    const double end = nowMs() + patienceMs;
    while (!done()) {
        if (nowMs() > end) return false;
        Sleep(1);
    }
    return true;
}

// Says what went wrong, printf-style, and ends the benchmark.
[[noreturn]] __attribute__((format(printf, 1, 2))) void fail(const char* format, ...) {
    std::fputs("bench: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    std::exit(1);
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

const std::wstring mainTitle = L"Vellumor - Ver " + wide(versionText);

std::wstring driverFolder() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::string clientName(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "Client %07d", k);
    return name;
}

// `count` clients in list order, every page 1 answer filled in.
std::vector<std::uint8_t> clientFile(int count) {
    std::vector<ClientRecord> records(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        ClientRecord& record = records[static_cast<std::size_t>(k)];
        recordReset(record);
        writeText(record, CLIENT_FIELD(name), clientName(k));
        writeDate(record, CLIENT_FIELD(intakeDate), 20240115);
        writeText(record, CLIENT_FIELD(city), "Sacramento");
        writeText(record, CLIENT_FIELD(state), "CA");
        writeText(record, CLIENT_FIELD(occupation), "Teacher");
        writeU8(record, CLIENT_FIELD(age), static_cast<std::uint8_t>(20 + k % 60));
        writeI16(record, CLIENT_FIELD(weight), static_cast<std::int16_t>(120 + k % 80));
        writeText(record, CLIENT_FIELD(prescriptions), "None\r\nVitamin D");
    }
    return encodeClients(records);
}

// Writes and flushes the bytes in the program's pieces with plain KERNEL32
// calls; the time it took, in milliseconds, without closing the file.
double rawWrite(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    const double start = nowMs();
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) fail("cannot create a file");
    for (std::size_t written = 0; written < bytes.size();) {
        const auto piece = static_cast<DWORD>(std::min(writePiece, bytes.size() - written));
        DWORD done = 0;
        if (!WriteFile(file.get(), bytes.data() + written, piece, &done, nullptr) || done == 0)
            fail("cannot write a file");
        written += done;
    }
    FlushFileBuffers(file.get());
    const double took = nowMs() - start;
    return took;
}

// A temporary folder with a copy of the program; removed with its files and
// the program's backups.
class Folder {
  public:
    Folder() {
        static int made = 0;
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        path = std::wstring(temp) + L"vellumor-bench-" + std::to_wstring(GetCurrentProcessId()) +
               L"-" + std::to_wstring(++made) + L"\\";
        CreateDirectoryW(path.c_str(), nullptr);
        if (!CopyFileW((driverFolder() + L"vellumor.exe").c_str(), program().c_str(), FALSE))
            fail("cannot copy vellumor.exe beside the driver into a temporary folder");
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path), ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::wstring program() const { return path + L"vellumor.exe"; }
    std::wstring clientFile() const { return path + L"vellumor.vmr"; }
    std::wstring raw() const { return path + L"raw"; }
    void writeClientFile(const std::vector<std::uint8_t>& bytes) const {
        rawWrite(clientFile(), bytes);
    }

  private:
    std::wstring path;
};

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A started copy of the program, ended by force if it is still running.
class Program {
  public:
    explicit Program(const Folder& folder) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(folder.program().c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process))
            fail("cannot start vellumor.exe");
    }
    ~Program() {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, patienceMs);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD id() const { return process.dwProcessId; }
    HANDLE handle() const { return process.hProcess; }
    bool exited(DWORD waitMs) const { return WaitForSingleObject(process.hProcess, waitMs) == 0; }

  private:
    PROCESS_INFORMATION process{};
};

struct WindowSearch {
    DWORD processId;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM search) {
    auto& wanted = *reinterpret_cast<WindowSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (owner != wanted.processId || !IsWindowVisible(window) || wcscmp(title, wanted.title) != 0)
        return TRUE;
    wanted.found = window;
    return FALSE;
}

// The program's visible top-level window with this title, nullptr when none.
HWND findWindow(const Program& program, const wchar_t* title) {
    WindowSearch search{program.id(), title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const Program& program, const wchar_t* title) {
    HWND window = nullptr;
    if (!waitFor([&] { return (window = findWindow(program, title)) != nullptr; }))
        fail("no window \"%ls\"", title);
    return window;
}

LRESULT ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, patienceMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

void click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

void answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

int lineCount(HWND main) {
    return static_cast<int>(ask(GetDlgItem(main, clientList), LB_GETCOUNT));
}

std::wstring lineText(HWND main, int index) {
    const HWND list = GetDlgItem(main, clientList);
    const LRESULT length = ask(list, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        std::max<LRESULT>(0, ask(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(text.data())))));
    return text;
}

std::wstring selectedText(HWND main) {
    return lineText(main, static_cast<int>(ask(GetDlgItem(main, clientList), LB_GETCURSEL)));
}

// Clicks the main window's `button` and waits until the form it opens, titled
// `title`, shows its first page.
HWND openForm(const Program& program, HWND main, int button, const wchar_t* title) {
    click(main, button);
    const HWND form = waitForWindow(program, title);
    if (!waitFor([&] { return IsWindowVisible(GetDlgItem(form, nameBox)) != FALSE; }))
        fail("the form built no first page");
    return form;
}

// Starts the program and waits until its main window is shown with every
// client listed; the time that took, in milliseconds.
double startUntilReady(const Program& program, double startedAt, int clients, HWND& main) {
    if (!waitFor([&] {
            main = findWindow(program, mainTitle.c_str());
            return main != nullptr && lineCount(main) == clients;
        }))
        fail("the main window did not list the clients");
    return nowMs() - startedAt;
}

// Closes the program, answering a save prompt with `reply`.
void quit(const Program& program, HWND main, int reply = IDNO) {
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    for (double end = nowMs() + patienceMs; !program.exited(5) && nowMs() < end;) {
        if (const HWND prompt = findWindow(program, L"Closing Program")) answer(prompt, reply);
    }
}

// CPU time of every thread of the process, in milliseconds. Under Wine the
// process's own times read 0 from outside, its threads' times do not.
double cpuMs(DWORD processId) {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    double total = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        const UniqueHandle thread(
            OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME created, exited, kernel, user;
        if (!thread || !GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) continue;
        for (const FILETIME& time : {kernel, user})
            total += static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) |
                                         time.dwLowDateTime) /
                     10000.0;
    }
    return total;
}

// The process's peak working set in MB; 0 when the system does not say.
double peakWorkingSetMb(const Program& program) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(program.handle(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

struct Row {
    std::string what;
    double value;
    std::string unit;
    std::string baseline; // what the ratio compares against; empty for none
    double baselineValue;
    std::string target; // empty for none
    bool met;
};

std::vector<Row> table;

void addRow(Row row) {
    std::fprintf(stderr, "  %s: %.1f %s\n", row.what.c_str(), row.value, row.unit.c_str());
    table.push_back(std::move(row));
}

std::string formatted(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void printTable() {
    std::printf("| Measurement | Median | Baseline | Ratio | Target | Met |\n");
    std::printf("|---|---:|---|---:|---|---|\n");
    for (const Row& row : table) {
        const bool ratio = !row.baseline.empty() && row.baselineValue > 0;
        const std::string baseline =
            ratio ? row.baseline + ": " + formatted(row.baselineValue, "%.1f") + " " + row.unit
                  : "-";
        std::printf("| %s | %s %s | %s | %s | %s | %s |\n", row.what.c_str(),
                    formatted(row.value, "%.1f").c_str(), row.unit.c_str(), baseline.c_str(),
                    ratio ? formatted(row.value / row.baselineValue, "%.3g").c_str() : "-",
                    row.target.empty() ? "-" : row.target.c_str(),
                    row.target.empty() ? ""
                    : row.met          ? "yes"
                                       : "NO");
    }
}

std::string thousands(int count) {
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

void addPeakRow(const std::string& when, double peakMb, std::size_t fileBytes) {
    const double fileMb = static_cast<double>(fileBytes) / (1024.0 * 1024.0);
    addRow({"Peak working set " + when + ", 100,000 clients", peakMb, "MB", "file", fileMb,
            "< 1.5 x file + 30 MB", peakMb > 0 && peakMb < 1.5 * fileMb + 30});
}

// Start-up to ready with 0, 1,000, 10,000 and 100,000 clients; the peak working
// set at 100,000, against the file's size.
void benchStartUp(int runs) {
    const int sizes[] = {0, 1000, 10000, 100000};
    double baseline = 0;
    for (const int clients : sizes) {
        const Folder folder;
        const std::vector<std::uint8_t> bytes = clientFile(clients);
        folder.writeClientFile(bytes);
        std::vector<double> times, peaks;
        for (int run = 0; run < runs; ++run) {
            const double startedAt = nowMs();
            const Program program(folder);
            HWND main = nullptr;
            times.push_back(startUntilReady(program, startedAt, clients, main));
            peaks.push_back(peakWorkingSetMb(program));
            quit(program, main);
        }
        const double took = median(times);
        if (clients == 0) baseline = took;
        const double allowed = clients == 10000 ? 1.5 : 5.0;
        addRow({"Start-up to ready, " + thousands(clients) + " clients", took, "ms",
                clients == 0 ? "" : "0 clients", baseline,
                clients >= 10000 ? "<= " + formatted(allowed, "%.1f") + " x" : "",
                took <= allowed * baseline});
        if (clients == 100000) addPeakRow("after start-up", median(peaks), bytes.size());
    }
}

// Save of 10,000 and 100,000 clients: one client deleted, then Quit and Yes,
// timed from the moment the prompt has gone (the save starts) until the client
// file has its new size. Baseline: writing and flushing as many bytes with
// plain KERNEL32 calls.
void benchSave(int runs) {
    for (const int clients : {10000, 100000}) {
        const Folder folder;
        const std::vector<std::uint8_t> bytes = clientFile(clients);
        const auto savedSize = static_cast<long long>(bytes.size() - clientRecordSize);
        const std::vector<std::uint8_t> rawBytes(static_cast<std::size_t>(savedSize), 0x5A);
        std::vector<double> saves, raws, peaks;
        for (int run = 0; run < runs; ++run) {
            folder.writeClientFile(bytes);
            raws.push_back(rawWrite(folder.raw(), rawBytes));
            DeleteFileW(folder.raw().c_str());
            const Program program(folder);
            HWND main = nullptr;
            startUntilReady(program, nowMs(), clients, main);
            click(main, deleteButton);
            answer(waitForWindow(program, wide(clientName(0)).c_str()), IDOK);
            if (!waitFor([&] { return lineCount(main) == clients - 1; }))
                fail("the deletion did not happen");
            PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
            const HWND prompt = waitForWindow(program, L"Closing Program");
            answer(prompt, IDYES);
            while (IsWindow(prompt))
                Sleep(0);
            const double start = nowMs();
            if (!waitFor([&] { return fileSize(folder.clientFile()) == savedSize; }))
                fail("the client file was not saved");
            saves.push_back(nowMs() - start);
            peaks.push_back(peakWorkingSetMb(program));
            program.exited(patienceMs);
        }
        addRow({"Save, " + thousands(clients) + " clients", median(saves), "ms", "raw write",
                median(raws), "<= 1.5 x", median(saves) <= 1.5 * median(raws)});
        if (clients == 100000) addPeakRow("after a save", median(peaks), bytes.size());
    }
}

struct CommandTimes {
    std::vector<double> add, edit, remove;
    double peakMb;
};

// Add, Edit and Delete of one client, each timed from the click that ends it
// (the form's process button, the confirmation's OK) until the list shows the
// result.
CommandTimes commandTimes(int clients, int runs) {
    const Folder folder;
    folder.writeClientFile(clientFile(clients));
    const Program program(folder);
    HWND main = nullptr;
    startUntilReady(program, nowMs(), clients, main);
    CommandTimes times;
    int count = clients;
    const auto throughForm = [&](int button, const wchar_t* title, const std::wstring& name) {
        const HWND form = openForm(program, main, button, title);
        ask(GetDlgItem(form, nameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        const double start = nowMs();
        click(form, processButton);
        if (!waitFor([&] {
                return !IsWindow(form) && lineCount(main) == count && selectedText(main) == name;
            }))
            fail("the form's client was not listed");
        return nowMs() - start;
    };
    for (int run = 0; run < runs; ++run) {
        ++count;
        times.add.push_back(throughForm(
            addButton, L"Add_Forms", wide(clientName(clients / 2)) + L" a" + std::to_wstring(run)));
    }
    for (int run = 0; run < runs; ++run) {
        ask(GetDlgItem(main, clientList), LB_SETCURSEL, static_cast<WPARAM>(clients / 3));
        times.edit.push_back(
            throughForm(editButton, L"Edit_Forms",
                        wide(clientName(clients * 2 / 3)) + L" e" + std::to_wstring(run)));
    }
    for (int run = 0; run < runs; ++run) {
        const int line = clients / 4;
        ask(GetDlgItem(main, clientList), LB_SETCURSEL, static_cast<WPARAM>(line));
        const std::wstring name = lineText(main, line);
        click(main, deleteButton);
        const HWND box = waitForWindow(program, name.c_str());
        const double start = nowMs();
        answer(box, IDOK);
        --count;
        if (!waitFor([&] { return lineCount(main) == count; })) fail("the client was not deleted");
        times.remove.push_back(nowMs() - start);
    }
    times.peakMb = peakWorkingSetMb(program);
    return times;
}

// Each command's change is written to the journal and flushed before the
// command returns, and so before the list answers the driver: every figure
// includes it. What that takes alone: an edit's journal entry, the largest,
// written into a new file and flushed with plain KERNEL32 calls, as the first
// change of a run does.
void benchJournalEntry(int runs) {
    const Folder folder;
    const std::vector<std::uint8_t> entry(1 + 2 * clientRecordSize + 4, 0x5A);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(rawWrite(folder.raw(), entry));
    addRow({"Journal entry of an edit into a new file, flushed, plain KERNEL32", median(times),
            "ms", "", 0, "", true});
}

// Baseline: the same commands with 100 clients.
void benchCommands(int runs) {
    benchJournalEntry(runs);
    const CommandTimes small = commandTimes(100, runs);
    for (const int clients : {10000, 100000}) {
        const CommandTimes times = commandTimes(clients, runs);
        if (clients == 100000) {
            addPeakRow("after Add, Edit, Delete", times.peakMb, usedFileSize(clients));
        }
        const bool target = clients == 100000;
        const std::string loaded = ", " + thousands(clients) + " loaded";
        const auto row = [&](const char* command, const std::vector<double>& measured,
                             const std::vector<double>& baseline) {
            const double took = median(measured);
            addRow({std::string(command) + " one client" + loaded + ", journal flushed", took, "ms",
                    "100 loaded", median(baseline), target ? "<= 100 ms" : "", took <= 100});
        };
        row("Add", times.add, small.add);
        row("Edit", times.edit, small.edit);
        row("Delete", times.remove, small.remove);
    }
}

double idleCpu(const Program& program) {
    Sleep(1000); // whatever the last action left to do
    const double before = cpuMs(program.id());
    Sleep(idleMs);
    return cpuMs(program.id()) - before;
}

// CPU used while idle for 10 s, with the main window and with the form open;
// the ratio is to the 10 s that passed.
void benchIdle(int runs) {
    const Folder folder;
    folder.writeClientFile(clientFile(1000));
    std::vector<double> mainIdle, formIdle;
    for (int run = 0; run < runs; ++run) {
        const Program program(folder);
        HWND main = nullptr;
        startUntilReady(program, nowMs(), 1000, main);
        mainIdle.push_back(idleCpu(program));
        openForm(program, main, addButton, L"Add_Forms");
        formIdle.push_back(idleCpu(program));
    }
    for (const auto& [window, used] :
         {std::pair{"main window", median(mainIdle)}, std::pair{"form", median(formIdle)}}) {
        addRow({std::string("Idle CPU for 10 s, ") + window + " open", used, "ms", "wall time",
                idleMs, "< 20 ms", used < 20});
    }
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string parts = argc > 2 ? argv[2] : "svci";
    std::fprintf(stderr, "Vellumor benchmark, %d runs per figure\n", runs);
    const std::pair<char, void (*)(int)> benches[] = {
        {'s', benchStartUp}, {'v', benchSave}, {'c', benchCommands}, {'i', benchIdle}};
    for (const auto& [letter, bench] : benches)
        if (parts.find(letter) != std::string::npos) bench(runs);
    printTable();
    return 0;
}
