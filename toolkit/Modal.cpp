#include "toolkit/Modal.h"

#include "toolkit/Handler.h"
#include "toolkit/Painting.h"
#include "toolkit/Registry.h"

namespace {

HWND active = nullptr;

// Callbacks are the program's code: whatever they throw stops here.
LRESULT invoke(DialogCallback callback, HWND dialog, UINT message, WPARAM wParam,
               LPARAM lParam) noexcept {
    try {
        return callback(dialog, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool isColourMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

INT_PTR controlCallbackAnswer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const ControlRecord* control = findControl(reinterpret_cast<HWND>(lParam));
    return control && control->callback ? invoke(control->callback, dialog, message, wParam, lParam)
                                        : 0;
}

// A nonzero answer is also the dialog's message result, unless the callback
// stored one itself.
INT_PTR callbackAnswer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const DialogRecord* record = findDialog(dialog);
    if (!record || !record->callback) return 0;
    const LRESULT answer = invoke(record->callback, dialog, message, wParam, lParam);
    if (answer && IsWindow(dialog) && GetWindowLongPtrW(dialog, DWLP_MSGRESULT) == 0)
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, answer);
    return answer;
}

// Keeps the status bars docked at the bottom.
void forwardSize(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const DialogRecord* record = findDialog(dialog);
    if (!record) return;
    for (HWND control : record->controls)
        if (findControl(control)->kind == ControlKind::statusBar)
            SendMessageW(control, WM_SIZE, wParam, lParam);
}

INT_PTR defaultAnswer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (isColourMessage(message))
        return colourAnswer(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    if (message == WM_SYSCOMMAND && isCloseCommand(wParam)) {
        dialogEnd(dialog, 0);
        return TRUE;
    }
    if (message == WM_SIZE) forwardSize(dialog, wParam, lParam);
    return 0;
}

void onActivate(HWND dialog, WPARAM wParam) {
    if (LOWORD(wParam) != WA_INACTIVE) active = dialog;
}

// The records go whatever the callback answers. A modal loop waiting for its
// next message is woken to notice that the dialog is gone.
INT_PTR onFinalDestroy(HWND dialog, LPARAM lParam) {
    const INT_PTR answer = callbackAnswer(dialog, WM_NCDESTROY, 0, lParam);
    if (const DialogRecord* record = findDialog(dialog)) {
        if (active == dialog) active = findDialog(record->owner) ? record->owner : nullptr;
        if (record->shown) PostMessageW(nullptr, WM_NULL, 0, 0);
    }
    releaseRecords(dialog);
    return answer;
}

INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        onActivate(dialog, wParam);
        return 0;
    case WM_NCDESTROY:
        return onFinalDestroy(dialog, lParam);
    case WM_COMMAND:
        // A disabled dialog stands behind a form or a message box. Clicks queued
        // for its controls before it was disabled, or posted to them since, still
        // reach the controls; passed on, each would start a second command.
        if (lParam != 0 && !IsWindowEnabled(dialog)) return TRUE;
        [[fallthrough]];
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (const INT_PTR answer = controlCallbackAnswer(dialog, message, wParam, lParam))
            return answer;
        break;
    default:
        break;
    }
    if (const INT_PTR answer = callbackAnswer(dialog, message, wParam, lParam)) return answer;
    return defaultAnswer(dialog, message, wParam, lParam);
}

LPARAM clientSize(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    return MAKELPARAM(client.right, client.bottom);
}

WPARAM sizeType(int showState) {
    if (showState == SW_SHOWMAXIMIZED) return SIZE_MAXIMIZED;
    if (showState == SW_MINIMIZE) return SIZE_MINIMIZED;
    return SIZE_RESTORED;
}

// Waits for the next message of the thread. When the queue has run empty the
// owner hears WM_ENTERIDLE once before the wait. False when the dialog went
// away meanwhile.
bool nextMessage(MSG& message, HWND dialog, HWND idleOwner) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return true;
    if (idleOwner)
        SendMessageW(idleOwner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
    return IsWindow(dialog) && GetMessageW(&message, nullptr, 0, 0) != -1;
}

void runLoop(HWND dialog, HWND idleOwner) {
    MSG message;
    while (IsWindow(dialog) && nextMessage(message, dialog, idleOwner)) {
        if (message.message == WM_QUIT) {
            // Someone asked the whole thread to stop: the outer loops hear it too.
            PostQuitMessage(static_cast<int>(message.wParam));
            dialogEnd(dialog, 0);
            return;
        }
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handle(dialog, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void dialogShowModal(HWND dialog, DialogCallback callback, int* result) {
    if (!findDialog(dialog)) return;
    SetForegroundWindow(dialog);
    if (callback) {
        invoke(callback, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
        if (const DialogRecord* record = findDialog(dialog))
            invoke(callback, dialog, WM_SIZE, sizeType(record->pendingShow), clientSize(dialog));
    }
    DialogRecord* record = findDialog(dialog);
    if (!record) return; // ended during its initialisation
    record->callback = callback;
    record->shown = true;
    record->result = result;
    HWND owner = record->owner;
    HWND idleOwner = record->style & DS_NOIDLEMSG ? nullptr : owner;
    const int showState = record->pendingShow;
    if (owner) {
        SendMessageW(owner, WM_CANCELMODE, 0, 0);
        EnableWindow(owner, FALSE);
    }
    ShowWindow(dialog, showState);
    runLoop(dialog, idleOwner);
    if (owner && IsWindow(owner)) SetFocus(owner);
}

void dialogEnd(HWND dialog, int result) {
    const DialogRecord* record = findDialog(dialog);
    if (!record) return;
    if (record->result) *record->result = result;
    HWND owner = record->owner;
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    if (owner) EnableWindow(owner, TRUE);
    DestroyWindow(dialog);
}

LRESULT sendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(window, message, wParam, lParam);
}

bool postToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}

HWND activeDialog() { return active; }

int openDialogs() { return static_cast<int>(dialogRecordCount()); }
