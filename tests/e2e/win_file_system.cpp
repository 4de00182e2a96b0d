// The real program against a hostile file system: a read-only client file, one
// held by another program at start, for a moment or for long at quit, one that
// is a folder, a folder it may not write to, and client files of every damaged
// shape. It never crashes, never loses a client it could read, never destroys
// a file it could not read, and says what happened in a message box.
#include "WindowsTest.h"
#include "win_process.h"

#include "records/ClientCodec.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

const wchar_t* const savePrompt = L"File has changed...\r\nDo you want to save the changes?";
const std::wstring notSaved =
    L"The changes were not saved.\r\nThe client file could not be saved: ";

std::vector<std::string> namesIn(const Bytes& file) {
    const DecodedClients decoded = decodeClients(file.data(), file.size());
    std::vector<std::string> names;
    for (const ClientRecord& record : decoded.records)
        names.push_back(recordName(record));
    return names;
}

// A copy of the program in a fresh folder, with the client file's path.
struct Installed {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    const std::wstring folderPath = folder.folderPath();
    const std::wstring clientFile = folder.clientFilePath();
};

// Quits with the save prompt answered `answer`; the text of the box that
// follows a Yes (answered OK), empty when none came. A save waits up to 3 s at
// each of its steps for another program to let go of a file.
std::wstring quitAnswering(const Program& program, HWND main, int answer) {
    click(main, 108);
    EXPECT_EQ(answerBox(program, L"Closing Program", answer), savePrompt);
    if (answer != IDYES) return {};
    const auto boxOpen = [&] { return boxIsOpen(program, L"Closing Program"); };
    waitUntil([&] { return boxOpen() || !IsWindow(main); }, 15000);
    return boxOpen() ? answerBox(program, L"Closing Program", IDOK) : std::wstring();
}

