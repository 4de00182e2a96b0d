// Showing a dialog modally with its callback, the message loop, and sending and
// posting messages. The top of the toolkit: a dialog is built with Dialog.h and
// ended with dialogEnd (Handler.h).
#pragma once

#include "toolkit/Dialog.h"
#include "toolkit/Handler.h"

#include <windows.h>

// A dialog's own deferred message: posted during its initialisation, it arrives
// once the dialog is visible. WM_USER + 500 (1524) lies clear of the dialog
// manager's own messages from WM_USER on (DM_GETDEFID and the like).
constexpr UINT privateMessage = WM_USER + 500;

// Calls the callback with WM_INITDIALOG and then WM_SIZE directly, attaches it,
// disables the owner, shows the dialog and runs the message loop until the
// dialog is gone.
void dialogShowModal(HWND dialog, DialogCallback callback, int* result = nullptr);
LRESULT sendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool postToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
