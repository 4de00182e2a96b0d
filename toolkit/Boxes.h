// Message boxes and list boxes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

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
// Adds the lines one after the other, as listBoxAdd would, and returns the
// position each took; it stops after a line the list refused (position <= 0).
// Made for filling a list in bulk: room is reserved first, the list is not
// redrawn meanwhile, and a line that sorts after the last one is appended.
std::vector<int> listBoxAddLines(HWND dialog, int id, const std::vector<std::string>& lines);
