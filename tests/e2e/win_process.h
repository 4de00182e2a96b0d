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
// its bytes.
std::map<std::wstring, Bytes> folderContents(const std::wstring& folder);
// The differences between two of them, one line each; empty when they hold the
// same files with the same bytes.
std::string contentsChanged(const std::map<std::wstring, Bytes>& before,
                            const std::map<std::wstring, Bytes>& after);
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

// Another program (tests/e2e/file_holder.cpp) that holds a file open with no
// sharing for `milliseconds` from when it has opened it, then lets go. Ended
// by force, which lets go of the file too, when this goes away.
class HoldingProgram {
  public:
    HoldingProgram(const std::wstring& path, DWORD milliseconds);
    ~HoldingProgram() { release(); }
    HoldingProgram(const HoldingProgram&) = delete;
    HoldingProgram& operator=(const HoldingProgram&) = delete;

    // Waits until it holds the file; false when it ended first or took too long.
    bool holds() const;
    // Ends it now.
    void release();

  private:
    std::wstring file;
    PROCESS_INFORMATION process{};
};

// A started copy of the program, ended by force if it is still running when
// this goes away.
class Program {
  public:
    explicit Program(const std::wstring& exe);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD id() const { return process.dwProcessId; }
    // The exit code, or STILL_ACTIVE when the program did not end in time.
    DWORD waitForExit() const;

  private:
    PROCESS_INFORMATION process{};
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
// The question a start asks when another copy holds the client file: one on
// `computer` of `user`, started at `since` (MM-DD-YYYY HH:MM), or, with an
// empty `computer`, one whose line could not be read; and the answer of Add,
// Edit and Delete in the read-only copy.
std::wstring inUseQuestion(const std::wstring& computer, const std::wstring& user,
                           const std::wstring& since);
std::wstring readOnlyRefusal(const std::wstring& computer, const std::wstring& user);

// This computer's and this Windows user's names, as the system gives them.
std::wstring computerName();
std::wstring userName();
// The local time now, to the second; and whether `at` lies from `first` to `last`.
LocalTime localNow();
bool isBetween(LocalTime at, LocalTime first, LocalTime last);

// Runs a console program with `arguments` in `folder` to its end (a minute at
// most); its exit code, or the error that kept it from starting.
DWORD runToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder);

// Calls LoadLibraryW(name) on a new thread inside the running program, which
// looks for the DLL as every load by name in the program does, under the
// search order the program set. The low 32 bits of the module it returned (0:
// not loaded), or nothing when no thread could be started there.
std::optional<DWORD> loadLibraryInside(const Program& program, const std::wstring& name);
