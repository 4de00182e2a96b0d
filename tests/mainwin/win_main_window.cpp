// The real main window, run modally in the test: steps queued on thread timers
// click its buttons and the form's, each once the window it needs is ready;
// message boxes are answered as a user would. After every command the list and
// `clients` must stand in the same order.
#include "MainWindowSession.h"
#include "MessageBoxAnswerer.h"
#include "WindowsTest.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "records/ClientCodec.h"
#include "records/ClientFile.h"
#include "records/ClientRecord.h"
#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

bool mainIdle() {
    return mainWindow != nullptr && formWindow == nullptr && IsWindowVisible(mainWindow) &&
           IsWindowEnabled(mainWindow);
}

Step inMain(std::function<void()> act) { return {mainIdle, std::move(act)}; }
Step inForm(std::function<void()> act) { return {formReady, std::move(act)}; }

void clickForm(int id) { click(formWindow, id); }
void typeInForm(int id, const std::string& text) {
    controlSetText(getControl(formWindow, id), text);
}

int selected() { return listBoxGetSelect(mainWindow, clientList, 1); }

// The list shows `lines`, `clients` holds them in the same order, and line
// `line` is selected.
void expectShown(const Names& lines, int line) {
    EXPECT_EQ(listed(), lines);
    EXPECT_EQ(clientNames(), lines);
    EXPECT_EQ(selected(), line);
}

// The list shows `lines` with line `line` selected, nothing is left to save,
// and the program quits.
Step quitUnchanged(const Names& lines, int line) {
    return inMain([lines, line] {
        expectShown(lines, line);
        EXPECT_FALSE(fileChanged);
        clickMain(quitButton);
    });
}

std::string cityOf(const ClientRecord& record) { return readText(record, CLIENT_FIELD(city)); }

const std::vector<ClientRecord> threeClients = {
    recordNamed("Alpha", "Fresno"), recordNamed("charlie", "Chico"), recordNamed("delta", "Davis")};

using MainWindowTest = MainWindowSessionTest;

TEST_F(MainWindowTest, WindowHasItsTitleStyleAndLayout) {
    writeClients(threeClients);
    run({inMain([] {
        EXPECT_EQ(controlGetText(mainWindow), "Vellumor - Ver 1.01");
        const LONG style = GetWindowLongW(mainWindow, GWL_STYLE);
        EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX), WS_SYSMENU | WS_MINIMIZEBOX) << style;
        EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << style;
        struct Expected {
            int id;
            const char* text;
            RECT units;
        };
        const Expected controls[] = {
            {clientList, "", {5, 20, 200, 210}},
            {addButton, "Add Client", {225, 20, 285, 45}},
            {editButton, "Edit Client", {225, 46, 285, 71}},
            {deleteButton, "Delete Client", {225, 72, 285, 97}},
            {showButton, "Show Client", {225, 114, 285, 139}},
            {filterButton, "Filter Clients", {225, 140, 285, 165}},
            {quitButton, "Quit Program", {225, 166, 285, 191}},
        };
        for (const Expected& expected : controls) {
            const HWND control = getControl(mainWindow, expected.id);
            ASSERT_NE(control, nullptr) << expected.id;
            RECT wanted = expected.units;
            MapDialogRect(mainWindow, &wanted);
            RECT actual{};
            GetWindowRect(control, &actual);
            MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_TRUE(EqualRect(&wanted, &actual))
                << expected.id << " at " << actual.left << "," << actual.top << " " << actual.right
                << "," << actual.bottom;
            if (expected.id != clientList) {
                EXPECT_EQ(controlGetText(control), expected.text);
            }
        }
        EXPECT_EQ(getControl(mainWindow, 106), nullptr);
        const HWND label = FindWindowExW(mainWindow, nullptr, L"Static", L"Clients");
        EXPECT_NE(label, nullptr);
        const HWND status = getControl(mainWindow, statusBarControl);
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(SendMessageW(status, SB_GETPARTS, 0, 0), 2);
        EXPECT_EQ(SendMessageW(status, SB_GETTEXTLENGTHW, 0, 0), 0);
        EXPECT_EQ(std::vector<int>(pageControlCounts + 1, pageControlCounts + 6),
                  (std::vector<int>{40, 28, 65, 63, 60}));
        EXPECT_EQ(dataFileName, programFolder() + L"vellumor.vmr");
        expectShown({"Alpha", "charlie", "delta"}, 1);
        clickMain(quitButton);
    })});
}

