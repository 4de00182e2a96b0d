// Showing a dialog modally with its callback, the message loop, and ending it.
#pragma once

#include <windows.h>

// The dialog callback gets every message the toolkit passes on (not activation,
// not the platform's own initialisation); it answers 0 when it did not handle one.
using DialogCallback = LRESULT (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A dialog's own deferred message: posted during its initialisation, it arrives
// once the dialog is visible.
constexpr UINT privateMessage = WM_USER + 500;

// Whether a WM_SYSCOMMAND's command closes the window: the close box, Alt+F4,
// the system menu's Close and the double-click on its icon (0xF063); the low
// four bits are the platform's own.
inline bool isCloseCommand(WPARAM command) { return (command & 0xFFF0) == SC_CLOSE; }

// Calls the callback with 272 and then 5 directly, attaches it, disables the
// owner, shows the dialog and runs the message loop until the dialog is gone.
void dialogShowModal(HWND dialog, DialogCallback callback, int* result = nullptr);
void dialogEnd(HWND dialog, int result);
LRESULT sendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool postToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog that was activated last, or nullptr.
HWND activeDialog();
// How many of the toolkit's dialogs exist (created and not yet destroyed).
int openDialogs();
