#include "MessageBoxAnswerer.h"

#include "WindowsTest.h"
#include "toolkit/Wide.h"

namespace {

constexpr UINT pollMs = 10;
MessageBoxAnswerer* current = nullptr;

// The box's message is the one static control with text (the icon has none).
BOOL CALLBACK findMessage(HWND child, LPARAM text) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Static") != 0 || GetWindowTextLengthW(child) == 0) return TRUE;
    *reinterpret_cast<std::string*>(text) = narrow(windowText(child));
    return FALSE;
}

SeenMessageBox describe(HWND box) {
    SeenMessageBox seen;
    EnumChildWindows(box, findMessage, reinterpret_cast<LPARAM>(&seen.text));
    seen.caption = narrow(windowText(box));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.ownerEnabled = seen.owner && IsWindowEnabled(seen.owner);
    seen.hasIcon = SendMessageW(box, WM_GETICON, ICON_BIG, 0) != 0 ||
                   SendMessageW(box, WM_GETICON, ICON_SMALL, 0) != 0;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button)) seen.buttons.push_back(id);
    }
    return seen;
}

} // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> buttons) : answers(std::move(buttons)) {
    current = this;
    timer = SetTimer(nullptr, 0, pollMs, onTimer);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    KillTimer(nullptr, timer);
    current = nullptr;
}

void CALLBACK MessageBoxAnswerer::onTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (current) current->answerOpenBox();
}

void MessageBoxAnswerer::answerOpenBox() {
    if (boxes.size() >= answers.size()) return;
    for (HWND box : threadMessageBoxes()) {
        if (box == lastAnswered) continue;
        const int answer = answers[boxes.size()];
        boxes.push_back(describe(box));
        lastAnswered = box;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        return;
    }
}