TEST(FileSystem, ReadOnlyFileIsLoadedButNeverOverwritten) {
    const Installed installed;
    const Bytes old = clientsFile({"Ann", "Bob"});
    writeFileBytes(installed.clientFile, old);
    ASSERT_TRUE(SetFileAttributesW(installed.clientFile.c_str(), FILE_ATTRIBUTE_READONLY));
    const Program program(installed.exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(listLines(main), (Names{L"Ann", L"Bob"}));
    deleteFirst(program, main, L"Ann");

    EXPECT_EQ(quitAnswering(program, main, IDYES), notSaved + L"it is marked read-only.");
    EXPECT_TRUE(IsWindowVisible(main)) << "the window stays open after the failed save";
    EXPECT_EQ(listLines(main), Names{L"Bob"}) << "the change is still there";
    EXPECT_EQ(fileBytes(installed.clientFile), old);
    EXPECT_EQ(otherFiles(installed.folderPath), Names{L"vellumor.vmr.journal"})
        << "only the journal, which holds the unsaved change";

    quitAnswering(program, main, IDNO);
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(fileBytes(installed.clientFile), old);
    EXPECT_EQ(otherFiles(installed.folderPath), Names{}) << "the change was discarded";
}

TEST(FileSystem, FileHeldAtStartIsKeptAsideWhenTheNewClientsAreSaved) {
    const Installed installed;
    const Bytes old = clientsFile({"Ann", "Bob"});
    writeFileBytes(installed.clientFile, old);
    HeldFile holder(installed.clientFile);
    ASSERT_TRUE(holder.held());
    const Program program(installed.exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Opening Client File", IDOK),
              L"The client file could not be read: another program is using it.");
    EXPECT_EQ(listCount(main), 0);

    holder.release();
    ASSERT_TRUE(addClientNamed(program, main, L"Cy"));
    EXPECT_EQ(quitAnswering(program, main, IDYES),
              L"The client file could not be read when the program started, so it was kept as "
              L"vellumor.vmr.unreadable-1 in the same folder.");
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(fileBytes(installed.folderPath + L"vellumor.vmr.unreadable-1"), old);
    EXPECT_EQ(namesIn(fileBytes(installed.clientFile)), std::vector<std::string>{"Cy"});
    EXPECT_EQ(otherFiles(installed.folderPath), Names{L"vellumor.vmr.unreadable-1"});
}

// Another program holds the client file from while the save prompt is up. A
// hold of 2 s, as a virus scanner's, is waited out and the file is complete;
// a longer one is told once the save has waited 3 s, the window stays, and
// the same changes save when the holder has gone.
TEST(FileSystem, HoldOnTheClientFileDuringTheSaveIsWaitedOutOrTold) {
    for (const DWORD hold : {2000u, 120000u}) {
        SCOPED_TRACE(hold);
        const bool waitedOut = hold < 3000;
        const Installed installed;
        const Bytes old = clientsFile({"Ann", "Bob"});
        writeFileBytes(installed.clientFile, old);
        const Program program(installed.exe);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr);
        deleteFirst(program, main, L"Ann");
        click(main, 108);
        const HWND prompt = waitForWindow(program, L"Closing Program");
        ASSERT_NE(prompt, nullptr);
        const HoldingProgram holder(installed.clientFile, hold);
        ASSERT_TRUE(holder.holds());

        const ULONGLONG answered = GetTickCount64();
        click(prompt, IDYES);
        ASSERT_TRUE(waitUntilGone(prompt));
        if (waitedOut) {
            EXPECT_EQ(program.waitForExit(), 0u) << "saved without a message";
            EXPECT_GE(GetTickCount64() - answered, 1000u) << "the save met the hold";
        } else {
            EXPECT_EQ(answerBox(program, L"Closing Program", IDOK),
                      notSaved + L"another program is using it.");
            EXPECT_GE(GetTickCount64() - answered, 3000u) << "told once the wait was over";
            EXPECT_TRUE(IsWindowVisible(main)) << "the window stays open after the failed save";
            ProcessKiller(holder).killAfter(0);
            EXPECT_EQ(fileBytes(installed.clientFile), old);
            EXPECT_EQ(otherFiles(installed.folderPath), Names{L"vellumor.vmr.journal"})
                << "a failed save leaves nothing behind; the journal keeps the unsaved change";
            EXPECT_EQ(quitAnswering(program, main, IDYES), L"");
            EXPECT_EQ(program.waitForExit(), 0u);
        }
        EXPECT_EQ(fileBytes(installed.clientFile), clientsFile({"Bob"}));
        EXPECT_EQ(otherFiles(installed.folderPath), Names{});
        // A failed save removes the backup it made; where the other program's
        // hold keeps it (Wine links a held file), it is the unchanged file.
        for (const std::wstring& name : backupsIn(installed.folderPath))
            EXPECT_EQ(fileBytes(installed.folderPath + L"Backups\\" + name), old) << name;
    }
}

// A file named Backups stands where the folder of backups would go: the save
// goes on, the user is told why the old file was not kept, and that file is
// left alone.
TEST(FileSystem, BackupThatCannotBeMadeIsReportedAfterTheSave) {
    const Installed installed;
    writeFileBytes(installed.clientFile, clientsFile({"Ann"}));
    const std::wstring inTheWay = installed.folderPath + L"Backups";
    const Bytes note = {'n', 'o', 't', 'e'};
    writeFileBytes(inTheWay, note);
    const Program program(installed.exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(addClientNamed(program, main, L"Cy"));
    EXPECT_EQ(quitAnswering(program, main, IDYES),
              L"The changes were saved, but the previous client file could not be kept in "
              L"Backups: its folder does not exist.");
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(namesIn(fileBytes(installed.clientFile)), (std::vector<std::string>{"Ann", "Cy"}));
    EXPECT_EQ(fileBytes(inTheWay), note);
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The save may refuse to replace the folder, or keep it aside under a new
// name; either way it is still there and the user was told.
TEST(FileSystem, ClientFileThatIsAFolderIsReportedAndNeverRemoved) {
    const Installed installed;
    const std::wstring kept = installed.clientFile + L".unreadable-1";
    ASSERT_TRUE(CreateDirectoryW(installed.clientFile.c_str(), nullptr));
    const Program program(installed.exe);
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Opening Client File", IDOK),
              L"The client file could not be read: access to it was denied.");
    EXPECT_EQ(listCount(main), 0);

    ASSERT_TRUE(addClientNamed(program, main, L"Cy"));
    const std::wstring report = quitAnswering(program, main, IDYES);
    if (report.substr(0, notSaved.size()) == notSaved) {
        EXPECT_TRUE(IsWindowVisible(main)) << "the window stays open after the failed save";
        EXPECT_TRUE(isFolder(installed.clientFile));
        quitAnswering(program, main, IDNO);
    } else {
        EXPECT_EQ(report, L"The client file could not be read when the program started, so it "
                          L"was kept as vellumor.vmr.unreadable-1 in the same folder.");
        EXPECT_TRUE(isFolder(kept)) << "the folder is kept aside";
        EXPECT_EQ(namesIn(fileBytes(installed.clientFile)), std::vector<std::string>{"Cy"});
    }
    EXPECT_EQ(program.waitForExit(), 0u);
}

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};
using LocalMemory = std::unique_ptr<void, LocalFreer>;

