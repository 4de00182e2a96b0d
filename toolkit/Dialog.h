// Dialogs and controls built at run time from code. Every window of the program
// is made with these calls; texts are the program's Windows-1252 strings and are
// converted at this boundary. A control is found by dialog and id with
// getControl (Registry.h).
#pragma once

#include "toolkit/Registry.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// unitsMode of dialogNew: positions and sizes in dialog units, the only mode.
constexpr int dialogUnits = 1;
// x or y of dialogNew that asks for a centred dialog.
constexpr int centred = static_cast<int>(0x80000000u);

// Creates a hidden dialog; x, y, width and height are dialog units,
// relative to the screen, or to the owner's client area when there is an owner.
// Returns nullptr when the platform refuses.
HWND dialogNew(int unitsMode, HWND owner, std::string_view caption, int x, int y, int width,
               int height, DWORD style, DWORD exStyle);

// Adds a control; style 0 means the kind's default. A control that cannot be
// created is silently absent.
void controlAdd(ControlKind kind, HWND dialog, int id, std::string_view text, int x, int y,
                int width, int height, DWORD style = 0, DWORD exStyle = 0,
                ControlCallback callback = nullptr,
                const std::vector<std::string>* initialItems = nullptr);

void controlSetText(HWND window, std::string_view text);
std::string controlGetText(HWND window);
void controlSetCheck(HWND dialog, int id, int state);
int controlGetCheck(HWND dialog, int id);
// Checks `checkedId` and unchecks every other control with an id in first..last.
void controlSetOption(HWND dialog, int firstId, int lastId, int checkedId);
void controlEnable(HWND dialog, int id, bool enable);
// SW_HIDE hides, SW_SHOWNORMAL shows; before a dialog is shown only its pending
// show state changes.
void windowShowState(HWND window, int command);
void windowRedraw(HWND window);
void controlSetFocus(HWND dialog, int id);
// Right edges as a running sum from -1, converted from dialog units to pixels.
void statusBarSetParts(HWND dialog, int id, const std::vector<int>& widths);
// The most characters the user can type into a text box (CR LF counts as two).
void textBoxSetLimit(HWND dialog, int id, int characters);
