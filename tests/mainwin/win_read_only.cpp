// The main window of a copy that found the client file's lock held by another
// copy: the question comes first; No ends the window at once, Yes shows the
// clients as saved and refuses every change; nothing is ever written.
#include "MainWindowSession.h"
#include "MessageBoxAnswerer.h"

#include "mainwin/MainWindow.h"
#include "records/ClientLock.h"

#include <string>
#include <vector>

namespace {

const LockResult heldByDesk{LockOutcome::heldElsewhere,
                            LockHolder{"DESK-2", "maria", {20240305, 90705}}};
const LockResult heldByUnknown{LockOutcome::heldElsewhere, std::nullopt};

const std::string questionEnd =
    ".\r\n\r\nOpen it read-only? You can show clients but not add, edit or delete them.";
const std::string deskQuestion =
    "The client file is in use by Vellumor on DESK-2 (user maria) since 03-05-2024 09:07" +
    questionEnd;
const std::string deskRefusal = "This copy of Vellumor is read-only: the client file is in use "
                                "by Vellumor on DESK-2 (user maria).";

std::wstring journalPath() { return clientFilePath() + L".journal"; }

bool readOnlyShown() {
    return mainWindow != nullptr && IsWindowEnabled(mainWindow) && formWindow == nullptr &&
           controlGetText(mainWindow) == readOnlyTitle();
}

void runHeld(const LockResult& lock, std::vector<Step> steps) {
    const auto queued = std::make_shared<std::vector<Step>>(std::move(steps));
    const auto ran = std::make_shared<std::size_t>(0);
    session::queueStep(queued, ran);
    EXPECT_TRUE(runMainWindow(lock));
    EXPECT_EQ(*ran, queued->size()) << "steps run before the main window closed";
}

using ReadOnlyTest = MainWindowSessionTest;

TEST_F(ReadOnlyTest, NoEndsTheWindowAtOnceAndWritesNothing) {
    const struct {
        const LockResult* lock;
        std::string question;
        bool clientFile; // one is there
    } cases[] = {
        {&heldByDesk, deskQuestion, true},
        {&heldByDesk, deskQuestion, false},
        {&heldByUnknown,
         "The client file is in use by Vellumor on another computer or by another Windows "
         "user" +
             questionEnd,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.question.substr(0, 60) + (c.clientFile ? "" : ", no client file"));
        removeClientFiles();
        const Bytes journal = {'h', 'e', 'l', 'd'};
        if (c.clientFile) writeClients({recordNamed("Alpha"), recordNamed("beta")});
        writeFileBytes(journalPath(), journal);
        const MessageBoxAnswerer boxes({IDNO});
        runHeld(*c.lock, {});
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(boxes.seen()[0].text, c.question);
        EXPECT_EQ(boxes.seen()[0].caption, "Vellumor");
        EXPECT_EQ(boxes.seen()[0].buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(savedNames(), (c.clientFile ? Names{"Alpha", "beta"} : Names{}));
        EXPECT_EQ(GetFileAttributesW(clientFilePath().c_str()) != INVALID_FILE_ATTRIBUTES,
                  c.clientFile)
            << "the client file is never made";
        EXPECT_EQ(fileBytes(journalPath()), journal);
    }
}

// Yes: the clients as saved, under the read-only title; Add, Edit and Delete
// say why not and change nothing; Quit asks nothing; the journal beside the
// file is its holder's and is neither offered nor touched.
TEST_F(ReadOnlyTest, YesShowsTheSavedClientsAndRefusesEveryChange) {
    writeClients({recordNamed("delta"), recordNamed("Alpha"), recordNamed("charlie")});
    const Bytes saved = fileBytes();
    const Bytes journal = {'h', 'e', 'l', 'd'};
    writeFileBytes(journalPath(), journal);
    const MessageBoxAnswerer boxes({IDYES, IDOK, IDOK, IDOK});
    const auto refused = [](int button) {
        return Step{readOnlyShown, [button] {
                        EXPECT_EQ(listed(), (Names{"Alpha", "charlie", "delta"}));
                        EXPECT_EQ(listBoxGetSelect(mainWindow, clientList, 1), 1);
                        EXPECT_FALSE(fileChanged);
                        clickMain(button);
                    }};
    };
    runHeld(heldByDesk, {refused(addButton), refused(editButton), refused(deleteButton),
                         Step{readOnlyShown, [] {
                                  EXPECT_EQ(clientNames(), (Names{"Alpha", "charlie", "delta"}));
                                  EXPECT_EQ(formWindow, nullptr);
                                  clickMain(quitButton);
                              }}});
    ASSERT_EQ(boxes.seen().size(), 4u) << "the question, three refusals and no save prompt";
    EXPECT_EQ(boxes.seen()[0].text, deskQuestion);
    for (std::size_t k = 1; k < 4; ++k) {
        EXPECT_EQ(boxes.seen()[k].text, deskRefusal) << k;
        EXPECT_EQ(boxes.seen()[k].caption, "Vellumor") << k;
        EXPECT_EQ(boxes.seen()[k].buttons, std::vector<int>{IDOK}) << k;
    }
    EXPECT_EQ(fileBytes(), saved);
    EXPECT_EQ(fileBytes(journalPath()), journal);
    EXPECT_EQ(GetFileAttributesW(backupFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// Read-only ends with its run: the next run writes as ever.
TEST_F(ReadOnlyTest, NextRunWritesAgain) {
    writeClients({recordNamed("Alpha")});
    {
        const MessageBoxAnswerer boxes({IDYES});
        runHeld(heldByUnknown, {Step{readOnlyShown, [] { clickMain(quitButton); }}});
    }
    const MessageBoxAnswerer boxes({IDOK, IDYES});
    run({Step{[] { return mainWindow != nullptr && IsWindowEnabled(mainWindow); },
              [] {
                  EXPECT_EQ(controlGetText(mainWindow), mainWindowTitle());
                  clickMain(deleteButton);
              }},
         Step{[] { return mainWindow != nullptr && listBoxCount(mainWindow, clientList) == 0; },
              [] { clickMain(quitButton); }}});
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "Confirm this client deletion");
    EXPECT_EQ(savedNames(), Names{});
}

} // namespace
