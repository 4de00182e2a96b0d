// The window procedure of every dialog the toolkit creates, and the end of a
// dialog, which that procedure brings about on a close command. A dialog is
// created with this procedure, so it sits below Dialog.
#pragma once

#include "toolkit/Registry.h"

#include <windows.h>

// Passes messages on to the dialog callback and supplies the toolkit's defaults;
// no exception leaves it.
INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Calls a dialog's or a control's callback. Callbacks are the program's code:
// whatever they throw stops here, with the answer 0.
LRESULT callCallback(DialogCallback callback, HWND dialog, UINT message, WPARAM wParam,
                     LPARAM lParam) noexcept;

// Whether a WM_SYSCOMMAND's command closes the window: the close box, Alt+F4,
// the system menu's Close and the double-click on its icon (0xF063); the low
// four bits are the platform's own. The procedure ends the dialog for it when
// the callback answers 0.
inline bool isCloseCommand(WPARAM command) { return (command & 0xFFF0) == SC_CLOSE; }

// Stores the result into dialogShowModal's result variable, sends the dialog
// WM_CLOSE, enables its owner again and destroys it with its controls.
void dialogEnd(HWND dialog, int result);