// The window's big and small icons have the sizes the system uses for them.
void expectProgramIcons(HWND window) {
    for (const auto& [kind, size] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind, 0));
        ICONINFO info{};
        BITMAP picture{};
        if (icon != nullptr && GetIconInfo(icon, &info)) {
            GetObjectW(info.hbmColor, sizeof picture, &picture);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        EXPECT_EQ(picture.bmWidth, GetSystemMetrics(size)) << "icon kind " << kind;
    }
}

// The main window and the form show the program's icon (this test program
// carries it, as vellumor.exe does) in the title bar, the taskbar and Alt+Tab;
// message boxes show none, as before.
TEST_F(MainWindowTest, WindowsShowTheProgramIconAndMessageBoxesNone) {
    const MessageBoxAnswerer boxes({IDNO});
    run({inMain([] {
             expectProgramIcons(mainWindow);
             clickMain(addButton);
         }),
         inForm([] {
             expectProgramIcons(formWindow);
             typeInForm(202, "Zed");
             clickForm(150);
         }),
         inMain([] { clickMain(quitButton); })});
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_FALSE(boxes.seen()[0].hasIcon) << boxes.seen()[0].caption;
}

// Without a file the window opens empty and a 0-byte file appears; the
// commands that need a client do nothing, and quitting writes nothing.
TEST_F(MainWindowTest, FirstStartCreatesAnEmptyFileAndNeedsNoClientForQuit) {
    const MessageBoxAnswerer boxes({IDOK});
    formMode = noMode;
    run({inMain([] {
             expectShown({}, 0);
             EXPECT_EQ(fileBytes().size(), 0u);
             EXPECT_TRUE(GetFileAttributesW(clientFilePath().c_str()) != INVALID_FILE_ATTRIBUTES);
             clickMain(editButton);
             clickMain(showButton);
             clickMain(deleteButton);
             clickMain(filterButton);
         }),
         inMain([] {
             EXPECT_EQ(formMode, 0);
             EXPECT_FALSE(fileChanged);
             clickMain(quitButton);
         })});
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(fileBytes().size(), 0u);
}

// A file not in list order (written elsewhere, or cut short so that a zero
// record comes first in sort order) is arranged as the list sorts it, so each
// line shows its own client.
TEST_F(MainWindowTest, UnsortedFileIsArrangedInListOrder) {
    writeClients({recordNamed("delta", "Davis"), recordNamed("Alpha", "Fresno"),
                  recordNamed("charlie", "Chico")});
    run({inMain([] {
        expectShown({"Alpha", "charlie", "delta"}, 1);
        EXPECT_EQ(cityOf(clients[0]), "Fresno");
        EXPECT_EQ(cityOf(clients[2]), "Davis");
        clickMain(quitButton);
    })});

    Bytes cut = encodeClients({recordNamed("beta", "Berkeley")});
    cut[4] = 2; // two clients stated, one present: the second is all zero
    writeFile(cut);
    const MessageBoxAnswerer boxes({IDOK});
    run({inMain([] {
        expectShown({"", "beta"}, 1);
        EXPECT_EQ(cityOf(clients[1]), "Berkeley");
        clickMain(quitButton);
    })});
    ASSERT_EQ(boxes.seen().size(), 1u) << "the cut file is reported";
    EXPECT_EQ(boxes.seen()[0].text, "The client file ends early: 1 of its 2 clients is "
                                    "incomplete, and the missing answers are left blank.");
}

TEST_F(MainWindowTest, LoadProblemIsShownOverAnEmptyListAndTheFileIsKept) {
    const Bytes damaged = {0x31, 0x2E, 0x30, 0x31, 0xFF, 0xFF, 0xFF, 0xFF, 0x41};
    writeFile(damaged);
    const MessageBoxAnswerer boxes({IDOK});
    run({inMain([] {
        expectShown({}, 0);
        clickMain(quitButton);
    })});
    ASSERT_EQ(boxes.seen().size(), 1u);
    const SeenMessageBox& box = boxes.seen()[0];
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(box.caption, "Opening Client File");
    EXPECT_FALSE(box.ownerEnabled);
    EXPECT_EQ(fileBytes(), damaged);
}

