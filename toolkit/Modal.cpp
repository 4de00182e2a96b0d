#include "toolkit/Modal.h"

#include "toolkit/Registry.h"

namespace {

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

void dialogShowModal(HWND dialog, DialogCallback callback, int* result) {
    if (!findDialog(dialog)) return;
    SetForegroundWindow(dialog);
    if (callback) {
        callCallback(callback, dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
        if (const DialogRecord* record = findDialog(dialog))
            callCallback(callback, dialog, WM_SIZE, sizeType(record->pendingShow),
                         clientSize(dialog));
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

LRESULT sendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(window, message, wParam, lParam);
}

bool postToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}
