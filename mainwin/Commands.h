// The main window's commands. Each keeps the client list and `clients` in the
// same order: every list insertion or deletion is mirrored at the same position.
#pragma once

#include "records/JournalCodec.h"

#include <windows.h>

#include <vector>

void addClient(HWND dialog);
void editClient(HWND dialog);
void deleteClient(HWND dialog);
void showClient(HWND dialog);
// Returns 1 when the window stays open (the user cancelled, or the save failed).
LRESULT closeProgram(HWND dialog);
// Makes the journal's changes again, in order, through the list as the commands
// do; returns how many were skipped.
std::size_t replayChanges(HWND dialog, const std::vector<JournalEntry>& entries);
