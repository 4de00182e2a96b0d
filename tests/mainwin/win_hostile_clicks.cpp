// Bursts of clicks on the real main window while its form or a message box is
// open. The open window disables the main window, but clicks that were queued
// before (a user clicking fast) or that are posted to its buttons still reach
// the buttons; none of them may start a second command.
#include "MainWindowSession.h"
#include "WindowsTest.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
#include "records/ClientRecord.h"
#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"
#include "toolkit/Modal.h"

#include <string>
#include <vector>

namespace {

constexpr int burst = 20;
constexpr int formProcess = 150;
constexpr int formName = 202;
const int everyCommand[] = {addButton, editButton, deleteButton, showButton, quitButton};

bool mainIdle() {
    return mainWindow != nullptr && formWindow == nullptr && IsWindowVisible(mainWindow) &&
           IsWindowEnabled(mainWindow) && threadMessageBoxes().empty();
}
bool boxOpen() { return threadMessageBoxes().size() == 1; }

// Every way a click reaches a button, `burst` times over, all queued at once:
// BM_CLICK and the mouse's own press and release at the button's centre.
void postClicks(HWND dialog, int id) {
    const HWND button = getControl(dialog, id);
    RECT inside{};
    GetClientRect(button, &inside);
    const LPARAM centre = MAKELPARAM(inside.right / 2, inside.bottom / 2);
    for (int k = 0; k < burst; ++k) {
        PostMessageW(button, BM_CLICK, 0, 0);
        PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        PostMessageW(button, WM_LBUTTONUP, 0, centre);
    }
}

// Posted bursts on every command button, and one sent click each, while the
// main window is disabled behind an open window.
void clickEveryCommand() {
    for (const int id : everyCommand)
        postClicks(mainWindow, id);
    for (const int id : everyCommand)
        SendMessageW(getControl(mainWindow, id), BM_CLICK, 0, 0);
}

void answerBox(int button) {
    const std::vector<HWND> boxes = threadMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    PostMessageW(boxes[0], WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(boxes[0], button)));
}

void expectClients(const Names& names) {
    EXPECT_EQ(listed(), names);
    EXPECT_EQ(clientNames(), names);
    EXPECT_EQ(clientCount(), static_cast<int>(names.size()));
}

// Exactly the forms and boxes that were open, the main window disabled behind
// them, and the clients as they were.
void expectOpen(int forms, std::size_t boxes, const Names& names) {
    EXPECT_EQ(openDialogs(), 1 + forms) << "toolkit dialogs open: a second form?";
    EXPECT_EQ(threadMessageBoxes().size(), boxes) << "message boxes open";
    EXPECT_FALSE(IsWindowEnabled(mainWindow));
    expectClients(names);
}

const Names threeNames = {"Alpha", "charlie", "delta"};

class HostileClicksTest : public MainWindowSessionTest {
  protected:
    void SetUp() override {
        MainWindowSessionTest::SetUp();
        std::vector<ClientRecord> records;
        for (const std::string& name : threeNames)
            records.push_back(recordNamed(name));
        writeClients(records);
    }
};

} // namespace

TEST_F(HostileClicksTest, AddBurstOpensOneFormAndClicksBehindItDoNothing) {
    run({{mainIdle, [] { postClicks(mainWindow, addButton); }},
         {formReady,
          [] {
              expectOpen(1, 0, threeNames);
              clickEveryCommand();
          }},
         {formReady,
          [] {
              expectOpen(1, 0, threeNames);
              closeForm();
          }},
         {mainIdle, [] {
              expectClients(threeNames);
              EXPECT_FALSE(fileChanged);
              postClicks(mainWindow, quitButton);
          }}});
    EXPECT_TRUE(threadMessageBoxes().empty());
}

TEST_F(HostileClicksTest, DeleteBurstAsksOnceAndDeletesOneClient) {
    run({{mainIdle,
          [] {
              listBoxSelect(mainWindow, clientList, 2);
              postClicks(mainWindow, deleteButton);
          }},
         {boxOpen,
          [] {
              expectOpen(0, 1, threeNames);
              clickEveryCommand();
          }},
         {boxOpen,
          [] {
              expectOpen(0, 1, threeNames);
              answerBox(IDOK);
          }},
         {mainIdle,
          [] {
              expectClients({"Alpha", "delta"});
              EXPECT_TRUE(fileChanged);
              postClicks(mainWindow, quitButton);
          }},
         {boxOpen, [] { answerBox(IDNO); }}});
    EXPECT_EQ(savedNames(), threeNames);
}

// The save prompt stands once however often Quit is clicked; behind it no other
// command starts, and Cancel leaves the window as it was.
TEST_F(HostileClicksTest, QuitBurstAsksOnceToSave) {
    const Names afterDelete = {"charlie", "delta"};
    run({{mainIdle, [] { postClicks(mainWindow, deleteButton); }},
         {boxOpen, [] { answerBox(IDOK); }},
         {mainIdle, [] { postClicks(mainWindow, quitButton); }},
         {boxOpen,
          [&] {
              expectOpen(0, 1, afterDelete);
              clickEveryCommand();
          }},
         {boxOpen,
          [&] {
              expectOpen(0, 1, afterDelete);
              answerBox(IDCANCEL);
          }},
         {mainIdle,
          [&] {
              expectClients(afterDelete);
              EXPECT_TRUE(fileChanged);
              postClicks(mainWindow, quitButton);
          }},
         {boxOpen, [&] {
              expectOpen(0, 1, afterDelete);
              answerBox(IDYES);
          }}});
    EXPECT_EQ(savedNames(), afterDelete);
}

// The form's process button clicked in a burst: the first click ends the form,
// so one client is added.
TEST_F(HostileClicksTest, ProcessBurstAddsOneClient) {
    run({{mainIdle, [] { clickMain(addButton); }},
         {formReady,
          [] {
              controlSetText(getControl(formWindow, formName), "bravo");
              postClicks(formWindow, formProcess);
          }},
         {mainIdle,
          [] {
              expectClients({"Alpha", "bravo", "charlie", "delta"});
              postClicks(mainWindow, quitButton);
          }},
         {boxOpen, [] { answerBox(IDNO); }}});
    EXPECT_EQ(savedNames(), threeNames);
}

// Without a name, a burst on the process button warns once; clicks on the form
// and on the main window behind the warning do nothing.
TEST_F(HostileClicksTest, ProcessBurstWithoutANameWarnsOnce) {
    run({{mainIdle, [] { clickMain(addButton); }},
         {formReady, [] { postClicks(formWindow, formProcess); }},
         {boxOpen,
          [] {
              expectOpen(1, 1, threeNames);
              EXPECT_FALSE(IsWindowEnabled(formWindow));
              postClicks(formWindow, formProcess);
              clickEveryCommand();
          }},
         {boxOpen,
          [] {
              expectOpen(1, 1, threeNames);
              answerBox(IDOK);
          }},
         {formReady,
          [] {
              expectOpen(1, 0, threeNames);
              EXPECT_FALSE(accepted);
              closeForm();
          }},
         {mainIdle, [] {
              expectClients(threeNames);
              postClicks(mainWindow, quitButton);
          }}});
}
