// The clients in memory and the client file "vellumor.vmr" beside the program.
#pragma once

#include "records/ClientRecord.h"

#include <string>
#include <vector>

// Element k (1-based, as the client list counts) is clients[k - 1].
extern std::vector<ClientRecord> clients;
extern bool fileChanged;
extern std::wstring dataFileName; // absolute path, set before loadClients

// The folder of the program's own file, ending with a backslash: the client
// file lives there.
std::wstring programFolder();

int clientCount();
// Inserts at 1-based position p (1..count + 1), removes the client at p (1..count).
// Other positions change nothing. Neither touches fileChanged.
void insertClient(int position, const ClientRecord& record);
void removeClient(int position);

struct FileResult {
    bool ok = true;
    std::string message; // a short sentence for the user: why it failed, or where a
                         // save kept the unreadable file (then ok is true)
};

// Reads dataFileName into clients, creating an empty file when it is missing.
// On failure (the file cannot be opened or read, its count is damaged, or its
// clients do not fit in memory) clients is empty and usable, the message says
// what happened, and the file counts as unreadable for the next save. A
// missing file that cannot be created is told with its folder and the advice
// to move the program's folder to one the user may save files in.
FileResult loadClients();
// The same for a copy that may only look, while another copy holds the client
// file: the file is opened for reading, and a missing one holds no clients and
// is not created.
FileResult loadClientsReadOnly();
// Writes the clients atomically: a complete temporary file beside the client
// file, flushed, then swapped in for it. On failure the old file is intact and
// no temporary file is left. A read-only client file is refused. A file that
// the load found unreadable is kept as "<name>.unreadable-N" (a new N each
// time) rather than replaced, and the message says so.
// The file it replaces is kept in the folder Backups beside it (an empty file
// excepted), and backups no longer kept are removed afterwards. A backup that
// cannot be made does not stop the save; the message says why it failed.
// Putting the new file in place and linking the backup wait out another
// program's brief hold on the file (retryWhileHeld).
FileResult saveClients();
