// More ways to drive the real program from outside, for the tests of faults
// and of hostile surroundings, on top of win_process.h: the files around an
// installed copy, a file held by another process, the program ended at a
// chosen moment as a crash would end it, and a DLL looked for by name inside
// the running program.
#pragma once

#include "records/ClientRecord.h"
#include "win_process.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The folder of an installed copy, with its trailing backslash.
std::wstring folderOf(const std::wstring& exe);
bool fileExists(const std::wstring& path);
// The file's bytes; empty when it is missing.
Bytes fileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const Bytes& bytes);
// The names in `folder` other than the program and its client file, sorted.
std::vector<std::wstring> otherFiles(const std::wstring& folder);

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

// Waits for the message box with this caption, answers it with `button` and
// waits until it has gone; its text, or "(no box)" when none appeared.
std::wstring answerBox(const Program& program, const wchar_t* caption, int button);
// Whether a message box (or any window) with this caption is open right now.
bool boxIsOpen(const Program& program, const wchar_t* caption);

// A client with only a name and a city, as the tests' client files hold them.
ClientRecord clientNamed(const std::string& name);

// Adds a client with only a name through the form.
bool addClientNamed(const Program& program, HWND main, const std::wstring& name);
int listCount(HWND main);

// Calls LoadLibraryW(name) on a new thread inside the running program, which
// looks for the DLL as every load by name in the program does, under the
// search order the program set. The low 32 bits of the module it returned (0:
// not loaded), or nothing when no thread could be started there.
std::optional<DWORD> loadLibraryInside(const Program& program, const std::wstring& name);
