// The toolkit's records of the dialogs and controls it made, looked up by window
// handle. A dialog's records live from its creation until WM_NCDESTROY.
#pragma once

#include "toolkit/Dialog.h"
#include "toolkit/Modal.h"

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

// A solid brush shared by every window with the same background colour; the
// last window that lets go of it deletes it.
using SharedBrush = std::shared_ptr<std::remove_pointer_t<HBRUSH>>;

struct ColourState {
    bool set = false;    // false: the platform paints in its own colours
    long text = 0;       // colorSystemDefault or 0x00BBGGRR
    long background = 0; // colorSystemDefault, colorTransparent or 0x00BBGGRR
    SharedBrush brush;   // for an explicit background
};

struct DialogRecord {
    HWND owner = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    int pendingShow = SW_SHOWNORMAL; // applied by dialogShowModal
    bool shown = false;
    DialogCallback callback = nullptr; // attached by dialogShowModal
    int* result = nullptr;
    HFONT font = nullptr; // the dialog's own font, owned by the dialog manager
    ColourState colours;
    std::vector<HWND> controls; // in creation order
};

struct ControlRecord {
    HWND dialog = nullptr;
    int id = 0;
    ControlKind kind = ControlKind::label;
    DWORD style = 0;
    DWORD exStyle = 0;
    ControlCallback callback = nullptr;
    int fontNumber = 0; // 0: the dialog's font, never given by controlSetFont
    ColourState colours;
};

// nullptr when the toolkit has no record of the window.
DialogRecord* findDialog(HWND window);
ControlRecord* findControl(HWND window);
// The colour state of a dialog or of a control.
ColourState* findColours(HWND window);

void addDialogRecord(HWND dialog, DialogRecord record);
// The dialog must have a record.
void addControlRecord(HWND control, ControlRecord record);
std::size_t dialogRecordCount();
// Drops the records of the dialog and of its controls with their brushes and
// font references.
void releaseRecords(HWND dialog);
