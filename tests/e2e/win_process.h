// Driving the real program from outside: a temporary folder with a copy of
// the shipped vellumor.exe, the started process, and its windows found by title and
// operated with posted clicks and sent texts, as a user's input would arrive.
// For the tests of faults and of hostile surroundings besides: the files
// around an installed copy, a file held by another process, the program ended
// at a chosen moment as a crash would end it, and a DLL looked for by name
// inside the running program.
#pragma once

#include "TestData.h"

#include "records/BackupNames.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// A fresh folder in the temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, with its trailing backslash.
    const std::wstring& folderPath() const { return path; }
    // Where an installed copy keeps its client file.
    std::wstring clientFilePath() const { return path + L"vellumor.vmr"; }
    // Copies the shipped vellumor.exe here; returns the copy's path.
    std::wstring installProgram() const;
    bool hasClientFile() const;
    Bytes clientFile() const;
    void writeClientFile(const Bytes& bytes) const;

  private:
    std::wstring path; // ends with a backslash
};

// A program the package ships (vellumor.exe, vmrtool.exe): the Release build,
// whatever the build of the tests.
std::wstring shippedProgram(const wchar_t* name);
bool fileExists(const std::wstring& path);
// The names in `folder` other than the program, its client file, its lock file
// and the folder of its backups, sorted.
std::vector<std::wstring> otherFiles(const std::wstring& folder);
// Every file in `folder` and in its folders, by its path below `folder`, with
// its bytes; and the paths that one such listing has and another has not, with
// those bytes, sorted: none when nothing was added, removed or changed.
using FolderContents = std::map<std::wstring, Bytes>;
FolderContents folderContents(const std::wstring& folder);
std::vector<std::wstring> changedFiles(const FolderContents& before, const FolderContents& after);
// The names in that folder of backups.
std::vector<std::wstring> backupsIn(const std::wstring& folder);

// A file held open with no sharing, as another program holding it would.
class HeldFile {
  public:
    explicit HeldFile(const std::wstring& path);
    ~HeldFile() { release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool held() const { return handle != INVALID_HANDLE_VALUE; }
    void release();

  private:
    HANDLE handle;
};

// A started copy of the program (or another program, with its arguments),
// ended by force if it is still running when this goes away.
class Program {
  public:
    explicit Program(const std::wstring& exe, const std::wstring& arguments = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD id() const { return process.dwProcessId; }
    HANDLE handle() const { return process.hProcess; }
    // The exit code, or STILL_ACTIVE when the program did not end in time.
    DWORD waitForExit() const;
    // What became of it, and the titles of the windows it shows, for a
    // failure's message.
    std::string state() const;

  private:
    PROCESS_INFORMATION process{};
    DWORD startError = ERROR_SUCCESS; // when it could not be started
};

// Another program (tests/e2e/file_holder.cpp) that holds a file open with no
// sharing for `milliseconds` from when it has opened it, then lets go.
class HoldingProgram : public Program {
  public:
    HoldingProgram(const std::wstring& path, DWORD milliseconds);
    // Waits until it holds the file.
    bool holds() const;

  private:
    std::wstring file;
};

// The program's process, to end it from outside at a chosen moment.
class ProcessKiller {
  public:
    explicit ProcessKiller(const Program& program);
    ~ProcessKiller();
    ProcessKiller(const ProcessKiller&) = delete;
    ProcessKiller& operator=(const ProcessKiller&) = delete;

    // Waits up to `milliseconds` for the program to end by itself, then ends
    // it at once, as a crash or a power cut would; true when it had to be
    // ended.
    bool killAfter(DWORD milliseconds);
    bool ended() const;

  private:
    HANDLE process;
};

// Visible top-level windows of the program with exactly this title (a dialog's
// caption, a message box's caption); nullptr when none appeared in time.
HWND waitForWindow(const Program& program, const wchar_t* title);
HWND waitForMainWindow(const Program& program);
HWND waitForReadOnlyWindow(const Program& program);
HWND waitForControl(HWND window, int id);
bool waitUntilGone(HWND window);
// Visible main windows of every running copy.
int mainWindowCount();

void click(HWND window, int id);
void typeText(HWND window, int id, const std::wstring& text);
std::wstring controlText(HWND window, int id);
// The text a message box shows.
std::wstring boxText(HWND box);
int listCount(HWND main);
std::vector<std::wstring> listLines(HWND main);

// Waits for the message box with this caption, answers it with `button` and
// waits until it has gone; its text, or "(no box)" when none appeared.
std::wstring answerBox(const Program& program, const wchar_t* caption, int button);
// Whether a message box (or any window) with this caption is open right now.
bool boxIsOpen(const Program& program, const wchar_t* caption);

// Adds a client with only a name through the form.
bool addClientNamed(const Program& program, HWND main, const std::wstring& name);
// Opens the form on line `line` (1-based), types `name` over the client's name
// and processes the form.
bool renameClient(const Program& program, HWND main, int line, const std::wstring& name);
// Deletes the selected line (the first, unless another was selected) with its
// confirmation box, captioned with the client's name, answered OK.
void deleteFirst(const Program& program, HWND main, const wchar_t* name);
// Quits with the save prompt answered Yes and waits for the program to end.
void quitSaving(const Program& program, HWND main);

// The question a start asks when a journal holds `changes` unsaved changes.
std::wstring restoreQuestion(int changes);
// The question a start asks when another copy holds the client file, and the
// answer of Add, Edit and Delete in a read-only copy; `holder` as they name it
// ("Vellumor on ...").
std::wstring inUseQuestion(const std::wstring& holder);
std::wstring readOnlyRefusal(const std::wstring& holder);

// The value of an environment variable; empty when it is not set.
std::wstring environmentVariable(const wchar_t* name);

// Runs a console program with `arguments` in `folder` to its end (a minute at
// most); its exit code, or the error that kept it from starting.
DWORD runToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder);

// Calls LoadLibraryW(name) on a new thread inside the running program, which
// looks for the DLL as every load by name in the program does, under the
// search order the program set. The low 32 bits of the module it returned (0:
// not loaded), or nothing when no thread could be started there.
std::optional<DWORD> loadLibraryInside(const Program& program, const std::wstring& name);
