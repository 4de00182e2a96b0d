// Whether a copy of Vellumor holds a client file, and who: the file is its to
// write while it runs, so import and repair do not write over it.
#pragma once

#include <string>

// "PATH is in use by Vellumor on COMPUTER (user USER); quit it there first."
// while a copy holds the lock of the client file at `path`; empty when none
// does. Looked at without taking the lock and without writing.
std::string heldProblem(const std::string& path);
