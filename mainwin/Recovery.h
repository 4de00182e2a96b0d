// The recovery journal as the main window keeps it: the changes of a run that
// ended without its save are offered back at the next start, and every change
// the commands store goes into the journal before the command returns.
#pragma once

#include "records/JournalCodec.h"

#include <windows.h>

// At initialisation, after the load: reads the journal an earlier run left.
// True when the window must ask or tell something about it once it is shown.
bool findJournal(bool clientFileLoaded);
// Once the window is shown: asks whether to restore the journal's changes, or
// tells where a journal was kept aside or why there can be none.
void settleJournal(HWND dialog);
// A change the main window stored. Tells the user, once per run, when the
// journal cannot take it.
void journalChange(HWND dialog, const JournalEntry& entry);
