// One writer per client file, between processes of one Windows session: the
// running program holds the lock, which a second process cannot take and a
// kill frees; a copy that finds it held looks read-only and writes nothing; and
// a start right after a quit opens, whatever is left of the ending copy.
#include "win_process.h"

#include "mainwin/MainWindow.h"
#include "records/ClientLock.h"
#include "toolkit/Wide.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

DWORD runVmrtool(const std::wstring& folder, const std::wstring& arguments) {
    return runToEnd(shippedProgram(L"vmrtool.exe"), arguments, folder);
}

TEST(OneWriter, RunningProgramHoldsTheLockUntilItIsKilled) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const Bytes saved = clientsFile({"Ann", "Bob"});
    folder.writeClientFile(saved);
    writeFileBytes(folder.folderPath() + L"clients.csv",
                   {'n', 'a', 'm', 'e', '\n', 'C', 'y', '\n'});
    writeFileBytes(folder.folderPath() + L"other.vmr", clientsFile({"Cy"}));
    const LocalTime before = localNow();
    const Program program(exe);
    ASSERT_NE(waitForMainWindow(program), nullptr);
    const LocalTime after = localNow();

    ClientLock lock;
    const LockResult refused = lock.take(folder.clientFilePath(), {"TEST", "test", before});
    ASSERT_EQ(refused.outcome, LockOutcome::heldElsewhere);
    ASSERT_TRUE(refused.holder.has_value()) << "the running program's line";
    EXPECT_EQ(widen(refused.holder->computer), computerName());
    EXPECT_EQ(widen(refused.holder->user), userName());
    EXPECT_TRUE(isBetween(refused.holder->started, before, after))
        << encodeLockLine(*refused.holder);

    // vmrtool does not write over it, but reads it.
    const std::wstring where = folder.folderPath();
    EXPECT_EQ(runVmrtool(where, L"import clients.csv --output vellumor.vmr --force"), 2u);
    EXPECT_EQ(runVmrtool(where, L"repair other.vmr --output vellumor.vmr --force"), 2u);
    EXPECT_EQ(runVmrtool(where, L"check vellumor.vmr"), 0u);
    EXPECT_EQ(folder.clientFile(), saved);

    ASSERT_TRUE(ProcessKiller(program).killAfter(0));
    EXPECT_EQ(lock.take(folder.clientFilePath(), {"TEST", "test", before}).outcome,
              LockOutcome::taken)
        << "a killed holder lets go";
}