// Saving over a file that could not be read keeps it aside; the note says
// where, and the program closes.
TEST_F(MainWindowTest, KeptAsideNoteIsShownAndTheProgramCloses) {
    writeFile({0x31, 0x2E, 0x30, 0x31, 0xFF, 0xFF, 0xFF, 0xFF});
    const MessageBoxAnswerer boxes({IDOK, IDYES, IDOK});
    run({inMain([] { clickMain(addButton); }), inForm([] {
             typeInForm(202, "Zed");
             clickForm(150);
         }),
         inMain([] {
             expectShown({"Zed"}, 1);
             clickMain(quitButton);
         })});
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[2].caption, "Closing Program");
    EXPECT_NE(boxes.seen()[2].text.find("unreadable"), std::string::npos) << boxes.seen()[2].text;
    EXPECT_EQ(savedNames(), Names{"Zed"});
}

struct AddCase {
    std::vector<ClientRecord> start;
    Names after;
    int line;
};

TEST_F(MainWindowTest, AddedClientTakesItsSortedLineAndIsSelected) {
    const AddCase cases[] = {
        {threeClients, {"Alpha", "beta", "charlie", "delta"}, 2},
        {threeClients, {"Alpha", "charlie", "delta", "zulu"}, 4},
        {{}, {"beta"}, 1},
    };
    for (const AddCase& c : cases) {
        SCOPED_TRACE(c.after[std::size_t(c.line - 1)]);
        writeClients(c.start);
        const std::string name = c.after[std::size_t(c.line - 1)];
        const MessageBoxAnswerer boxes({IDYES});
        run({inMain([] { clickMain(addButton); }), inForm([name] {
                 EXPECT_EQ(controlGetText(formWindow), "Add_Forms");
                 typeInForm(202, name);
                 typeInForm(206, "Berkeley");
                 clickForm(150);
             }),
             inMain([c] {
                 expectShown(c.after, c.line);
                 EXPECT_EQ(currentClient, c.line);
                 EXPECT_EQ(cityOf(clients[std::size_t(c.line - 1)]), "Berkeley");
                 EXPECT_TRUE(fileChanged);
                 clickMain(quitButton);
             })});
        EXPECT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(savedNames(), c.after);
    }
}

// Renaming moves the client, line and record together; the same name puts it
// back among equal names without losing the other one.
TEST_F(MainWindowTest, EditedClientMovesToItsSortedLine) {
    writeClients(threeClients);
    {
        const MessageBoxAnswerer boxes({IDYES});
        run({inMain([] { clickMain(editButton); }), inForm([] {
                 EXPECT_EQ(controlGetText(formWindow), "Edit_Forms");
                 EXPECT_EQ(controlGetText(getControl(formWindow, 202)), "Alpha");
                 typeInForm(202, "echo");
                 clickForm(150);
             }),
             inMain([] {
                 expectShown({"charlie", "delta", "echo"}, 3);
                 EXPECT_EQ(cityOf(clients[2]), "Fresno");
                 EXPECT_EQ(clientCount(), 3);
                 listBoxSelect(mainWindow, clientList, 1);
                 clickMain(editButton);
             }),
             inForm([] {
                 typeInForm(202, "zulu");
                 clickForm(150);
             }),
             inMain([] {
                 expectShown({"delta", "echo", "zulu"}, 3);
                 EXPECT_EQ(cityOf(clients[2]), "Chico");
                 closeMain();
             })});
        EXPECT_EQ(savedNames(), (Names{"delta", "echo", "zulu"}));
    }

    for (const int line : {1, 2}) {
        SCOPED_TRACE(line);
        writeClients({recordNamed("Sam", "Ashland"), recordNamed("Sam", "Bodega")});
        const MessageBoxAnswerer boxes({IDNO});
        run({inMain([line] {
                 listBoxSelect(mainWindow, clientList, line);
                 clickMain(editButton);
             }),
             inForm([] {
                 typeInForm(206, "Changed");
                 clickForm(150);
             }),
             inMain([] {
                 EXPECT_EQ(listed(), (Names{"Sam", "Sam"}));
                 EXPECT_EQ(clientNames(), (Names{"Sam", "Sam"}));
                 ASSERT_GE(selected(), 1);
                 EXPECT_EQ(cityOf(clients[std::size_t(selected() - 1)]), "Changed");
                 const std::string other = cityOf(clients[std::size_t(2 - selected())]);
                 EXPECT_TRUE(other == "Ashland" || other == "Bodega") << other;
                 closeMain();
             })});
    }
}

