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

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

// Each half may wait while the other starts and works the program several times.
constexpr DWORD halfPatience = 120000;

std::wstring environment(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD size = GetEnvironmentVariableW(name, value, 1024);
    return size > 0 && size < 1024 ? std::wstring(value, size) : std::wstring();
}

const std::wstring shared = environment(L"VELLUMOR_SHARED"); // ends with a backslash
const std::wstring role = environment(L"VELLUMOR_ROLE");     // "holder" or "second"
const std::wstring folder = shared + L"program\\";
const std::wstring clientFile = folder + L"vellumor.vmr";
const std::wstring exe = folder + L"vellumor.exe";

bool isHolder() { return role == L"holder"; }

std::wstring signalPath(const std::wstring& name) { return shared + L"signals\\" + name; }

// Tells the other half that `name` has happened; `text` goes with it. Written
// aside and renamed, so the other half never reads half of it.
void signal(const std::wstring& name, const std::string& text = {}) {
    writeFileBytes(signalPath(name) + L".part", Bytes(text.begin(), text.end()));
    MoveFileExW((signalPath(name) + L".part").c_str(), signalPath(name).c_str(),
                MOVEFILE_REPLACE_EXISTING);
}

// What the other half said with `name`; nothing when it failed or did not come.
std::optional<std::string> awaitSignal(const std::wstring& name) {
    const std::wstring otherFailed = signalPath(isHolder() ? L"second-failed" : L"holder-failed");
    waitUntil([&] { return fileExists(signalPath(name)) || fileExists(otherFailed); },
              halfPatience);
    if (!fileExists(signalPath(name))) return std::nullopt;
    const Bytes bytes = fileBytes(signalPath(name));
    return std::string(bytes.begin(), bytes.end());
}

// The start as the box shows it: MM-DD-YYYY HH:MM.
std::wstring since(LocalTime at) {
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%02d-%02d-%04d %02d:%02d", at.date / 100 % 100, at.date % 100,
                  at.date / 10000, at.time / 10000, at.time / 100 % 100);
    return text;
}

Names namesIn(const Bytes& file) {
    Names names;
    for (const ClientRecord& record : decodeClients(file.data(), file.size()).records)
        names.push_back(widen(recordName(record)));
    return names;
}

DWORD runVmrtool(const std::wstring& arguments) {
    return runToEnd(folder + L"vmrtool.exe", arguments, folder);
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
// told who has it, No ends one at once, Yes shows the clients read-only, vmrtool
// does not write over it, and nothing in the folder changes. The holder then
// saves while a read-only copy is still open; its file is whole, and the next
// start on the second computer has the file to itself.
TEST_F(TwoComputers, SecondComputerIsToldWhoHasTheFileAndMayLookReadOnly) {
    const Bytes saved = clientsFile({"Alpha", "charlie", "delta"});
    if (isHolder()) {
        for (const wchar_t* program : {L"vellumor.exe", L"vmrtool.exe"})
            ASSERT_TRUE(
                CopyFileW(shippedProgram(program).c_str(), (folder + program).c_str(), TRUE));
        writeFileBytes(clientFile, saved);
        writeFileBytes(folder + L"clients.csv", {'n', 'a', 'm', 'e', '\n', 'E', 'v', 'e', '\n'});
        const LocalTime before = localNow();
        const Program holder(exe);
        const HWND main = waitForMainWindow(holder);
        ASSERT_NE(main, nullptr);
        const LocalTime after = localNow();
        signal(L"holding", narrow(computerName()) + "\t" + narrow(userName()) + "\t" +
                               std::to_string(before.date) + "\t" + std::to_string(before.time) +
                               "\t" + std::to_string(after.date) + "\t" +
                               std::to_string(after.time));
        ASSERT_TRUE(awaitSignal(L"looking"));
        deleteFirst(holder, main, L"Alpha");
        quitSaving(holder, main);
        EXPECT_EQ(fileBytes(clientFile), clientsFile({"charlie", "delta"}));
        signal(L"saved");
        return;
    }

    const std::optional<std::string> holding = awaitSignal(L"holding");
    ASSERT_TRUE(holding);
    char computer[300] = {}, user[300] = {};
    LocalTime before{}, after{};
    ASSERT_EQ(std::sscanf(holding->c_str(), "%299[^\t]\t%299[^\t]\t%d\t%d\t%d\t%d", computer, user,
                          &before.date, &before.time, &after.date, &after.time),
              6)
        << *holding;
    // What the box shows comes from the line the holder wrote: its names, and
    // a start between the two times it saw around it.
    const Bytes line = fileBytes(clientFile + L".lock");
    const std::optional<LockHolder> written = decodeLockLine(std::string(line.begin(), line.end()));
    ASSERT_TRUE(written) << std::string(line.begin(), line.end());
    EXPECT_EQ(written->computer, computer);
    EXPECT_EQ(written->user, user);
    EXPECT_TRUE(isBetween(written->started, before, after))
        << std::string(line.begin(), line.end());
    const std::wstring question =
        inUseQuestion(widen(computer), widen(user), since(written->started));
    const auto untouched = folderContents(folder);

    {
        const Program second(exe);
        EXPECT_EQ(answerBox(second, L"Vellumor", IDNO), question);
        EXPECT_EQ(second.waitForExit(), 0u);
        EXPECT_EQ(contentsChanged(untouched, folderContents(folder)), "") << "after No";
    }

    const Program second(exe);
    EXPECT_EQ(answerBox(second, L"Vellumor", IDYES), question);
    const HWND main = waitForReadOnlyWindow(second);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(listLines(main), (Names{L"Alpha", L"charlie", L"delta"}));
    for (const int button : {102, 104, 103}) {
        click(main, button);
        EXPECT_EQ(answerBox(second, L"Vellumor", IDOK),
                  readOnlyRefusal(widen(computer), widen(user)))
            << button;
    }
    EXPECT_EQ(runVmrtool(L"import clients.csv --output vellumor.vmr --force"), 2u);
    EXPECT_EQ(runVmrtool(L"check vellumor.vmr"), 0u);
    EXPECT_EQ(contentsChanged(untouched, folderContents(folder)), "") << "read-only";

    signal(L"looking");
    ASSERT_TRUE(awaitSignal(L"saved"));
    EXPECT_EQ(listLines(main), (Names{L"Alpha", L"charlie", L"delta"})) << "as it was loaded";
    click(main, 108);
    EXPECT_EQ(second.waitForExit(), 0u);
    EXPECT_FALSE(boxIsOpen(second, L"Closing Program"));
    EXPECT_EQ(fileBytes(clientFile), clientsFile({"charlie", "delta"})) << "the holder's save";

    const Program next(exe);
    const HWND nextMain = waitForMainWindow(next);
    ASSERT_NE(nextMain, nullptr) << "the holder has ended: this one writes";
    EXPECT_EQ(listLines(nextMain), (Names{L"charlie", L"delta"}));
    EXPECT_FALSE(boxIsOpen(next, L"Vellumor"));
    click(nextMain, 108);
    EXPECT_EQ(next.waitForExit(), 0u);
    signal(L"free");
}

// A holder killed after a change frees the file at once, and the next copy, on
// the other computer, is offered the change its journal kept.
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
    EXPECT_EQ(namesIn(fileBytes(clientFile)), (Names{L"charlie", L"delta", L"Eve"}));
    EXPECT_EQ(otherFiles(folder), (Names{L"clients.csv", L"vmrtool.exe"}));
}

} // namespace
