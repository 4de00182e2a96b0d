// Add, Edit, Delete, Show and Close. The form exchanges one client with these
// commands through the shared form state; only a record the form accepted is
// stored.
#include "mainwin/Commands.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
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

// Adds the working record's line, and the record at the position the list chose
// for it. Returns that position, or 0 when the list refused the line; nothing
// has changed then.
int insertWorkingRecord(HWND dialog) {
    const int line = listBoxAdd(dialog, clientList, recordName(workingRecord));
    if (line <= 0) return 0;
    insertClient(line, workingRecord);
    return line;
}

void removeLine(HWND dialog, int line) {
    listBoxDelete(dialog, clientList, line);
    removeClient(line);
}

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
    if (!saved.message.empty()) {
        messageBox(saved.message, "Closing Program", MB_OK | MB_ICONINFORMATION, dialog);
    }
    return true;
}

} // namespace

void addClient(HWND dialog) {
    clearPageBuilt();
    recordReset(workingRecord);
    recordReset(uneditedCopy);
    currentClient = 0;
    formMode = addMode;
    formDirty = false;
    accepted = false;
    openIntakeForm("Add_");
    if (!accepted) return;
    if (const int line = insertWorkingRecord(dialog)) selectClient(dialog, line);
}

// The edited client's new line is added before the old one is deleted, so a
// refused line leaves the old client in place.
void editClient(HWND dialog) {
    const int old = selectedClient(dialog);
    if (old == 0) return;
    currentClient = old;
    workingRecord = clients[old - 1];
    uneditedCopy = workingRecord;
    clearPageBuilt();
    formMode = editMode;
    accepted = false;
    openIntakeForm("Edit_");
    if (!accepted) return;
    const int added = insertWorkingRecord(dialog);
    if (added == 0) return;
    if (added <= old) {
        removeLine(dialog, old + 1);
        selectClient(dialog, added);
    } else {
        removeLine(dialog, old);
        selectClient(dialog, added - 1);
    }
}

void deleteClient(HWND dialog) {
    const int line = selectedClient(dialog);
    if (line == 0) return;
    if (messageBox("Confirm this client deletion", recordName(clients[line - 1]),
                   MB_OKCANCEL | MB_ICONEXCLAMATION, dialog) != IDOK) {
        return;
    }
    removeLine(dialog, line);
    selectClient(dialog, std::min(line, clientCount()));
    fileChanged = true;
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

LRESULT closeProgram(HWND dialog) {
    if (fileChanged) {
        const int answer =
            messageBox("File has changed...\r\nDo you want to save the changes?", "Closing Program",
                       MB_YESNOCANCEL | MB_ICONEXCLAMATION, dialog);
        if (answer != IDYES && answer != IDNO) return 1;
        if (answer == IDYES && !saveChanges(dialog)) return 1;
    }
    fileChanged = false;
    dialogEnd(dialog, 0);
    return 0;
}
