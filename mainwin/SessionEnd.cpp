#include "mainwin/SessionEnd.h"

#include "form/IntakeForm.h"
#include "records/ClientFile.h"
#include "records/RecoveryJournal.h"
#include "toolkit/SystemFunction.h"

namespace {

HWND watched = nullptr;
WNDPROC dialogWindowProcedure = nullptr;
bool reasonGiven = false;

const wchar_t formOpen[] = L"A client's intake form is open with answers not yet processed.";
const wchar_t notJournalled[] =
    L"Changes to clients are not saved, and the recovery journal could not keep them.";

// Why the session may not end yet; nullptr when it may.
const wchar_t* reasonToStay() {
    if (formHoldsUnprocessedAnswers()) return formOpen;
    if (fileChanged && journalFailed()) return notJournalled;
    return nullptr;
}

// The system shows the reason beside the program while it holds up the end
// (from Windows Vista on; older systems lack the calls).
void giveReason(const wchar_t* reason) {
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (const auto create = systemFunction<Create>(L"user32.dll", "ShutdownBlockReasonCreate"))
        reasonGiven = create(watched, reason) != FALSE;
}

LRESULT CALLBACK sessionEndProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        const wchar_t* reason = reasonToStay();
        if (reason == nullptr) {
            allowSessionEnd();
            return TRUE;
        }
        giveReason(reason);
        return FALSE;
    }
    // The session ends now, whatever the answer was: the journal keeps the
    // changes, and there is no time to ask about saving them.
    if (message == WM_ENDSESSION && wParam != FALSE) ExitProcess(0);
    return CallWindowProcW(dialogWindowProcedure, window, message, wParam, lParam);
}

} // namespace

void watchSessionEnd(HWND main) {
    watched = main;
    reasonGiven = false;
    dialogWindowProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sessionEndProcedure)));
}

void allowSessionEnd() {
    using Destroy = BOOL(WINAPI*)(HWND);
    if (!reasonGiven) return;
    if (const auto destroy = systemFunction<Destroy>(L"user32.dll", "ShutdownBlockReasonDestroy"))
        destroy(watched);
    reasonGiven = false;
}
