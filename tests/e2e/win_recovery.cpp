// The recovery journal from outside: the program killed after a day's changes,
// or ended with the Windows session, offers them back at the next start; a
// journal that does not belong to the client file as it is now is kept aside,
// never replayed; and one that cannot be written is reported once while the
// program goes on.
#include "win_process.h"

#include "mainwin/MainWindow.h"
#include "records/ClientCodec.h"
#include "records/ClientFile.h"
#include "records/RecoveryJournal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

Names namesIn(const Bytes& file) {
    Names names;
    for (const ClientRecord& record : decodeClients(file.data(), file.size()).records) {
        const std::string name = recordName(record);
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

int selectedLine(HWND main) {
    return int(SendMessageW(GetDlgItem(main, clientList), LB_GETCURSEL, 0, 0)) + 1;
}

// Asks the main window, as Windows asks at a log-off, whether the session may
// end now.
bool queryEndSession(HWND main) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 30000,
                        &answer);
    return answer != FALSE;
}

// Ends the Windows session as a log-off would: Wine's own "wineboot
// --end-session" asks every program and ends those that agree. Its exit code:
// 0 when all agreed.
DWORD endWindowsSession() {
    std::wstring system(MAX_PATH, L'\0');
    system.resize(GetSystemDirectoryW(system.data(), MAX_PATH));
    return runToEnd(system + L"\\wineboot.exe", L"--end-session", system);
}

class Recovery : public ::testing::Test {
  protected:
    void SetUp() override { folder.writeClientFile(clientsFile({"Ann", "Bob", "Cy"})); }

    // Starts the program and waits for its main window.
    HWND start(const Program& program) {
        const HWND main = waitForMainWindow(program);
        EXPECT_NE(main, nullptr);
        return main;
    }

    // A run that adds Dee to Ann, Bob and Cy and is killed.
    void addDeeAndKill() {
        const Program program(exe);
        const HWND main = start(program);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(addClientNamed(program, main, L"Dee"));
        ASSERT_EQ(listCount(main), 4); // answered once the command has returned
        ProcessKiller(program).killAfter(0);
    }

    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::wstring journal = folder.clientFilePath() + L".journal";
};

