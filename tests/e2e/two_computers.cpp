// Two computers on one shared folder, played by two Wine prefixes (two
// wineservers, which see each other's byte-range locks as two computers do
// through a shared folder): tests/e2e/two_computers.sh runs this program in
// both at once, as the holder, whose copy of the program holds the client file,
// and as the second computer. Each test holds both halves of one exchange; the
// halves wait for each other through files in the folder.
#include "WindowsTest.h"
#include "win_process.h"

#include "records/ClientCodec.h"
#include "records/LockLine.h"
#include "toolkit/Wide.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

// Each half may wait while the other starts and works the program several times.
constexpr DWORD halfPatience = 120000;

const std::wstring shared = environmentVariable(L"VELLUMOR_SHARED"); // ends with a backslash
const std::wstring role = environmentVariable(L"VELLUMOR_ROLE");     // "holder" or "second"
const std::wstring folder = shared + L"program\\";
const std::wstring clientFile = folder + L"vellumor.vmr";
const std::wstring exe = folder + L"vellumor.exe";

bool isHolder() { return role == L"holder"; }

std::wstring signalPath(const std::wstring& name) { return shared + L"signals\\" + name; }

// Tells the other half that `name` has happened.
void signal(const std::wstring& name) { writeFileBytes(signalPath(name), {}); }

// Whether the other half said `name`; false when it failed first or took too long.
bool awaitSignal(const std::wstring& name) {
    const std::wstring otherFailed = signalPath(isHolder() ? L"second-failed" : L"holder-failed");
    waitUntil([&] { return fileExists(signalPath(name)) || fileExists(otherFailed); },
              halfPatience);
    return fileExists(signalPath(name));
}

DWORD runVmrtool(const std::wstring& arguments) {
    return runToEnd(shippedProgram(L"vmrtool.exe"), arguments, folder);
}

class TwoComputers : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (shared.empty() || (role != L"holder" && role != L"second"))
            GTEST_FAIL() << "run by tests/e2e/two_computers.sh";
    }
    // The other half stops waiting for this one.
    void TearDown() override {
        if (HasFailure()) signal(role + L"-failed");
    }
};

// The holder's copy holds the file while the second computer's copies look:
// told who has it (the names and start the holder's line gives), No ends one at
// once, Yes shows the clients read-only, vmrtool does not write over it, and
// nothing in the folder changes. The holder then saves while a read-only copy
// is still open; its file is whole.
TEST_F(TwoComputers, SecondComputerIsToldWhoHasTheFileAndMayLookReadOnly) {
    if (isHolder()) {
        ASSERT_TRUE(CopyFileW(shippedProgram(L"vellumor.exe").c_str(), exe.c_str(), TRUE));
        writeFileBytes(clientFile, clientsFile({"Alpha", "charlie", "delta"}));
        writeFileBytes(folder + L"clients.csv", {'n', 'a', 'm', 'e', '\n', 'E', 'v', 'e', '\n'});
        writeFileBytes(folder + L"other.vmr", clientsFile({"Eve"}));
        const Program holder(exe);
        const HWND main = waitForMainWindow(holder);
        ASSERT_NE(main, nullptr);
        signal(L"holding");
        ASSERT_TRUE(awaitSignal(L"looking"));
        deleteFirst(holder, main, L"Alpha");
        quitSaving(holder, main);
        signal(L"saved");
        return;
    }

    ASSERT_TRUE(awaitSignal(L"holding"));
    const Bytes line = fileBytes(clientFile + L".lock");
    const std::optional<LockHolder> written = decodeLockLine(std::string(line.begin(), line.end()));
    ASSERT_TRUE(written) << std::string(line.begin(), line.end());
    const std::wstring holder =
        widen("Vellumor on " + written->computer + " (user " + written->user + ")");
    const std::wstring question =
        inUseQuestion(holder + widen(" since " + startText(written->started)));
    const FolderContents untouched = folderContents(folder);
    {
        const Program second(exe);
        EXPECT_EQ(answerBox(second, L"Vellumor", IDNO), question);
        EXPECT_EQ(second.waitForExit(), 0u);
        EXPECT_EQ(changedFiles(untouched, folderContents(folder)), Names{}) << "after No";
    }

    const Program second(exe);
    EXPECT_EQ(answerBox(second, L"Vellumor", IDYES), question);
    const HWND main = waitForReadOnlyWindow(second);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(listLines(main), (Names{L"Alpha", L"charlie", L"delta"}));
    for (const int button : {102, 104, 103}) {
        click(main, button);
        EXPECT_EQ(answerBox(second, L"Vellumor", IDOK), readOnlyRefusal(holder)) << button;
    }
    click(main, 105); // Show works as usual
    const HWND form = waitForWindow(second, L"Client_Forms");
    ASSERT_NE(form, nullptr);
    ASSERT_NE(waitForControl(form, 202), nullptr);
    EXPECT_EQ(controlText(form, 202), L"Alpha");
    PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(waitUntilGone(form));
    EXPECT_EQ(runVmrtool(L"import clients.csv --output vellumor.vmr --force"), 2u);
    EXPECT_EQ(runVmrtool(L"repair other.vmr --output vellumor.vmr --force"), 2u);
    EXPECT_EQ(runVmrtool(L"check vellumor.vmr"), 0u) << "it reads a held file";
    EXPECT_EQ(changedFiles(untouched, folderContents(folder)), Names{}) << "read-only";

    signal(L"looking");
    ASSERT_TRUE(awaitSignal(L"saved"));
    EXPECT_EQ(listLines(main), (Names{L"Alpha", L"charlie", L"delta"})) << "as it was loaded";
    click(main, 108);
    EXPECT_EQ(second.waitForExit(), 0u);
    EXPECT_FALSE(boxIsOpen(second, L"Closing Program"));
    EXPECT_EQ(fileBytes(clientFile), clientsFile({"charlie", "delta"})) << "the holder's save";
    signal(L"free");
}

// A holder killed after a change frees the file at once, and the next copy, on
// the other computer, is offered the change its journal kept, and saves it.
TEST_F(TwoComputers, KilledHoldersJournalIsOfferedToTheNextCopy) {
    if (isHolder()) {
        ASSERT_TRUE(awaitSignal(L"free"));
        const Program holder(exe);
        const HWND main = waitForMainWindow(holder);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(addClientNamed(holder, main, L"Eve"));
        ASSERT_EQ(listCount(main), 3); // answered once the command has returned
        ASSERT_TRUE(ProcessKiller(holder).killAfter(0));
        signal(L"killed");
        return;
    }
    ASSERT_TRUE(awaitSignal(L"killed"));
    const Program next(exe);
    const HWND main = waitForMainWindow(next);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(next, L"Vellumor", IDYES), restoreQuestion(1));
    EXPECT_EQ(listLines(main), (Names{L"charlie", L"delta", L"Eve"}));
    quitSaving(next, main);
    const Bytes saved = fileBytes(clientFile);
    Names names;
    for (const ClientRecord& record : decodeClients(saved.data(), saved.size()).records)
        names.push_back(widen(recordName(record)));
    EXPECT_EQ(names, (Names{L"charlie", L"delta", L"Eve"}));
    EXPECT_EQ(otherFiles(folder), (Names{L"clients.csv", L"other.vmr"}));
    EXPECT_EQ(runVmrtool(L"import clients.csv --output vellumor.vmr --force"), 0u)
        << "no copy holds the file now";
}

} // namespace
