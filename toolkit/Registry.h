// The toolkit's records of the dialogs and controls it made, looked up by window
// handle or by dialog and id. A dialog's records live from its creation until
// WM_NCDESTROY. The bottom of the toolkit: it uses no other part of it.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

// The toolkit's own control kind codes, the first argument of controlAdd.
enum class ControlKind : int {
    pushButton = 1,
    checkBox = 3,
    label = 5,
    optionButton = 7,
    textBox = 9,
    statusBar = 20,
    listBox = 25,
};

// A dialog's callback gets every message the toolkit passes on (not activation,
// not the platform's own initialisation); it answers 0 when it did not handle
// one. A control's own callback is asked first about its commands and scroll
// messages.
using DialogCallback = LRESULT (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
using ControlCallback = DialogCallback;

// Names the dialog itself where an id names a control (colours, enabling).
constexpr int dialogItself = static_cast<int>(0x80000000u);

// A solid brush shared by every window with the same background colour; the
// last window that lets go of it deletes it.
using SharedBrush = std::shared_ptr<std::remove_pointer_t<HBRUSH>>;

struct ColourState {
    bool set = false;    // false: the platform paints in its own colours
    long text = 0;       // colorSystemDefault or 0x00BBGGRR
    long background = 0; // colorSystemDefault, colorTransparent or 0x00BBGGRR
    SharedBrush brush;   // for an explicit background
};

// A control's use of a registered font. The font registry counts a font's users
// by the live copies of its hold, so the use ends with the control's record.
struct FontUse {
    std::shared_ptr<const int> hold; // the font's number; empty: never given one

    int number() const { return hold ? *hold : 0; }
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
    FontUse font; // empty: the dialog's font
    ColourState colours;
};

// nullptr when the toolkit has no record of the window.
DialogRecord* findDialog(HWND window);
ControlRecord* findControl(HWND window);
// The colour state of a dialog or of a control.
ColourState* findColours(HWND window);

// The control with that id in the dialog, nullptr when there is none.
HWND getControl(HWND dialog, int id);
// The same, or the dialog itself for dialogItself.
HWND controlOrDialog(HWND dialog, int id);

void addDialogRecord(HWND dialog, DialogRecord record);
// The dialog must have a record.
void addControlRecord(HWND control, ControlRecord record);
// Drops the records of the dialog and of its controls, and with them their
// brushes and font uses.
void releaseRecords(HWND dialog);

// How many of the toolkit's dialogs exist (created and not yet destroyed).
int openDialogs();

// The dialog that was activated last, or nullptr.
HWND activeDialog();
void setActiveDialog(HWND dialog);
