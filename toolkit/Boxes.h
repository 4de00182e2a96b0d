// Message boxes, list boxes and the program's folder.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Shows a modal message box owned by `owner`, or by the active dialog when
// owner is nullptr; an empty caption gets a default one. Returns the button's
// number (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7), 0 when no box could be shown.
int messageBox(std::string_view text, std::string_view caption, UINT flags, HWND owner = nullptr);

// 1-based positions; 0 means none.
int listBoxAdd(HWND dialog, int id, std::string_view text);
void listBoxSelect(HWND dialog, int id, int position);
int listBoxGetSelect(HWND dialog, int id, int firstPosition = 1);
void listBoxDelete(HWND dialog, int id, int position);
int listBoxCount(HWND dialog, int id);
std::string listBoxLine(HWND dialog, int id, int position);
// Reserves room for `lines` more lines before a bulk fill.
void listBoxReserve(HWND dialog, int id, int lines, std::size_t bytes);

// The folder of the program's own file, ending with a backslash.
std::wstring programFolder();
