// The window procedure of every dialog the toolkit creates.
#pragma once

#include <windows.h>

// Passes messages on to the dialog callback and supplies the toolkit's defaults;
// no exception leaves it.
INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