// Closing the form without processing it stores nothing, in add and edit mode.
TEST_F(MainWindowTest, FormClosedWithoutProcessingChangesNothing) {
    writeClients(threeClients);
    const MessageBoxAnswerer boxes({IDOK});
    run({inMain([] { clickMain(addButton); }), inForm([] { closeForm(); }), inMain([] {
             expectShown({"Alpha", "charlie", "delta"}, 1);
             listBoxSelect(mainWindow, clientList, 2);
             clickMain(editButton);
         }),
         inForm([] {
             typeInForm(202, "renamed");
             closeForm();
         }),
         quitUnchanged({"Alpha", "charlie", "delta"}, 2)});
    ASSERT_EQ(boxes.seen().size(), 1u); // the form's close prompt, then no save prompt
    EXPECT_EQ(boxes.seen()[0].caption, "Closing Client Form");
}

// Show and a double-click open the selected client in show mode; nothing
// changes afterwards.
TEST_F(MainWindowTest, ShowAndDoubleClickOpenTheSelectedClient) {
    writeClients(threeClients);
    const std::function<void()> openers[] = {
        [] { clickMain(showButton); },
        [] {
            PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(clientList, LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(getControl(mainWindow, clientList)));
        },
    };
    for (const auto& open : openers) {
        run({inMain([open] {
                 listBoxSelect(mainWindow, clientList, 2);
                 open();
             }),
             inForm([] {
                 EXPECT_EQ(controlGetText(formWindow), "Client_Forms");
                 EXPECT_EQ(formMode, 3);
                 EXPECT_EQ(currentClient, 2);
                 EXPECT_EQ(getControl(formWindow, 150), nullptr);
                 EXPECT_EQ(controlGetText(getControl(formWindow, 202)), "charlie");
                 typeInForm(202, "changed");
                 closeForm();
             }),
             quitUnchanged({"Alpha", "charlie", "delta"}, 2)});
    }
}

struct DeleteCase {
    const char* what;
    std::vector<ClientRecord> start;
    int line;
    int answer;
    Names after;
    int selectedAfter;
};

TEST_F(MainWindowTest, DeleteAsksAndSelectsTheLineThatTookItsPlace) {
    const DeleteCase cases[] = {
        {"middle of three", threeClients, 2, IDOK, {"Alpha", "delta"}, 2},
        {"last of three", threeClients, 3, IDOK, {"Alpha", "charlie"}, 2},
        {"first of three", threeClients, 1, IDOK, {"charlie", "delta"}, 1},
        {"only client", {recordNamed("Alpha")}, 1, IDOK, {}, 0},
        {"cancelled", threeClients, 2, IDCANCEL, {"Alpha", "charlie", "delta"}, 2},
        {"empty name", {recordNamed(""), recordNamed("beta")}, 1, IDOK, {"beta"}, 1},
    };
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.what);
        writeClients(c.start);
        const Bytes before = fileBytes();
        const bool changes = c.answer == IDOK;
        const MessageBoxAnswerer boxes({c.answer, IDNO});
        HWND main = nullptr;
        run({inMain([&] {
                 main = mainWindow;
                 listBoxSelect(mainWindow, clientList, c.line);
                 clickMain(deleteButton);
             }),
             inMain([&] {
                 expectShown(c.after, c.selectedAfter);
                 if (changes) {
                     EXPECT_EQ(currentClient, c.selectedAfter);
                 }
                 EXPECT_EQ(fileChanged, changes);
                 clickMain(quitButton);
             })});
        ASSERT_EQ(boxes.seen().size(), changes ? 2u : 1u);
        const SeenMessageBox& box = boxes.seen()[0];
        EXPECT_EQ(box.text, "Confirm this client deletion");
        const std::string name = recordName(c.start[std::size_t(c.line - 1)]);
        if (name.empty()) {
            EXPECT_FALSE(box.caption.empty()); // the toolkit's default caption
        } else {
            EXPECT_EQ(box.caption, name);
        }
        EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
        EXPECT_EQ(box.owner, main);
        EXPECT_FALSE(box.ownerEnabled);
        if (changes) {
            EXPECT_EQ(boxes.seen()[1].caption, "Closing Program");
        }
        EXPECT_EQ(fileBytes(), before); // the save prompt was answered No
    }
}

