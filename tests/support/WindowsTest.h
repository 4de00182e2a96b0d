// Shared support of the Windows tests. Everything runs on the test's own thread:
// the helpers use thread timers, which fire inside whatever message loop runs
// at the time (a modal dialog's, a message box's), so a test can act from
// within a modal loop it has started itself.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

// Base fixture: common controls initialised, a watchdog that fails the test
// and closes every dialog when a modal loop is still running after 20 s, and
// nothing left behind: pending tasks are dropped, remaining dialogs and message
// boxes of the thread are closed and the message queue is drained.
class WindowsTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

  private:
    UINT_PTR watchdog = 0;
};

// Runs `task` once, from a thread timer, `delayMs` from now (Windows rounds up
// to 10 ms). Typical use: queue the steps, then call dialogShowModal; the task
// runs inside its loop and ends the dialog when done.
void runSoon(std::function<void()> task, UINT delayMs = 10);

// Dispatches this thread's messages for `milliseconds`.
void pumpMessages(DWORD milliseconds);

// Dispatches this thread's messages until `condition` holds, asking it again
// at least every 20 ms (it may wait on another process), for `milliseconds` at
// most; whether it came to hold.
bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds);

// The top-level dialog windows (class "#32770": the toolkit's dialogs and
// message boxes) of this thread.
std::vector<HWND> threadDialogWindows();

// The visible message boxes of this thread: its dialog windows that the toolkit
// did not make.
std::vector<HWND> threadMessageBoxes();

// Closes every top-level dialog and message box of this thread; returns how many.
int closeThreadDialogs();

// A window's text: a caption, or what a text box or a static control holds.
std::wstring windowText(HWND window);

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
// A window destroyed at the end of its scope (for dialogs that are never shown).
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
