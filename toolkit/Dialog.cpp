#include "toolkit/Dialog.h"

#include "toolkit/Appearance.h"
#include "toolkit/Boxes.h"
#include "toolkit/DialogTemplate.h"
#include "toolkit/Handler.h"
#include "toolkit/ProgramIcon.h"
#include "toolkit/Registry.h"
#include "toolkit/Wide.h"

#include <commctrl.h>

namespace {

// Creating a dialog: the default style, the bits always added and removed.
constexpr DWORD defaultDialogStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
constexpr DWORD dialogAdded = DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
constexpr DWORD dialogRemoved = WS_VISIBLE | DS_SYSMODAL;

DWORD dialogStyle(DWORD style, HWND owner, bool centre) {
    style = ((style ? style : defaultDialogStyle) | dialogAdded) & ~dialogRemoved;
    if (centre) style |= DS_CENTER;
    if (style & WS_CHILD) {
        style &= ~(WS_POPUP | DS_ABSALIGN);
        if (!owner) style = (style & ~WS_CHILD) | WS_POPUP;
    }
    return style;
}

int initialShowState(DWORD style) {
    if (style & WS_MAXIMIZE) return SW_SHOWMAXIMIZED;
    if (style & WS_MINIMIZE) return SW_MINIMIZE;
    return SW_SHOWNORMAL;
}

struct KindInfo {
    ControlKind kind;
    const wchar_t* windowClass;
    DWORD defaultStyle; // used when the caller passes 0
    DWORD added;
    DWORD removed;
    bool borderToEdge; // the default style's border becomes a sunken edge
    bool keepsText;    // list boxes and status bars start without text
};

constexpr DWORD childShown = WS_CHILD | WS_VISIBLE;
// What a check box or an option button never has: the frames, scroll bars,
// system menu and states of a top-level window, and pictures instead of text.
constexpr DWORD notOnAButton = WS_POPUP | WS_MINIMIZE | WS_MAXIMIZE | WS_CLIPSIBLINGS |
                               WS_CLIPCHILDREN | WS_CAPTION | WS_VSCROLL | WS_HSCROLL | WS_SYSMENU |
                               WS_THICKFRAME | BS_ICON | BS_BITMAP;
// A button's type is the number in its low four bits: adding the type's bits
// and removing the others leaves exactly that type.
constexpr DWORD otherTypeBits(DWORD type) { return BS_TYPEMASK & ~type; }
static_assert((notOnAButton | otherTypeBits(BS_AUTOCHECKBOX)) == 0xA7FC00CC);
static_assert((notOnAButton | otherTypeBits(BS_AUTORADIOBUTTON)) == 0xA7FC00C6);

constexpr KindInfo kinds[] = {
    {ControlKind::pushButton, L"BUTTON", childShown | WS_TABSTOP | BS_PUSHBUTTON, childShown, 0,
     false, true},
    {ControlKind::checkBox, L"BUTTON", childShown | WS_TABSTOP | BS_AUTOCHECKBOX,
     childShown | BS_AUTOCHECKBOX, notOnAButton | otherTypeBits(BS_AUTOCHECKBOX), false, true},
    {ControlKind::label, L"STATIC", childShown | SS_LEFT, childShown, 0, false, true},
    {ControlKind::optionButton, L"BUTTON", childShown | WS_TABSTOP | BS_AUTORADIOBUTTON,
     childShown | BS_AUTORADIOBUTTON, notOnAButton | otherTypeBits(BS_AUTORADIOBUTTON), false,
     true},
    {ControlKind::textBox, L"EDIT", childShown | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
     childShown, 0, true, true},
    {ControlKind::statusBar, STATUSCLASSNAMEW, childShown | CCS_BOTTOM, childShown, 0, false,
     false},
    {ControlKind::listBox, L"LISTBOX",
     childShown | WS_VSCROLL | WS_BORDER | WS_TABSTOP | LBS_NOTIFY | LBS_SORT,
     childShown | LBS_NOTIFY, 0, true, false},
};

const KindInfo* kindInfo(ControlKind kind) {
    for (const KindInfo& info : kinds)
        if (info.kind == kind) return &info;
    return nullptr;
}

RECT unitsToPixels(HWND dialog, int x, int y, int width, int height) {
    RECT rect{clampUnits(x), clampUnits(y), clampUnits(static_cast<long long>(x) + width),
              clampUnits(static_cast<long long>(y) + height)};
    MapDialogRect(dialog, &rect);
    return rect;
}

int horizontalPixels(HWND dialog, long long units) {
    RECT rect{clampUnits(units), 0, 0, 0};
    MapDialogRect(dialog, &rect);
    return rect.left;
}

bool hasTransparentBackground(HWND window) {
    const ColourState* colours = findColours(window);
    return colours && colours->set && colours->background == colorTransparent;
}

void redrawNow(HWND window, const RECT* area) {
    RedrawWindow(window, area, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A multi-line text box without auto-scroll refuses an insertion whose text
// needs more lines than the box shows. Wine's edit control puts a replaced
// selection back at the wrong place when it refuses such a replacement: it
// copies from past the refused text, so characters are lost and, when the
// whole of a full box was selected, it reads past its text buffer and corrupts
// the heap. Its refusal of an insertion at a plain caret is sound, so these
// boxes delete the selection first, then insert, and put the selection back
// when nothing went in.
WNDPROC editProcedure = nullptr; // the EDIT class's own, shared by every text box

// What Ctrl+Backspace types; it inserts nothing.
constexpr WPARAM deleteCharacter = 0x7F;

// Typing, pasting or replacing the selection with a non-empty text.
bool insertsText(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == EM_REPLACESEL)
        return lParam != 0 && *reinterpret_cast<const wchar_t*>(lParam) != L'\0';
    if ((GetWindowLongPtrW(box, GWL_STYLE) & ES_READONLY) != 0) return false;
    if (message == WM_PASTE) return true;
    return message == WM_CHAR && (wParam == L'\r' || wParam == L'\n' || wParam == L'\t' ||
                                  (wParam >= L' ' && wParam != deleteCharacter));
}

LRESULT replaceAfterDeleting(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD start = 0;
    DWORD end = 0;
    CallWindowProcW(editProcedure, box, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                    reinterpret_cast<LPARAM>(&end));
    if (start == end) return CallWindowProcW(editProcedure, box, message, wParam, lParam);
    const std::wstring selected = windowText(box).substr(start, end - start);
    CallWindowProcW(editProcedure, box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
    const int length = GetWindowTextLengthW(box);
    const LRESULT answer = CallWindowProcW(editProcedure, box, message, wParam, lParam);
    if (GetWindowTextLengthW(box) == length) {
        CallWindowProcW(editProcedure, box, EM_REPLACESEL, TRUE,
                        reinterpret_cast<LPARAM>(selected.c_str()));
        CallWindowProcW(editProcedure, box, EM_SETSEL, start, static_cast<LPARAM>(end));
    }
    return answer;
}

LRESULT CALLBACK multiLineBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (insertsText(box, message, wParam, lParam))
            return replaceAfterDeleting(box, message, wParam, lParam);
        return CallWindowProcW(editProcedure, box, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void guardReplacements(HWND box) {
    if (const LONG_PTR previous =
            SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(multiLineBoxProcedure)))
        editProcedure = reinterpret_cast<WNDPROC>(previous);
}

bool refusesExtraLines(ControlKind kind, DWORD style) {
    return kind == ControlKind::textBox &&
           (style & (ES_MULTILINE | ES_AUTOVSCROLL)) == ES_MULTILINE;
}

// The program's icon, where its file has one, stands in the dialog's title
// bar, on its taskbar button and in Alt+Tab, in the sizes the system uses.
void showProgramIcon(HWND dialog) {
    struct IconSize {
        WPARAM which;
        int width; // system metrics
        int height;
    };
    constexpr IconSize sizes[] = {{ICON_BIG, SM_CXICON, SM_CYICON},
                                  {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (const IconSize& size : sizes) {
        // Shared: the system keeps the icon for the whole run.
        const HANDLE icon =
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(PROGRAM_ICON), IMAGE_ICON,
                       GetSystemMetrics(size.width), GetSystemMetrics(size.height), LR_SHARED);
        if (icon) SendMessageW(dialog, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
    }
}

} // namespace

HWND dialogNew(int /*unitsMode: always dialogUnits*/, HWND owner, std::string_view caption, int x,
               int y, int width, int height, DWORD style, DWORD exStyle) {
    const bool centre = x == centred || y == centred;
    const DWORD finalStyle = dialogStyle(style, owner, centre);
    const std::vector<WORD> layout =
        dialogTemplate(finalStyle, exStyle, centre ? 0 : clampUnits(x), centre ? 0 : clampUnits(y),
                       clampUnits(width), clampUnits(height));
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<const DLGTEMPLATE*>(layout.data()),
                                             owner, dialogProcedure, 0);
    if (!dialog) return nullptr;
    DialogRecord record;
    record.owner = owner;
    record.style = finalStyle;
    record.exStyle = exStyle;
    record.pendingShow = initialShowState(finalStyle);
    record.font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    addDialogRecord(dialog, std::move(record));
    controlSetText(dialog, caption);
    showProgramIcon(dialog);
    return dialog;
}

void controlAdd(ControlKind kind, HWND dialog, int id, std::string_view text, int x, int y,
                int width, int height, DWORD style, DWORD exStyle, ControlCallback callback,
                const std::vector<std::string>* initialItems) {
    const KindInfo* info = kindInfo(kind);
    const DialogRecord* owner = findDialog(dialog);
    if (!info || !owner) return;
    DWORD finalStyle = style ? style : info->defaultStyle;
    if (!style && info->borderToEdge) {
        finalStyle &= ~WS_BORDER;
        exStyle |= WS_EX_CLIENTEDGE;
    }
    finalStyle = (finalStyle | info->added) & ~info->removed;
    const RECT rect = unitsToPixels(dialog, x, y, width, height);
    HWND control = CreateWindowExW(
        exStyle, info->windowClass, info->keepsText ? widen(text).c_str() : L"", finalStyle,
        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) return;
    if (refusesExtraLines(kind, finalStyle)) guardReplacements(control);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(owner->font), TRUE);
    addControlRecord(control, {dialog, id, kind, finalStyle, exStyle, callback, 0, {}});
    if (initialItems)
        for (const std::string& item : *initialItems)
            listBoxAdd(dialog, id, item);
}

void controlSetText(HWND window, std::string_view text) {
    SetWindowTextW(window, widen(text).c_str());
}

std::string controlGetText(HWND window) { return narrow(windowText(window)); }

void controlSetCheck(HWND dialog, int id, int state) {
    CheckDlgButton(dialog, id, static_cast<UINT>(state));
}

int controlGetCheck(HWND dialog, int id) {
    return static_cast<int>(IsDlgButtonChecked(dialog, id));
}

void controlSetOption(HWND dialog, int firstId, int lastId, int checkedId) {
    const DialogRecord* record = findDialog(dialog);
    if (!record) return;
    for (HWND control : record->controls) {
        const int id = findControl(control)->id;
        if (id >= firstId && id <= lastId)
            SendMessageW(control, BM_SETCHECK, id == checkedId ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void controlEnable(HWND dialog, int id, bool enable) {
    EnableWindow(controlOrDialog(dialog, id), enable);
}

void windowShowState(HWND window, int command) {
    DialogRecord* const dialog = findDialog(window);
    if (dialog && !dialog->shown) {
        const bool kept =
            command == SW_HIDE || command == SW_SHOWMAXIMIZED || command == SW_MINIMIZE;
        dialog->pendingShow = kept ? command : SW_SHOW;
        return;
    }
    if (!dialog && !findControl(window)) return;
    ShowWindow(window, command);
    windowRedraw(window);
}

// A transparent window shows its parent through it, so the part of the parent
// beneath is repainted as well, up the chain of transparent ancestors.
void windowRedraw(HWND window) {
    redrawNow(window, nullptr);
    for (HWND below = window; hasTransparentBackground(below);) {
        HWND parent = GetParent(below);
        if (!parent) break;
        RECT area;
        GetWindowRect(below, &area);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        redrawNow(parent, &area);
        below = parent;
    }
}

void controlSetFocus(HWND dialog, int id) {
    HWND control = getControl(dialog, id);
    if (!control) return;
    SetForegroundWindow(GetAncestor(control, GA_ROOT));
    SetFocus(control);
}

void statusBarSetParts(HWND dialog, int id, const std::vector<int>& widths) {
    HWND bar = getControl(dialog, id);
    if (!bar) return;
    std::vector<int> edges;
    long long edge = -1;
    for (int width : widths) {
        edge += width;
        edges.push_back(horizontalPixels(dialog, edge));
    }
    SendMessageW(bar, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void textBoxSetLimit(HWND dialog, int id, int characters) {
    SendDlgItemMessageW(dialog, id, EM_SETLIMITTEXT, static_cast<WPARAM>(characters), 0);
}
