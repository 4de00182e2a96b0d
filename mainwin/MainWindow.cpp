// The main window's layout, its initialisation (loading the client file and
// filling the list) and the dispatch of its messages to the commands.
#include "mainwin/MainWindow.h"

#include "form/IntakeForm.h"
#include "mainwin/Commands.h"
#include "mainwin/ReadOnly.h"
#include "mainwin/Recovery.h"
#include "mainwin/SessionEnd.h"
#include "records/ClientCodec.h"
#include "records/ClientFile.h"
#include "records/RecoveryJournal.h"
#include "toolkit/Appearance.h"
#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"
#include "toolkit/Modal.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Dialog units; the list and the button column follow from the window's size.
constexpr int windowWidth = 300;
constexpr int windowHeight = 240;
constexpr int buttonX = windowWidth - 75;
// The label above the list has the id of unaddressed controls, IDC_STATIC's -1;
// it is looked up once, to colour it.
constexpr int clientsLabel = -1;
// The status bar's last part: wider than any window, so it reaches the right edge.
constexpr int restOfTheBar = 9999;

struct ButtonRow {
    int id;
    const char* text;
    int y;
};

// In creation order, which is also the tab order.
constexpr ButtonRow buttons[] = {
    {addButton, "Add Client", 20},         {editButton, "Edit Client", 46},
    {deleteButton, "Delete Client", 72},   {showButton, "Show Client", 114},
    {filterButton, "Filter Clients", 140}, {quitButton, "Quit Program", 166},
};

// What went wrong while loading, one sentence a line; shown once the window is
// visible.
std::string loadReport;
// How this run found the client file's lock at start.
LockResult startLock;

void addToLoadReport(const std::string& sentence) {
    if (!loadReport.empty()) loadReport += "\r\n";
    loadReport += sentence;
}

// Adds every client's name to the list and arranges `clients` in the order the
// list chose, so that line k shows element k even for a file that is not in
// list order. A file saved by this program is, and is then left as it is;
// `order` then only grows at its end.
void fillClientList(HWND dialog) {
    std::vector<std::string> names;
    names.reserve(clients.size());
    for (const ClientRecord& client : clients)
        names.push_back(recordName(client));
    const std::vector<int> lines = listBoxAddLines(dialog, clientList, names);
    std::vector<int> order; // order[j]: the file position of line j + 1
    order.reserve(lines.size());
    for (std::size_t k = 0; k < lines.size() && lines[k] > 0; ++k)
        order.insert(order.begin() + (lines[k] - 1), static_cast<int>(k));
    // After a line the list refused, the clients are dropped, so lines and
    // clients match.
    if (order.size() < clients.size()) {
        addToLoadReport("Only " + std::to_string(order.size()) + " of the " +
                        std::to_string(clients.size()) + " clients could be listed.");
    }
    if (order.size() == clients.size() && std::is_sorted(order.begin(), order.end())) return;
    std::vector<ClientRecord> arranged;
    arranged.reserve(order.size());
    for (const int k : order)
        arranged.push_back(clients[std::size_t(k)]);
    clients = std::move(arranged);
}

void showClients(HWND dialog, const FileResult& loaded) {
    addToLoadReport(loaded.message);
    fillClientList(dialog);
    fileChanged = false;
    listBoxSelect(dialog, clientList, 1);
}

bool heldElsewhere() { return startLock.outcome == LockOutcome::heldElsewhere; }

// While another copy holds the client file, nothing is loaded and no journal
// looked at until the user has chosen to look at it read-only.
LRESULT onInit(HWND dialog) {
    std::copy(std::begin(pageIdRangeSizes), std::end(pageIdRangeSizes), pageControlCounts);
    dataFileName = clientFilePath();
    loadReport.clear();
    watchSessionEnd(dialog);
    if (heldElsewhere()) {
        postToWindow(dialog, privateMessage, 0, 0);
        return 0;
    }
    const FileResult loaded = loadClients();
    showClients(dialog, loaded);
    const bool journalFound = findJournal(loaded.ok);
    if (!loadReport.empty() || journalFound) postToWindow(dialog, privateMessage, 0, 0);
    return 0;
}

