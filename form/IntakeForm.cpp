// The intake form window: opening it in one of its three modes, its callback,
// paging with Back and Next, the close prompt and the lazy page builder.
#include "form/IntakeForm.h"

#include "form/Bindings.h"
#include "form/PageTable.h"
#include "records/ClientFile.h"
#include "toolkit/Appearance.h"
#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"
#include "toolkit/Modal.h"
#include "toolkit/text/Text.h"

#include <string>

HWND mainWindow = nullptr;
HWND formWindow = nullptr;
FormMode formMode = noMode;
int currentClient = 0;
ClientRecord workingRecord{};
ClientRecord uneditedCopy{};
bool accepted = false;
bool formDirty = false;
bool pageBuilt[pageCount + 1] = {};
int pageControlCounts[pageCount + 1] = {};
int currentPage = 0;

namespace {

constexpr int formWidth = 350;
constexpr int formHeight = 360;
constexpr int buttonRow = formHeight - 40;

// The box that gets the keyboard focus when a page has been built; 0: none.
constexpr int prescriptionsBox = 302;
constexpr int pageFocus[pageCount + 1] = {0, nameBox, prescriptionsBox, 0, 0, 0};

int headingFont = 0;

void setPageShown(int page, int command) {
    const int first = pageFirstId(page);
    const int last = first - 1 + pageControlCounts[page];
    for (int id = first; id <= last; ++id) {
        if (const HWND control = getControl(formWindow, id)) windowShowState(control, command);
    }
}

void buildControls(int page) {
    const PageTable& table = pageTable(page);
    for (std::size_t i = 0; i < table.count; ++i) {
        const ControlRow& row = table.controls[i];
        const std::string text = (row.look & lookToday) != 0 ? todayText() : row.text;
        controlAdd(row.kind, formWindow, row.id, text, row.x, row.y, row.width, row.height,
                   row.style, row.exStyle);
        if ((row.look & lookWhiteBlack) != 0)
            controlSetColor(formWindow, row.id, colorWhite, colorBlack);
        if ((row.look & lookHeading) != 0) controlSetFont(formWindow, row.id, headingFont);
    }
}

// A text box takes no more characters than its field keeps, so nothing the user
// types is cut silently.
void limitTextBoxes(int page) {
    for (std::size_t i = 0; i < bindingCount; ++i) {
        const FieldInfo& field = *bindings[i].field;
        const bool isText = field.kind == FieldKind::text || field.kind == FieldKind::otherText;
        if (field.page == page && isText) {
            textBoxSetLimit(formWindow, bindings[i].firstId, field.span.size - 1);
        }
    }
}

void setPageCaption() { controlSetText(formWindow, "Forms - Page " + numberToText(currentPage)); }

void updatePagingButtons() {
    controlEnable(formWindow, backButton, currentPage != 1);
    controlEnable(formWindow, nextButton, currentPage != pageCount);
}

void goBack() {
    if (currentPage > 1) {
        showPage(currentPage - 1);
        --currentPage;
    }
    setPageCaption();
}

void goNext() {
    if (currentPage < pageCount) {
        showPage(currentPage + 1);
        ++currentPage;
    }
    setPageCaption();
}

// A rejected collection keeps the form open on its page with the caret in the
// name box; an accepted one ends the form.
void processForm() {
    if (!collect()) {
        controlSetFocus(formWindow, nameBox);
        return;
    }
    formDirty = !recordEqual(workingRecord, uneditedCopy);
    if (formDirty) fileChanged = true;
    dialogEnd(formWindow, 0);
}

LRESULT onInit() {
    for (bool& built : pageBuilt)
        built = false;
    headingFont =
        fontNew("Font1", 9, fontBold | fontUnderline, ANSI_CHARSET, DEFAULT_PITCH | FF_DONTCARE, 0);
    currentPage = 0;
    postToWindow(formWindow, privateMessage, 0, 0);
    return 0;
}

LRESULT onFirstPage() {
    showPage(1);
    currentPage = 1;
    controlEnable(formWindow, backButton, false);
    return 0;
}

LRESULT onCommand(WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    if (id == processButton && notification == BN_CLICKED) {
        processForm();
        return 0;
    }
    if (id == backButton && notification == BN_CLICKED) goBack();
    if (id == nextButton && notification == BN_CLICKED) goNext();
    if (id == nameBox && notification == EN_CHANGE && formMode < showMode) formDirty = true;
    updatePagingButtons();
    return 0;
}

// Returns 1 to keep the form open. Only the process button hands a record to
// the main window: an edit-mode close collects to judge the edits and to run
// the name check, but leaves nothing accepted.
LRESULT onClose() {
    if (formMode == editMode) {
        collect();
        accepted = false;
        formDirty = !recordEqual(workingRecord, uneditedCopy);
    }
    if (formMode == showMode) formDirty = false;
    if (formDirty &&
        messageBox("Data has not been processed... close anyway?", "Closing Client Form",
                   MB_OKCANCEL | MB_ICONEXCLAMATION, formWindow) == IDCANCEL) {
        return 1;
    }
    return 0;
}

LRESULT formCallback(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return onInit();
    case privateMessage:
        return onFirstPage();
    case WM_COMMAND:
        return onCommand(wParam);
    case WM_SYSCOMMAND:
        return isCloseCommand(wParam) ? onClose() : 0;
    default:
        return 0;
    }
}

} // namespace

void openIntakeForm(std::string_view mode) {
    formWindow = dialogNew(dialogUnits, mainWindow, std::string(mode) + "Forms", 20, 10, formWidth,
                           formHeight, WS_SYSMENU | WS_MINIMIZEBOX, 0);
    controlSetColor(formWindow, dialogItself, colorWhite, colorBlack);
    if (textCompare(mode, "Client_") != 0) {
        controlAdd(ControlKind::pushButton, formWindow, processButton,
                   std::string(mode) + "client data", 5, buttonRow, 80, 20);
    }
    controlAdd(ControlKind::pushButton, formWindow, backButton, "Back", formWidth - 120, buttonRow,
               50, 20);
    controlAdd(ControlKind::pushButton, formWindow, nextButton, "Next", formWidth - 60, buttonRow,
               50, 20);
    dialogShowModal(formWindow, formCallback);
    formWindow = nullptr;
}

bool formHoldsUnprocessedAnswers() {
    if (formWindow == nullptr) return false;
    if (formMode == addMode) return formDirty;
    if (formMode != editMode) return false;
    ClientRecord shown = uneditedCopy;
    collectBuiltPages(shown);
    return !recordEqual(shown, uneditedCopy);
}

void showPage(int page) {
    if (page < 1 || page > pageCount) return;
    if (currentPage != 0) setPageShown(currentPage, SW_HIDE);
    if (pageBuilt[page]) {
        setPageShown(page, SW_SHOWNORMAL);
        windowRedraw(formWindow);
        return;
    }
    buildControls(page);
    limitTextBoxes(page);
    if (currentClient != 0) fillPage(page);
    if (pageFocus[page] != 0) controlSetFocus(formWindow, pageFocus[page]);
    pageBuilt[page] = true;
    windowRedraw(formWindow);
}