// Denies everyone the right to add files to a folder while it lives, and
// restores the folder's old permissions afterwards.
class NoFilesAdded {
  public:
    explicit NoFilesAdded(std::wstring path) : folder(std::move(path)) {
        PACL oldList = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, &oldList, nullptr,
                                  &descriptor) != ERROR_SUCCESS)
            return;
        oldDescriptor.reset(descriptor);
        old = oldList;
        EXPLICIT_ACCESSW deny{};
        deny.grfAccessPermissions = FILE_ADD_FILE;
        deny.grfAccessMode = DENY_ACCESS;
        deny.grfInheritance = NO_INHERITANCE;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        deny.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
        PACL newList = nullptr;
        if (SetEntriesInAclW(1, &deny, oldList, &newList) != ERROR_SUCCESS) return;
        const LocalMemory keep(newList);
        applied = set(newList);
    }
    ~NoFilesAdded() {
        if (applied) set(old);
    }
    NoFilesAdded(const NoFilesAdded&) = delete;
    NoFilesAdded& operator=(const NoFilesAdded&) = delete;

    // Whether the system refuses a new file in the folder now.
    bool enforced() const {
        const std::wstring probe = folder + L"probe";
        const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return applied;
        CloseHandle(file);
        DeleteFileW(probe.c_str());
        return false;
    }

  private:
    bool set(PACL list) {
        return SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                     DACL_SECURITY_INFORMATION, nullptr, nullptr, list,
                                     nullptr) == ERROR_SUCCESS;
    }

    std::wstring folder;
    LocalMemory oldDescriptor;
    PACL old = nullptr;
    bool applied = false;
};

// A folder holding vellumor.exe that takes no new file. Wine does not check a
// folder's permissions, so under Wine tests/e2e/run_unwritable.sh makes one
// (with Linux's immutable attribute) and names it in
// VELLUMOR_UNWRITABLE_FOLDER; elsewhere the folder's permissions deny it.
class UnwritableFolder {
  public:
    UnwritableFolder() {
        if (!path.empty()) return;
        path = installed.emplace().folderPath;
        enforced = denied.emplace(path).enforced();
    }

    std::wstring path = environmentVariable(L"VELLUMOR_UNWRITABLE_FOLDER"); // and a backslash
    bool enforced = !path.empty();

  private:
    std::optional<Installed> installed;
    std::optional<NoFilesAdded> denied;
};