// Posted by the initialisation, so the boxes stand over the visible window: the
// question of a copy that finds the client file held elsewhere before any
// other; then what went wrong while loading, then what became of a journal
// left behind.
LRESULT onShown(HWND dialog) {
    if (heldElsewhere()) {
        if (!askToOpenReadOnly(dialog, startLock.holder)) {
            dialogEnd(dialog, 0);
            return 0;
        }
        controlSetText(dialog, readOnlyTitle());
        showClients(dialog, loadClientsReadOnly());
    }
    if (!loadReport.empty())
        messageBox(loadReport, "Opening Client File", MB_OK | MB_ICONEXCLAMATION, dialog);
    settleJournal(dialog);
    return 0;
}

LRESULT onCommand(HWND dialog, WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    if (id == clientList && notification == LBN_DBLCLK) {
        sendToWindow(dialog, WM_COMMAND, MAKEWPARAM(showButton, BN_CLICKED), 0);
        return 0;
    }
    if (notification != BN_CLICKED) return 0;
    switch (id) {
    case addButton:
        addClient(dialog);
        break;
    case editButton:
        editClient(dialog);
        break;
    case deleteButton:
        deleteClient(dialog);
        break;
    case showButton:
        showClient(dialog);
        break;
    case quitButton:
        sendToWindow(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    default: // Filter Clients has no action
        break;
    }
    return 0;
}

LRESULT mainWindowCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return onInit(dialog);
    case privateMessage:
        return onShown(dialog);
    case WM_COMMAND:
        return onCommand(dialog, wParam);
    case WM_SYSCOMMAND:
        return isCloseCommand(wParam) ? closeProgram(dialog) : 0;
    default:
        return 0;
    }
}

} // namespace

std::string mainWindowTitle() { return std::string("Vellumor - Ver ") + versionText; }

std::string readOnlyTitle() { return mainWindowTitle() + " - read-only"; }

std::wstring clientFilePath() { return programFolder() + L"vellumor.vmr"; }

// A mutex name holds no backslash and is short, so the path, case-folded, is
// reduced to its FNV-1a hash.
std::wstring sessionMutexName(const std::wstring& clientFile) {
    std::wstring folded = clientFile;
    CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : folded)
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    return L"Local\\Vellumor-" + std::to_wstring(hash);
}

bool runMainWindow(const LockResult& lock) {
    startLock = lock;
    leaveReadOnly();
    mainWindow = dialogNew(dialogUnits, nullptr, mainWindowTitle(), 100, 20, windowWidth,
                           windowHeight, WS_SYSMENU | WS_MINIMIZEBOX, 0);
    if (mainWindow == nullptr) return false;
    controlSetColor(mainWindow, dialogItself, colorWhite, colorBlack);
    controlAdd(ControlKind::label, mainWindow, clientsLabel, "Clients", 10, 10, 50, 15);
    controlSetColor(mainWindow, clientsLabel, colorWhite, colorBlack);
    controlAdd(ControlKind::listBox, mainWindow, clientList, "", 5, 20, windowWidth - 105,
               windowHeight - 50);
    for (const ButtonRow& button : buttons) {
        controlAdd(ControlKind::pushButton, mainWindow, button.id, button.text, buttonX, button.y,
                   60, 25);
    }
    controlAdd(ControlKind::statusBar, mainWindow, statusBarControl, "", 0, 0, 0, 0);
    statusBarSetParts(mainWindow, statusBarControl, {windowWidth - 70, restOfTheBar});
    dialogShowModal(mainWindow, mainWindowCallback);
    mainWindow = nullptr;
    closeJournal(); // when the window ended without Close, the changes stay in it
    return true;
}
