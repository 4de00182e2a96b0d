#include "toolkit/Handler.h"

#include "toolkit/Painting.h"

namespace {

bool isColourMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

INT_PTR controlCallbackAnswer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const ControlRecord* control = findControl(reinterpret_cast<HWND>(lParam));
    return control && control->callback
               ? callCallback(control->callback, dialog, message, wParam, lParam)
               : 0;
}

// A nonzero answer is also the dialog's message result, unless the callback
// stored one itself.
INT_PTR callbackAnswer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const DialogRecord* record = findDialog(dialog);
    if (!record || !record->callback) return 0;
    const LRESULT answer = callCallback(record->callback, dialog, message, wParam, lParam);
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
    if (LOWORD(wParam) != WA_INACTIVE) setActiveDialog(dialog);
}

// The records go whatever the callback answers. A modal loop waiting for its
// next message is woken to notice that the dialog is gone.
INT_PTR onFinalDestroy(HWND dialog, LPARAM lParam) {
    const INT_PTR answer = callbackAnswer(dialog, WM_NCDESTROY, 0, lParam);
    if (const DialogRecord* record = findDialog(dialog)) {
        if (activeDialog() == dialog)
            setActiveDialog(findDialog(record->owner) ? record->owner : nullptr);
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

} // namespace

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handle(dialog, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT callCallback(DialogCallback callback, HWND dialog, UINT message, WPARAM wParam,
                     LPARAM lParam) noexcept {
    try {
        return callback(dialog, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
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
