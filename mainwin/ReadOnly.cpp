#include "mainwin/ReadOnly.h"

#include "toolkit/Boxes.h"

#include <string>

namespace {

bool readOnly = false;
std::optional<LockHolder> otherCopy; // who holds the client file, when known

} // namespace

bool askToOpenReadOnly(HWND dialog, const std::optional<LockHolder>& holder) {
    const std::string since = holder ? " since " + startText(holder->started) : std::string();
    const std::string question = "The client file is in use by " + holderText(holder) + since +
                                 ".\r\n\r\nOpen it read-only? You can show clients but not add, "
                                 "edit or delete them.";
    readOnly = messageBox(question, "Vellumor", MB_YESNO | MB_ICONINFORMATION, dialog) == IDYES;
    otherCopy = holder;
    return readOnly;
}

bool isReadOnly() { return readOnly; }

void leaveReadOnly() {
    readOnly = false;
    otherCopy.reset();
}

bool refuseChange(HWND dialog) {
    if (!readOnly) return false;
    messageBox("This copy of Vellumor is read-only: the client file is in use by " +
                   holderText(otherCopy) + ".",
               "Vellumor", MB_OK | MB_ICONINFORMATION, dialog);
    return true;
}
