// The end of the Windows session while the program runs: log-off, shut-down or
// an update's restart. Every stored change is in the recovery journal, so the
// session may end and the next start offers the changes back; only answers the
// form holds that were not processed, or changes the journal could not take,
// hold it up.
#pragma once

#include <windows.h>

// Answers the session's end for the main window. It is answered ahead of the
// window's dialog callback, whose answer can only say whether it handled a
// message, while this one must say "no".
void watchSessionEnd(HWND main);
// The form has closed: its answers no longer hold up the session's end.
void allowSessionEnd();
