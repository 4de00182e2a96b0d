// One writer per client file, between processes of one Windows session: the
// running program holds the lock, which another process cannot take and a kill
// frees; a copy that finds it held writes nothing; and a start while a copy is
// ending opens. (Another computer's copy: tests/e2e/two_computers.cpp.)
#include "win_process.h"

#include "mainwin/MainWindow.h"
#include "records/ClientLock.h"
#include "toolkit/Wide.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

// A local time as one number, to compare; and the time now.
long long moment(LocalTime at) { return at.date * 1000000LL + at.time; }

long long localNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return moment({now.wYear * 10000 + now.wMonth * 100 + now.wDay,
                   now.wHour * 10000 + now.wMinute * 100 + now.wSecond});
}

// This computer's name (GetComputerNameW) or this user's (GetUserNameW).
std::string systemName(BOOL(WINAPI* get)(LPWSTR, LPDWORD)) {
    wchar_t name[512] = {};
    DWORD size = 512;
    return get(name, &size) ? narrow(name) : std::string();
}

// The lock file still holds a longer line of an earlier holder; the program's
// line replaces it, and names this computer, this user and the start.
TEST(OneWriter, RunningProgramHoldsTheLockUntilItIsKilled) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::string earlier = encodeLockLine({"AN-EARLIER-DESK", "somebody", {20200101, 0}});
    writeFileBytes(folder.clientFilePath() + L".lock", Bytes(earlier.begin(), earlier.end()));
    const long long before = localNow();
    const Program program(exe);
    ASSERT_NE(waitForMainWindow(program), nullptr);
    const long long after = localNow();

    ClientLock lock;
    const LockHolder test{"TEST", "test", {20240305, 90705}};
    const LockResult refused = lock.take(folder.clientFilePath(), test);
    ASSERT_EQ(refused.outcome, LockOutcome::heldElsewhere);
    ASSERT_TRUE(refused.holder.has_value()) << "the running program's line";
    EXPECT_EQ(refused.holder->computer, systemName(GetComputerNameW));
    EXPECT_EQ(refused.holder->user, systemName(GetUserNameW));
    const long long started = moment(refused.holder->started);
    EXPECT_TRUE(before <= started && started <= after) << started;
    const Bytes line = fileBytes(folder.clientFilePath() + L".lock");
    EXPECT_EQ(std::string(line.begin(), line.end()), encodeLockLine(*refused.holder));

    ASSERT_TRUE(ProcessKiller(program).killAfter(0));
    EXPECT_EQ(lock.take(folder.clientFilePath(), test).outcome, LockOutcome::taken)
        << "a killed holder lets go";
}

// The test holds the lock as another computer's copy would, with that copy's
// journal beside the file. Whatever the answer, the folder is as it was, byte
// for byte: no client file, journal, backup or lock file was written. (The
// read-only window of a known holder: tests/e2e/two_computers.cpp.)
TEST(OneWriter, CopyThatFindsTheLockHeldWritesNoFile) {
    const LockHolder desk{"DESK-2", "maria", {20240305, 90705}};
    const LockHolder unreadable{"", "maria", {20240305, 90705}}; // a line no reader accepts
    const struct {
        const LockHolder& holder;
        const wchar_t* named; // as the question names the holder
        bool clientFile;
        int answer;
    } cases[] = {
        {desk, L"Vellumor on DESK-2 (user maria) since 03-05-2024 09:07", true, IDNO},
        {unreadable, L"Vellumor on another computer or by another Windows user", false, IDYES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer == IDYES ? "Yes, no client file" : "No");
        const TempFolder folder;
        const std::wstring exe = folder.installProgram();
        if (c.clientFile) folder.writeClientFile(clientsFile({"Ann", "Bob"}));
        writeFileBytes(folder.clientFilePath() + L".journal", {'t', 'h', 'e', 'i', 'r', 's'});
        ClientLock held;
        ASSERT_EQ(held.take(folder.clientFilePath(), c.holder).outcome, LockOutcome::taken);
        const FolderContents before = folderContents(folder.folderPath());

        const Program program(exe);
        EXPECT_EQ(answerBox(program, L"Vellumor", c.answer), inUseQuestion(c.named));
        if (c.answer == IDYES) {
            const HWND main = waitForReadOnlyWindow(program);
            ASSERT_NE(main, nullptr);
            EXPECT_EQ(listLines(main), Names{});
            click(main, 102);
            EXPECT_EQ(answerBox(program, L"Vellumor", IDOK), readOnlyRefusal(c.named));
            click(main, 108);
        }
        EXPECT_EQ(program.waitForExit(), 0u);
        EXPECT_FALSE(boxIsOpen(program, L"Closing Program"));
        EXPECT_EQ(changedFiles(before, folderContents(folder.folderPath())), Names{});
    }
}

// A start while another copy of the session is ending (its window gone, the
// session's mutex not yet let go) waits for it, 10 s at the most, and opens as
// the one copy, never ending without a word: after a real copy's quit (Wine
// keeps an ending program alive for a moment), and with a mutex the test holds
// and lets go, abandons as a crash would, or keeps.
TEST(OneWriter, StartWhileACopyIsEndingOpens) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    folder.writeClientFile(clientsFile({"Ann"}));
    const std::wstring name = sessionMutexName(folder.clientFilePath());
    enum class Ending { quits, letsGo, crashes, staysOn };
    for (const Ending ending : {Ending::quits, Ending::letsGo, Ending::crashes, Ending::staysOn}) {
        SCOPED_TRACE(static_cast<int>(ending));
        std::optional<Program> first;
        HANDLE mutex = nullptr;
        const auto own = [&] { mutex = CreateMutexW(nullptr, TRUE, name.c_str()); };
        if (ending == Ending::quits) {
            const HWND window = waitForMainWindow(first.emplace(exe));
            ASSERT_NE(window, nullptr);
            click(window, 108);
            ASSERT_TRUE(waitUntilGone(window));
        } else {
            // A thread that ends owning it leaves it abandoned, as a crash does.
            ending == Ending::crashes ? std::thread(own).join() : own();
        }
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
        EXPECT_FALSE(boxIsOpen(program, L"Vellumor")) << "the ending copy was taken for another";
        click(main, 108);
        EXPECT_EQ(program.waitForExit(), 0u);
        if (first) {
            EXPECT_EQ(first->waitForExit(), 0u);
        }
        if (ending == Ending::staysOn) ReleaseMutex(mutex);
        if (mutex != nullptr) CloseHandle(mutex);
    }
}

} // namespace
