// What the dialog handler asks of the colour side.
#pragma once

#include <windows.h>

// The answer to WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC for `window`: 0 when it
// has no colours of its own, otherwise the brush, after setting up `dc`.
INT_PTR colourAnswer(UINT message, HDC dc, HWND window);
