// The main window: the sorted client list beside the column of commands. It is
// the whole program from the user's point of view; when it closes, the program
// ends.
#pragma once

#include "records/ClientLock.h"

#include <string>

// Control identifiers of the main window.
constexpr int clientList = 101;
constexpr int addButton = 102;
constexpr int deleteButton = 103;
constexpr int editButton = 104;
constexpr int showButton = 105;
constexpr int filterButton = 107;
constexpr int quitButton = 108;
constexpr int statusBarControl = 120;

// "Vellumor - Ver " followed by the version text the client file writes.
std::string mainWindowTitle();
// The title of a copy that shows the clients read-only: " - read-only" after it.
std::string readOnlyTitle();

// The client file: the program's folder followed by "vellumor.vmr".
std::wstring clientFilePath();
// The mutex that the copy of a Windows session running on `clientFile` owns,
// in the session's namespace.
std::wstring sessionMutexName(const std::wstring& clientFile);

// Builds the main window, shows it modally and returns when it has closed;
// false when the window could not be created. `lock` tells how the start
// found the client file's lock; held elsewhere, the user is asked whether to
// look at the clients read-only, and No ends the window at once.
bool runMainWindow(const LockResult& lock = {});