// With no client left (or none at all), Edit, Show and Delete do nothing.
TEST_F(MainWindowTest, CommandsNeedingAClientDoNothingOnAnEmptyList) {
    writeClients({recordNamed("Alpha")});
    const MessageBoxAnswerer boxes({IDOK, IDYES});
    run({inMain([] { clickMain(deleteButton); }), inMain([] {
             expectShown({}, 0);
             formMode = noMode;
             clickMain(editButton);
             clickMain(showButton);
             clickMain(deleteButton);
         }),
         inMain([] {
             EXPECT_EQ(formMode, 0);
             clickMain(quitButton);
         })});
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].caption, "Closing Program");
    EXPECT_EQ(fileBytes(), (Bytes{0x31, 0x2E, 0x30, 0x31, 0, 0, 0, 0}));
}

TEST_F(MainWindowTest, FilterClientsDoesNothing) {
    writeClients(threeClients);
    const MessageBoxAnswerer boxes({});
    run({inMain([] {
             listBoxSelect(mainWindow, clientList, 3);
             clickMain(filterButton);
         }),
         quitUnchanged({"Alpha", "charlie", "delta"}, 3)});
    EXPECT_TRUE(boxes.seen().empty());
}

// Every way of closing asks to save after a change: the Quit button, the close
// box, and the system-menu icon's double-click, whose command has low bits set.
TEST_F(MainWindowTest, EveryCloseCommandAsksToSave) {
    const std::function<void()> closers[] = {
        [] { clickMain(quitButton); },
        [] { closeMain(SC_CLOSE); },
        [] { closeMain(0xF063); },
    };
    for (const auto& close : closers) {
        writeClients(threeClients);
        const Bytes before = fileBytes();
        const MessageBoxAnswerer boxes({IDOK, IDNO});
        HWND main = nullptr;
        run({inMain([&] {
                 main = mainWindow;
                 clickMain(deleteButton);
             }),
             inMain(close)});
        ASSERT_EQ(boxes.seen().size(), 2u);
        const SeenMessageBox& prompt = boxes.seen()[1];
        EXPECT_EQ(prompt.text, "File has changed...\r\nDo you want to save the changes?");
        EXPECT_EQ(prompt.caption, "Closing Program");
        EXPECT_EQ(prompt.buttons, (std::vector<int>{IDCANCEL, IDYES, IDNO}));
        EXPECT_EQ(prompt.owner, main);
        EXPECT_FALSE(fileChanged);
        EXPECT_EQ(fileBytes(), before);
    }
}

// Cancel keeps the window and the changes and asks again next time; Yes
// writes the file.
TEST_F(MainWindowTest, SavePromptCancelKeepsTheWindowAndYesWrites) {
    writeClients(threeClients);
    const Bytes before = fileBytes();
    const MessageBoxAnswerer boxes({IDOK, IDCANCEL, IDYES});
    run({inMain([] { clickMain(deleteButton); }), inMain([] { clickMain(quitButton); }),
         inMain([&] {
             EXPECT_EQ(boxes.seen().size(), 2u);
             EXPECT_TRUE(fileChanged);
             expectShown({"charlie", "delta"}, 1);
             EXPECT_EQ(fileBytes(), before);
             closeMain();
         })});
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[2].caption, "Closing Program");
    EXPECT_EQ(savedNames(), (Names{"charlie", "delta"}));
    EXPECT_EQ(fileBytes().size(), 8u + 2u * clientRecordSize);
}

// A save that fails says so and why, and the window stays open with the
// changes, so the user can try again.
TEST_F(MainWindowTest, FailedSaveIsReportedAndTheWindowStaysOpen) {
    writeClients(threeClients);
    const MessageBoxAnswerer boxes({IDOK, IDYES, IDOK, IDYES});
    run({inMain([] {
             SetFileAttributesW(clientFilePath().c_str(), FILE_ATTRIBUTE_READONLY);
             clickMain(deleteButton);
         }),
         inMain([] { clickMain(quitButton); }), inMain([&] {
             ASSERT_EQ(boxes.seen().size(), 3u);
             const SeenMessageBox& report = boxes.seen()[2];
             EXPECT_EQ(report.text.rfind("The changes were not saved.\r\n", 0), 0u) << report.text;
             EXPECT_GT(report.text.size(), 30u) << "no reason given: " << report.text;
             EXPECT_EQ(report.caption, "Closing Program");
             EXPECT_TRUE(fileChanged);
             expectShown({"charlie", "delta"}, 1);
             SetFileAttributesW(clientFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
             clickMain(quitButton);
         })});
    EXPECT_EQ(boxes.seen().size(), 4u);
    EXPECT_EQ(savedNames(), (Names{"charlie", "delta"}));
}

} // namespace