TEST_F(Recovery, KillAfterAddsEditsAndDeletesLosesNothing) {
    const Names had = {L"Al", L"Cy", L"Dee", L"Zed"};
    const Bytes saved = folder.clientFile();
    {
        const Program program(exe);
        const HWND main = start(program);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(addClientNamed(program, main, L"Dee"));
        ASSERT_TRUE(addClientNamed(program, main, L"Al"));
        ASSERT_TRUE(renameClient(program, main, 3, L"Zed")); // Bob
        SendMessageW(GetDlgItem(main, clientList), LB_SETCURSEL, 1, 0);
        deleteFirst(program, main, L"Ann"); // the selected line
        ASSERT_EQ(listLines(main), had);    // answered once the command has returned
        ProcessKiller(program).killAfter(0);
    }
    EXPECT_EQ(folder.clientFile(), saved);
    {
        const Program program(exe);
        const HWND main = start(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(answerBox(program, L"Vellumor", IDYES), restoreQuestion(4));
        EXPECT_EQ(listLines(main), had);
        EXPECT_EQ(selectedLine(main), 1);
        quitSaving(program, main); // the prompt shows: the changes are unsaved
    }
    EXPECT_EQ(namesIn(folder.clientFile()), had);
    EXPECT_EQ(otherFiles(folder.folderPath()), Names{});
}

TEST_F(Recovery, NoKeepsTheJournalAsideAndShowsTheSavedFile) {
    ASSERT_NO_FATAL_FAILURE(addDeeAndKill());
    const Bytes left = fileBytes(journal);
    const Program program(exe);
    const HWND main = start(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Vellumor", IDNO), restoreQuestion(1));
    EXPECT_EQ(listLines(main), (Names{L"Ann", L"Bob", L"Cy"}));
    EXPECT_EQ(fileBytes(journal + L"-1"), left);

    // The next change starts a new journal, which quitting without saving
    // removes; the one kept aside stays.
    ASSERT_TRUE(addClientNamed(program, main, L"Eve"));
    ASSERT_EQ(listCount(main), 4);
    EXPECT_EQ(otherFiles(folder.folderPath()),
              (Names{L"vellumor.vmr.journal", L"vellumor.vmr.journal-1"}));
    click(main, 108);
    answerBox(program, L"Closing Program", IDNO);
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(otherFiles(folder.folderPath()), Names{L"vellumor.vmr.journal-1"});
}

// A kill after the save put its new file in place but before it removed the
// journal: the new file holds the changes already, so replaying them would
// list Dee twice. The save's swap is made here by hand.
TEST_F(Recovery, JournalOfAnEarlierVersionOfTheFileIsKeptAsideNotReplayed) {
    ASSERT_NO_FATAL_FAILURE(addDeeAndKill());
    const std::wstring written = folder.clientFilePath() + L".tmp";
    writeFileBytes(written, clientsFile({"Ann", "Bob", "Cy", "Dee"}));
    ASSERT_TRUE(
        MoveFileExW(written.c_str(), folder.clientFilePath().c_str(), MOVEFILE_REPLACE_EXISTING));

    const Program program(exe);
    const HWND main = start(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Vellumor", IDOK),
              L"The recovery journal left by an earlier run belongs to another version of the "
              L"client file, so its changes were not restored. It was kept as "
              L"vellumor.vmr.journal-1 in the same folder.");
    EXPECT_EQ(listLines(main), (Names{L"Ann", L"Bob", L"Cy", L"Dee"}));
    click(main, 108); // nothing changed: no prompt
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(otherFiles(folder.folderPath()), Names{L"vellumor.vmr.journal-1"});
}

// A deletion whose client is not in the file is skipped, and the user is told;
// the other changes are restored and count as unsaved.
TEST_F(Recovery, ChangeWhoseClientIsMissingIsSkippedAndReported) {
    dataFileName = folder.clientFilePath();
    Bytes journalBytes = encodeJournalHeader(clientFileIdentity());
    for (const JournalEntry& entry : {JournalEntry{ChangeKind::remove, recordNamed("Zed"), {}},
                                      JournalEntry{ChangeKind::add, {}, recordNamed("Dee")}}) {
        const Bytes bytes = encodeJournalEntry(entry);
        journalBytes.insert(journalBytes.end(), bytes.begin(), bytes.end());
    }
    writeFileBytes(journal, journalBytes);

    const Program program(exe);
    const HWND main = start(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Vellumor", IDYES), restoreQuestion(2));
    EXPECT_EQ(answerBox(program, L"Vellumor", IDOK),
              L"1 of the 2 changes could not be restored: the client it changes is not in the "
              L"list.");
    EXPECT_EQ(listLines(main), (Names{L"Ann", L"Bob", L"Cy", L"Dee"}));
    quitSaving(program, main);
    EXPECT_EQ(namesIn(folder.clientFile()), (Names{L"Ann", L"Bob", L"Cy", L"Dee"}));
}

// The session may end while the form is closed, since every processed change
// is in the journal; answers typed into the form and not processed hold it up.
// The form's answers are judged as the system asks the main window; the
// session is ended as Wine ends it.
TEST_F(Recovery, SessionEndsOnlyWhenNoAnswersAreUnprocessed) {
    {
        const Program program(exe);
        const HWND main = start(program);
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(queryEndSession(main));

        click(main, 104); // Edit Ann: unchanged answers do not hold it up
        HWND form = waitForWindow(program, L"Edit_Forms");
        ASSERT_NE(waitForControl(form, 202), nullptr);
        EXPECT_TRUE(queryEndSession(main));
        typeText(form, 206, L"Chico");
        EXPECT_FALSE(queryEndSession(main));
        typeText(form, 206, L"Fresno");
        EXPECT_TRUE(queryEndSession(main)) << "the answers are back as they were stored";
        click(form, 150);
        ASSERT_TRUE(waitUntilGone(form));

        click(main, 102);
        form = waitForWindow(program, L"Add_Forms");
        ASSERT_NE(waitForControl(form, 202), nullptr);
        typeText(form, 202, L"Dee");
        EXPECT_EQ(endWindowsSession(), 1u) << "refused";
        EXPECT_FALSE(ProcessKiller(program).ended());
        EXPECT_FALSE(boxIsOpen(program, L"Closing Client Form")) << "asking shows nothing";
        click(form, 150);
        ASSERT_TRUE(waitUntilGone(form));

        EXPECT_EQ(endWindowsSession(), 0u);
        EXPECT_EQ(program.waitForExit(), 0u) << "the program ends with the session";
    }
    const Program program(exe);
    const HWND main = start(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Vellumor", IDYES), restoreQuestion(1));
    EXPECT_EQ(listLines(main), (Names{L"Ann", L"Bob", L"Cy", L"Dee"}));
}

// A folder where the journal belongs cannot be opened as a journal: the user
// is told once, the changes are made all the same and saved at quit, and the
// session may not end while they are only in memory.
TEST_F(Recovery, JournalThatCannotBeWrittenIsReportedOnceAndChangesStillSave) {
    ASSERT_TRUE(CreateDirectoryW(journal.c_str(), nullptr));
    const Program program(exe);
    const HWND main = start(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Recovery Journal", IDOK),
              L"Changes cannot be written to the recovery journal: access to it was denied.\r\n"
              L"They are kept until you quit and save them.");
    EXPECT_TRUE(queryEndSession(main)) << "nothing is unsaved yet";
    ASSERT_TRUE(addClientNamed(program, main, L"Dee"));
    ASSERT_TRUE(addClientNamed(program, main, L"Eve"));
    ASSERT_EQ(listCount(main), 5);
    EXPECT_FALSE(boxIsOpen(program, L"Recovery Journal")) << "told once";
    EXPECT_FALSE(queryEndSession(main)) << "the changes are only in memory";
    quitSaving(program, main);
    EXPECT_EQ(namesIn(folder.clientFile()), (Names{L"Ann", L"Bob", L"Cy", L"Dee", L"Eve"}));
    EXPECT_TRUE(RemoveDirectoryW(journal.c_str())) << "the folder is left as it was";
}

} // namespace
