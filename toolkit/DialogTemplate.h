// The in-memory template every dialog is created from.
#pragma once

#include <windows.h>

#include <vector>

// Dialog units are 16-bit in a template; larger values are cut to that range.
short clampUnits(long long units);

// A template with no controls, no menu and the default dialog class: the
// style (which must hold DS_SETFONT), position and size in dialog units, a
// caption of one blank (the real one is set afterwards, so it may have any
// length) and the default dialog font.
std::vector<WORD> dialogTemplate(DWORD style, DWORD exStyle, short x, short y, short width,
                                 short height);
