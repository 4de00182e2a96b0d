// What the dialog handler and the records ask of the colour and font side.
#pragma once

#include <windows.h>

// The answer to WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC for `window`: 0 when it
// has no colours of its own, otherwise the brush, after setting up `dc`.
INT_PTR colourAnswer(UINT message, HDC dc, HWND window);

// A control that used font `fontNumber` (0: none given) no longer does.
void releaseFontUse(int fontNumber);