// The first start says where it cannot write and what to do; a change is then
// kept in memory only, and its save is refused.
TEST(FileSystem, FolderThatTakesNoNewFileIsReportedAtStartAndAtQuit) {
    const UnwritableFolder folder;
    if (!folder.enforced)
        GTEST_SKIP() << "this system lets this user add files to a folder whose permissions "
                        "deny it (Wine does not check them); tests/e2e/run_unwritable.sh "
                        "shows it with a folder of its own";
    const Program program(folder.path + L"vellumor.exe");
    const HWND main = waitForMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(answerBox(program, L"Opening Client File", IDOK),
              L"Vellumor cannot create its client file in " +
                  folder.path.substr(0, folder.path.size() - 1) +
                  L": access to it was denied.\r\nMove the Vellumor folder to a place where you "
                  L"can save files, such as your Documents folder, and start it from there.");
    EXPECT_EQ(listCount(main), 0);
    EXPECT_FALSE(fileExists(folder.path + L"vellumor.vmr"));

    ASSERT_TRUE(addClientNamed(program, main, L"Cy"));
    EXPECT_EQ(answerBox(program, L"Recovery Journal", IDOK),
              L"Changes cannot be written to the recovery journal: access to it was denied.\r\n"
              L"They are kept until you quit and save them.");
    EXPECT_EQ(quitAnswering(program, main, IDYES), notSaved + L"access to it was denied.");
    EXPECT_TRUE(IsWindowVisible(main));
    quitAnswering(program, main, IDNO);
    EXPECT_EQ(program.waitForExit(), 0u);
    EXPECT_EQ(otherFiles(folder.path), Names{});
}

Bytes withCount(Bytes file, std::int32_t count) {
    std::memcpy(file.data() + 4, &count, sizeof count);
    return file;
}

Bytes cut(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

// Every damaged shape is reported at start: the clients that could be read are
// listed and saved again; a file that could not be read is kept, beside an
// earlier kept file, when the clients added since are saved.
TEST(FileSystem, DamagedFilesAreLoadedAsFarAsTheyGoOrReportedAndKept) {
    const Bytes two = clientsFile({"Ann", "Bob"});
    const std::wstring damagedCount = L"The client file is damaged: it gives ";
    struct Case {
        const char* shape;
        Bytes file;
        std::vector<std::string> listed;
        std::wstring report; // shown at start
        bool unreadable;     // kept aside by the next save
    };
    const Case cases[] = {
        {"cut header",
         cut(two, 3),
         {},
         L"The client file ends inside its header: it holds no clients.",
         false},
        {"cut inside the second record",
         cut(two, 8 + clientRecordSize + 100),
         {"Ann", "Bob"},
         L"The client file ends early: 1 of its 2 clients is incomplete, and the missing answers "
         L"are left blank.",
         false},
        {"count -1", withCount(two, -1), {}, damagedCount + L"-1 as its number of clients.", true},
        {"count 2,000,000,000",
         withCount(two, 2000000000),
         {},
         damagedCount + L"2000000000 as its number of clients.",
         true},
        {"count 1,000,001",
         withCount(two, 1000001),
         {},
         damagedCount + L"1000001 as its number of clients.",
         true},
    };
    const Bytes earlier = {'k', 'e', 'p', 't'};
    const std::wstring keptReport =
        L"The client file could not be read when the program started, so it was kept as "
        L"vellumor.vmr.unreadable-2 in the same folder.";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        const Installed installed;
        writeFileBytes(installed.clientFile, c.file);
        writeFileBytes(installed.clientFile + L".unreadable-1", earlier);
        const Program program(installed.exe);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(answerBox(program, L"Opening Client File", IDOK), c.report);
        Names listed;
        for (const std::string& name : c.listed)
            listed.emplace_back(name.begin(), name.end());
        EXPECT_EQ(listLines(main), listed);

        ASSERT_TRUE(addClientNamed(program, main, L"Cy"));
        const bool unreadable = c.unreadable;
        EXPECT_EQ(quitAnswering(program, main, IDYES), unreadable ? keptReport : L"");
        EXPECT_EQ(program.waitForExit(), 0u);
        std::vector<std::string> saved = c.listed;
        saved.push_back("Cy");
        EXPECT_EQ(namesIn(fileBytes(installed.clientFile)), saved);
        EXPECT_EQ(fileBytes(installed.clientFile + L".unreadable-1"), earlier);
        if (unreadable) {
            EXPECT_EQ(fileBytes(installed.clientFile + L".unreadable-2"), c.file);
        }
        EXPECT_EQ(otherFiles(installed.folderPath).size(), unreadable ? 2u : 1u);
    }
}

} // namespace