// The test holds the lock as another computer's copy would, with a journal of
// that copy's beside the file. Whatever the answer, the folder is as it was,
// byte for byte: no client file, journal, backup or lock file was written.
TEST(OneWriter, CopyThatFindsTheLockHeldWritesNoFile) {
    const LockHolder desk{"DESK-2", "maria", {20240305, 90705}};
    const LockHolder unknown{"", "maria", {20240305, 90705}}; // a line no reader accepts
    const struct {
        const char* what;
        const LockHolder* holder;
        std::wstring computer, user, since; // as the boxes name the holder; empty: unknown
        bool clientFile;
        int answer;
    } cases[] = {
        {"No", &desk, L"DESK-2", L"maria", L"03-05-2024 09:07", true, IDNO},
        {"No, no client file", &desk, L"DESK-2", L"maria", L"03-05-2024 09:07", false, IDNO},
        {"Yes", &desk, L"DESK-2", L"maria", L"03-05-2024 09:07", true, IDYES},
        {"Yes, holder unknown, no client file", &unknown, L"", L"", L"", false, IDYES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        const std::wstring exe = folder.installProgram();
        if (c.clientFile) folder.writeClientFile(clientsFile({"Ann", "Bob", "Cy"}));
        writeFileBytes(folder.clientFilePath() + L".journal", {'t', 'h', 'e', 'i', 'r', 's'});
        ClientLock held;
        ASSERT_EQ(held.take(folder.clientFilePath(), *c.holder).outcome, LockOutcome::taken);
        const auto before = folderContents(folder.folderPath());

        const Program program(exe);
        const HWND box = waitForWindow(program, L"Vellumor");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(boxText(box), inUseQuestion(c.computer, c.user, c.since));
        click(box, c.answer);
        if (c.answer == IDYES) {
            const HWND main = waitForReadOnlyWindow(program);
            ASSERT_NE(main, nullptr);
            EXPECT_EQ(listLines(main), (c.clientFile ? Names{L"Ann", L"Bob", L"Cy"} : Names{}));
            for (const int button : {102, 104, 103}) {
                click(main, button);
                EXPECT_EQ(answerBox(program, L"Vellumor", IDOK),
                          readOnlyRefusal(c.computer, c.user))
                    << button;
            }
            if (c.clientFile) {
                click(main, 105); // Show works as usual
                const HWND form = waitForWindow(program, L"Client_Forms");
                ASSERT_NE(form, nullptr);
                ASSERT_NE(waitForControl(form, 202), nullptr);
                EXPECT_EQ(controlText(form, 202), L"Ann");
                PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
                ASSERT_TRUE(waitUntilGone(form));
            }
            click(main, 108);
        }
        EXPECT_EQ(program.waitForExit(), 0u);
        EXPECT_FALSE(boxIsOpen(program, L"Closing Program"));
        EXPECT_EQ(contentsChanged(before, folderContents(folder.folderPath())), "");
    }
}

// Wine keeps an ending program alive for a moment after its windows have gone,
// holding what it held: the start waits for it instead of ending without a word.
TEST(OneWriter, StartRightAfterAQuitOpens) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    folder.writeClientFile(clientsFile({"Ann"}));
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        const Program first(exe);
        const HWND ending = waitForMainWindow(first);
        ASSERT_NE(ending, nullptr);
        click(ending, 108);
        ASSERT_TRUE(waitUntilGone(ending));
        const Program next(exe);
        const HWND main = waitForMainWindow(next);
        ASSERT_NE(main, nullptr) << "the start ended without a word";
        EXPECT_EQ(listLines(main), Names{L"Ann"});
        EXPECT_FALSE(boxIsOpen(next, L"Vellumor")) << "the ending copy was taken for another one";
        EXPECT_EQ(first.waitForExit(), 0u);
        click(main, 108);
        EXPECT_EQ(next.waitForExit(), 0u);
    }
}

// A copy of the session that is ending owns the session's mutex and has no
// window any more; the test plays it. A start waits for it: once it has let go,
// or crashed, at once; at the most 10 s, after which the start goes on (the
// client file's lock, free here, decides).
TEST(OneWriter, StartWaitsForAnEndingCopyOfTheSession) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    folder.writeClientFile(clientsFile({"Ann"}));
    const std::wstring name = sessionMutexName(folder.clientFilePath());
    enum class Ending { letsGo, crashes, staysOn };
    for (const Ending ending : {Ending::letsGo, Ending::crashes, Ending::staysOn}) {
        SCOPED_TRACE(static_cast<int>(ending));
        HANDLE mutex = nullptr;
        if (ending == Ending::crashes) {
            // Owned by a thread that ends without letting go, as a crash leaves it.
            std::thread([&] { mutex = CreateMutexW(nullptr, TRUE, name.c_str()); }).join();
        } else {
            mutex = CreateMutexW(nullptr, TRUE, name.c_str());
        }
        ASSERT_NE(mutex, nullptr);
        const ULONGLONG started = GetTickCount64();
        const Program program(exe);
        if (ending == Ending::letsGo) ReleaseMutex(mutex);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr) << "the start ended without a word";
        const ULONGLONG waited = GetTickCount64() - started;
        if (ending == Ending::staysOn)
            EXPECT_GE(waited, 9500u) << "it did not wait for the ending copy";
        else
            EXPECT_LT(waited, 9500u) << "it waited for a copy that had let go";
        EXPECT_EQ(listLines(main), Names{L"Ann"});
        EXPECT_FALSE(boxIsOpen(program, L"Vellumor"));
        click(main, 108);
        EXPECT_EQ(program.waitForExit(), 0u);
        if (ending == Ending::staysOn) ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

} // namespace
