// What the user is told about the program's files: why an operation failed and
// a file's name without its folder; and the name a file kept aside gets.
#pragma once

#include <windows.h>

#include <string>

// The reason for a failed file operation, as the end of a sentence: "the disk
// is full", "another program is using it".
std::string reasonFor(DWORD error);

// A path for messages, in the program's Windows-1252 text: the characters it
// shares with Latin-1 stay as they are, any other shows as "?".
std::string shownPath(const std::wstring& path);
// A file's name without its folder, for messages.
std::string shownName(const std::wstring& path);

// The first of `stem` followed by 1, 2, 3 ... that names no file yet.
std::wstring firstFreeName(const std::wstring& stem);
