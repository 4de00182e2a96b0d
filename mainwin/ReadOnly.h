// A copy started while another copy holds the client file's lock
// (records/ClientLock.h), on another computer or of another Windows user, may
// show the clients read-only: as they were saved, with no change to any of
// them, and with no file written: no client file, journal, backup or lock file.
#pragma once

#include "records/LockLine.h"

#include <windows.h>

#include <optional>

// Once the window is shown: tells who holds the client file and asks whether to
// open it read-only. Yes makes this copy read-only for the rest of its run.
bool askToOpenReadOnly(HWND dialog, const std::optional<LockHolder>& holder);
bool isReadOnly();
// For a new run of the main window, which may write again.
void leaveReadOnly();
// Read-only, a command that would change a client tells the user why it
// cannot, and is refused: true then.
bool refuseChange(HWND dialog);
