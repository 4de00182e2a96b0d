// Add, Edit, Delete, Show and Close. The form exchanges one client with these
// commands through the shared form state; only a record the form accepted is
// stored.
#include "mainwin/Commands.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "mainwin/ReadOnly.h"
#include "mainwin/Recovery.h"
#include "mainwin/SessionEnd.h"
#include "records/ClientFile.h"
#include "records/RecoveryJournal.h"
#include "toolkit/Boxes.h"
#include "toolkit/Modal.h"

#include <algorithm>
#include <string>

namespace {

// The selected line, 0 when there is none (or it has no client behind it).
int selectedClient(HWND dialog) {
    const int line = listBoxGetSelect(dialog, clientList, 1);
    return line <= clientCount() ? line : 0;
}

void selectClient(HWND dialog, int line) {
    currentClient = line;
    listBoxSelect(dialog, clientList, line);
}

// Adds the record's line, and the record at the position the list chose for it.
// Returns that position, or 0 when the list refused the line; nothing has
// changed then.
int insertRecord(HWND dialog, const ClientRecord& record) {
    const int line = listBoxAdd(dialog, clientList, recordName(record));
    if (line <= 0) return 0;
    insertClient(line, record);
    return line;
}

void removeLine(HWND dialog, int line) {
    listBoxDelete(dialog, clientList, line);
    removeClient(line);
}

// Puts the record in the place of the client on line `old`, at its own sorted
// place. The new line is added before the old one is deleted, so a refused line
// leaves the old client in place. Returns the new line, 0 when refused.
int replaceRecord(HWND dialog, int old, const ClientRecord& record) {
    const int added = insertRecord(dialog, record);
    if (added == 0) return 0;
    removeLine(dialog, added <= old ? old + 1 : old);
    return added <= old ? added : added - 1;
}

// The journal's changes made again through the list, as the commands make them.
class ListReplay : public ReplayTarget {
  public:
    explicit ListReplay(HWND window) : dialog(window) {}
    const std::vector<ClientRecord>& records() const override { return clients; }
    bool add(const ClientRecord& record) override { return insertRecord(dialog, record) != 0; }
    bool replace(int position, const ClientRecord& record) override {
        return replaceRecord(dialog, position, record) != 0;
    }
    void remove(int position) override { removeLine(dialog, position); }

  private:
    HWND dialog;
};

void clearPageBuilt() { std::fill(std::begin(pageBuilt), std::end(pageBuilt), false); }

// Writes the client file and tells the user what went wrong, if anything.
// Returns false when the changes were not saved.
bool saveChanges(HWND dialog) {
    const FileResult saved = saveClients();
    if (!saved.ok) {
        messageBox("The changes were not saved.\r\n" + saved.message, "Closing Program",
                   MB_OK | MB_ICONEXCLAMATION, dialog);
        return false;
    }
    // At once, not only at the end: a session that ends while the notes below
    // are shown leaves no journal of the file this save replaced.
    removeJournal();
    if (!saved.message.empty()) {
        messageBox(saved.message, "Closing Program", MB_OK | MB_ICONINFORMATION, dialog);
    }
    return true;
}

} // namespace

void addClient(HWND dialog) {
    if (refuseChange(dialog)) return;
    clearPageBuilt();
    recordReset(workingRecord);
    recordReset(uneditedCopy);
    currentClient = 0;
    formMode = addMode;
    formDirty = false;
    accepted = false;
    openIntakeForm("Add_");
    allowSessionEnd();
    if (!accepted) return;
    const int line = insertRecord(dialog, workingRecord);
    if (line == 0) return;
    selectClient(dialog, line);
    journalChange(dialog, {ChangeKind::add, {}, workingRecord});
}

void editClient(HWND dialog) {
    if (refuseChange(dialog)) return;
    const int old = selectedClient(dialog);
    if (old == 0) return;
    currentClient = old;
    workingRecord = clients[old - 1];
    uneditedCopy = workingRecord;
    clearPageBuilt();
    formMode = editMode;
    accepted = false;
    openIntakeForm("Edit_");
    allowSessionEnd();
    if (!accepted) return;
    const int line = replaceRecord(dialog, old, workingRecord);
    if (line == 0) return;
    selectClient(dialog, line);
    if (!recordEqual(workingRecord, uneditedCopy))
        journalChange(dialog, {ChangeKind::edit, uneditedCopy, workingRecord});
}

void deleteClient(HWND dialog) {
    if (refuseChange(dialog)) return;
    const int line = selectedClient(dialog);
    if (line == 0) return;
    if (messageBox("Confirm this client deletion", recordName(clients[line - 1]),
                   MB_OKCANCEL | MB_ICONEXCLAMATION, dialog) != IDOK) {
        return;
    }
    const ClientRecord removed = clients[line - 1];
    removeLine(dialog, line);
    selectClient(dialog, std::min(line, clientCount()));
    fileChanged = true;
    journalChange(dialog, {ChangeKind::remove, removed, {}});
}

void showClient(HWND dialog) {
    const int line = selectedClient(dialog);
    if (line == 0) return;
    formMode = showMode;
    currentClient = line;
    workingRecord = clients[line - 1];
    clearPageBuilt();
    openIntakeForm("Client_");
}

std::size_t replayChanges(HWND dialog, const std::vector<JournalEntry>& entries) {
    ListReplay list(dialog);
    return replayJournal(entries, list);
}

LRESULT closeProgram(HWND dialog) {
    if (fileChanged) {
        const int answer =
            messageBox("File has changed...\r\nDo you want to save the changes?", "Closing Program",
                       MB_YESNOCANCEL | MB_ICONEXCLAMATION, dialog);
        if (answer != IDYES && answer != IDNO) return 1;
        if (answer == IDYES && !saveChanges(dialog)) return 1;
    }
    fileChanged = false;
    // Saved, discarded, or there was nothing to keep; a read-only copy has none
    // of its own, and the one it found is its holder's.
    if (!isReadOnly()) removeJournal();
    dialogEnd(dialog, 0);
    return 0;
}
