// The recovery journal "<client file>.journal" beside the client file. Every
// change the main window stores is appended to it and flushed to the disk at
// once, so that a crash, a power cut or the end of the Windows session loses
// none of the changes made since the last save. Saving the clients or
// discarding the changes removes it.
#pragma once

#include "records/JournalCodec.h"

#include <string>

std::wstring journalFileName();

// The client file named by dataFileName as it is now.
FileIdentity clientFileIdentity();

struct JournalResult {
    bool ok = true;
    std::string reason; // when !ok: why, as the end of a sentence
};

struct FoundJournal {
    JournalResult result; // !ok: a journal is there but cannot be opened or read
    bool exists = false;
    std::size_t size = 0;
    DecodedJournal decoded;
};

// Starts the journal of a run: new journals will name `loaded`, the client file
// as it was loaded, and a journal an earlier run left is read and kept open.
// What becomes of it is up to the caller: one of the three calls below.
FoundJournal openJournal(const FileIdentity& loaded);
// Restored: the next changes follow its complete entries (a damaged tail is cut).
JournalResult continueJournal(const FoundJournal& found);
// Not restored: renamed to "<journal>-N", the first free N; `keptAs` gets the
// name. The next change starts a new journal.
JournalResult keepJournalAside(std::wstring& keptAs);
// Nothing worth keeping (no complete entry): it is deleted.
void forgetJournal();

// Appends the entry and flushes it, creating the journal with its header for
// the first change of a run. After a failure the journal takes no more entries
// in this run, so that no later entry stands behind a damaged one; each
// further call fails with the same reason.
JournalResult appendToJournal(const JournalEntry& entry);
bool journalFailed();
// Closes the journal and leaves it for the next start to find.
void closeJournal();
// Closes and deletes this run's journal: the changes were saved, or discarded.
// The deletion waits out another program's brief hold on it. A journal this
// run could not read is left alone.
void removeJournal();
