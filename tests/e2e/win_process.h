// Driving the real program from outside: a temporary folder with a copy of
// vellumor.exe, the started process, and its windows found by title and
// operated with posted clicks and sent texts, as a user's input would arrive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder in the temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Copies build/windows/vellumor.exe here; returns the copy's path.
    std::wstring installProgram() const;
    bool hasClientFile() const;
    std::vector<std::uint8_t> clientFile() const;
    void writeClientFile(const std::vector<std::uint8_t>& bytes) const;

  private:
    std::wstring path; // ends with a backslash
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

// Visible top-level windows of the program with exactly this title (a dialog's
// caption, a message box's caption); nullptr when none appeared in time.
HWND waitForWindow(const Program& program, const wchar_t* title);
HWND waitForMainWindow(const Program& program);
HWND waitForControl(HWND window, int id);
bool waitUntilGone(HWND window);
// Visible main windows of every running copy.
int mainWindowCount();

void click(HWND window, int id);
void typeText(HWND window, int id, const std::wstring& text);
std::wstring controlText(HWND window, int id);
// The text a message box shows.
std::wstring boxText(HWND box);
std::vector<std::wstring> listLines(HWND main);

// Quits with the save prompt answered Yes and waits for the program to end.
void quitSaving(const Program& program, HWND main);

// Runs a console program with `arguments` in `folder` to its end (a minute at
// most); its exit code, or the error that kept it from starting.
DWORD runToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder);
