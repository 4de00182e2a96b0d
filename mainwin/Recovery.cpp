#include "mainwin/Recovery.h"

#include "mainwin/Commands.h"
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
#include "records/FileReports.h"
#include "records/RecoveryJournal.h"
#include "toolkit/Boxes.h"

#include <string>

namespace {

FoundJournal found; // from initialisation until settled
JournalVerdict verdict = JournalVerdict::none;
bool failureTold = false;

void tellFailure(HWND dialog, const std::string& reason) {
    if (failureTold) return;
    failureTold = true;
    messageBox("Changes cannot be written to the recovery journal: " + reason +
                   ".\r\nThey are kept until you quit and save them.",
               "Recovery Journal", MB_OK | MB_ICONEXCLAMATION, dialog);
}

std::string restoreQuestion(std::size_t count) {
    return "Vellumor was not closed properly last time.\r\n" + std::to_string(count) +
           (count == 1 ? " change" : " changes") +
           " made after the last save can be restored.\r\n\r\nRestore them?";
}

std::string notRestored(std::size_t skipped, std::size_t count) {
    const std::string which =
        count == 1 ? "The change"
                   : std::to_string(skipped) + " of the " + std::to_string(count) + " changes";
    return which + (skipped == 1
                        ? " could not be restored: the client it changes is not in the list."
                        : " could not be restored: the clients they change are not in the list.");
}

void restore(HWND dialog) {
    const JournalResult continued = continueJournal(found);
    const std::vector<JournalEntry>& entries = found.decoded.entries;
    const std::size_t skipped = replayChanges(dialog, entries);
    if (skipped < entries.size()) fileChanged = true;
    listBoxSelect(dialog, clientList, 1);
    if (skipped > 0) {
        messageBox(notRestored(skipped, entries.size()), "Vellumor", MB_OK | MB_ICONEXCLAMATION,
                   dialog);
    }
    if (!continued.ok) tellFailure(dialog, continued.reason);
}

const char* whyKept() {
    switch (verdict) {
    case JournalVerdict::keepOtherFile:
        return "belongs to another version of the client file";
    case JournalVerdict::keepUnreadFile:
        return "belongs to a client file that could not be read";
    default:
        return "could not be read";
    }
}

// Kept aside, never deleted: the user is told under which name, unless they
// chose not to restore it.
void keepAside(HWND dialog, bool tell) {
    std::wstring keptAs;
    const JournalResult kept = keepJournalAside(keptAs);
    if (!kept.ok) {
        tellFailure(dialog, kept.reason);
    } else if (tell) {
        messageBox(std::string("The recovery journal left by an earlier run ") + whyKept() +
                       ", so its changes were not restored. It was kept as " + shownName(keptAs) +
                       " in the same folder.",
                   "Vellumor", MB_OK | MB_ICONINFORMATION, dialog);
    }
}

} // namespace

bool findJournal(bool clientFileLoaded) {
    failureTold = false;
    const FileIdentity loaded = clientFileIdentity();
    found = openJournal(loaded);
    if (!found.result.ok) return true;
    verdict = judgeJournal(found.decoded, found.size, loaded, clientFileLoaded);
    if (verdict != JournalVerdict::none) return true;
    if (found.exists) forgetJournal();
    found = FoundJournal();
    return false;
}

void settleJournal(HWND dialog) {
    if (!found.result.ok) {
        tellFailure(dialog, found.result.reason);
    } else if (verdict == JournalVerdict::offer) {
        if (messageBox(restoreQuestion(found.decoded.entries.size()), "Vellumor",
                       MB_YESNO | MB_ICONQUESTION, dialog) == IDYES) {
            restore(dialog);
        } else {
            keepAside(dialog, false);
        }
    } else if (verdict != JournalVerdict::none) {
        keepAside(dialog, true);
    }
    found = FoundJournal();
    verdict = JournalVerdict::none;
}

void journalChange(HWND dialog, const JournalEntry& entry) {
    const JournalResult appended = appendToJournal(entry);
    if (!appended.ok) tellFailure(dialog, appended.reason);
}
