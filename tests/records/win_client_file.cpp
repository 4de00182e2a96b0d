#include "TestData.h"
#include "records/BackupNames.h"
#include "records/ClientCodec.h"
#include "records/ClientFile.h"
#include "records/FileAccess.h"
#include "records/RecoveryJournal.h"
#include "tests/support/SameRecord.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::wstring>;

std::optional<Bytes> contentOf(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    Bytes bytes(GetFileSize(file, nullptr));
    DWORD done = 0;
    const BOOL read =
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    if (!read || done != bytes.size()) return std::nullopt;
    return bytes;
}

void writeFile(const std::wstring& path, const Bytes& bytes) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD done = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    ASSERT_EQ(done, bytes.size());
}

ClientRecord client(const std::string& name) {
    ClientRecord record{};
    writeText(record, CLIENT_FIELD(name), name);
    writeDate(record, CLIENT_FIELD(intakeDate), 20240315);
    writeItem(record, CLIENT_FIELD(gastroInternal), 18, true);
    return record;
}

std::vector<ClientRecord> someClients(int count) {
    std::vector<ClientRecord> records;
    for (int k = 0; k < count; ++k)
        records.push_back(client("Client " + std::to_string(k)));
    return records;
}

testing::AssertionResult sameClients(const std::vector<ClientRecord>& got,
                                     const std::vector<ClientRecord>& expected) {
    if (got.size() != expected.size())
        return testing::AssertionFailure() << got.size() << " clients, not " << expected.size();
    for (std::size_t k = 0; k < got.size(); ++k) {
        if (testing::AssertionResult same = sameRecord(got[k], expected[k]); !same)
            return same << " (client " << k + 1 << ")";
    }
    return testing::AssertionSuccess();
}

bool mentions(const FileResult& result, const char* text) {
    return result.message.find(text) != std::string::npos;
}

// Each test gets a folder of its own under the temporary folder, with the
// client file named as beside the program.
class ClientFile : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        folder = std::wstring(temp) + L"vellumor-records-" +
                 std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++folders) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
        dataFileName = folder + L"vellumor.vmr";
        clients.clear();
    }

    void TearDown() override {
        installFileAccess(nullptr);
        removeFolder(folder);
    }

    // The files, not the folders, beside the client file and in its backups.
    Names files() const { return filesIn(folder); }
    Names backups() const { return filesIn(backupFolder()); }
    std::wstring backupFolder() const { return folder + backupFolderName + L"\\"; }

    static Names filesIn(const std::wstring& path) {
        Names names;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    // A client file holding `records`, loaded as the program does at start.
    Bytes startWith(const std::vector<ClientRecord>& records) {
        const Bytes bytes = encodeClients(records);
        writeFile(dataFileName, bytes);
        const FileResult loaded = loadClients();
        EXPECT_TRUE(loaded.ok) << loaded.message;
        return bytes;
    }

    std::wstring folder;
    static inline int folders = 0;
};

TEST(ProgramFolder, EndsWithABackslash) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring folder = programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_EQ(std::wstring(path).rfind(folder, 0), 0u);
    EXPECT_EQ(std::wstring(path).find(L'\\', folder.size()), std::wstring::npos);
}

TEST_F(ClientFile, FirstLoadCreatesAnEmptyFile) {
    const FileResult result = loadClients();
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(clientCount(), 0);
    EXPECT_EQ(contentOf(dataFileName), Bytes{});
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});
}

TEST_F(ClientFile, OneClientSavedIntoANewFile) {
    clients = {client("Ann")};
    const FileResult saved = saveClients();
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_TRUE(saved.message.empty()) << saved.message;
    const std::optional<Bytes> bytes = contentOf(dataFileName);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 1249u);
    EXPECT_EQ(Bytes(bytes->begin(), bytes->begin() + 8),
              (Bytes{0x31, 0x2E, 0x30, 0x31, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});

    ASSERT_TRUE(loadClients().ok);
    EXPECT_TRUE(sameClients(clients, {client("Ann")}));
}

TEST_F(ClientFile, SavingFewerClientsShortensTheFile) {
    startWith({});
    clients = someClients(3);
    ASSERT_TRUE(saveClients().ok);
    EXPECT_EQ(contentOf(dataFileName)->size(), 3731u);

    clients.clear();
    const FileResult saved = saveClients();
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(contentOf(dataFileName), encodeClients({}));
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});
    ASSERT_TRUE(loadClients().ok);
    EXPECT_EQ(clientCount(), 0);
}

TEST_F(ClientFile, ReadOnlyFileLoadsButIsNotOverwritten) {
    const Bytes old = encodeClients(someClients(2));
    writeFile(dataFileName, old);
    ASSERT_TRUE(SetFileAttributesW(dataFileName.c_str(), FILE_ATTRIBUTE_READONLY));
    const FileResult loaded = loadClients();
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(clientCount(), 2);

    insertClient(1, client("Ann"));
    const FileResult saved = saveClients();
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(mentions(saved, "could not be saved: it is marked read-only")) << saved.message;
    EXPECT_EQ(contentOf(dataFileName), old);
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});
}

TEST_F(ClientFile, FileHeldAtStartIsKeptAsideWhenSaving) {
    const Bytes old = encodeClients(someClients(2));
    writeFile(dataFileName, old);
    HANDLE holder = CreateFileW(dataFileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const FileResult loaded = loadClients();
    EXPECT_FALSE(loaded.ok);
    EXPECT_TRUE(mentions(loaded, "could not be read: another program is using it"))
        << loaded.message;
    EXPECT_EQ(clientCount(), 0);

    clients = {client("Ann")};
    const FileResult whileHeld = saveClients();
    EXPECT_FALSE(whileHeld.ok);
    EXPECT_TRUE(mentions(whileHeld, "could not be saved: another program is using it"))
        << whileHeld.message;
    CloseHandle(holder);
    EXPECT_EQ(contentOf(dataFileName), old);
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});

    const FileResult saved = saveClients();
    EXPECT_TRUE(saved.ok) << saved.message;
    EXPECT_TRUE(mentions(saved, "kept as vellumor.vmr.unreadable-1")) << saved.message;
    EXPECT_EQ(contentOf(dataFileName), encodeClients({client("Ann")}));
    EXPECT_EQ(contentOf(folder + L"vellumor.vmr.unreadable-1"), old);

    // Only the file that could not be read is kept; the next save replaces.
    EXPECT_TRUE(saveClients().message.empty());
    EXPECT_EQ(files(), (Names{L"vellumor.vmr", L"vellumor.vmr.unreadable-1"}));
}

TEST_F(ClientFile, DamagedFileIsKeptWithoutOverwritingAnEarlierOne) {
    for (std::int32_t count : {-1, 2000000000}) {
        Bytes damaged = encodeClients(someClients(1));
        std::copy_n(reinterpret_cast<const std::uint8_t*>(&count), 4, damaged.begin() + 4);
        writeFile(dataFileName, damaged);
        const FileResult loaded = loadClients();
        EXPECT_FALSE(loaded.ok) << count;
        EXPECT_TRUE(mentions(loaded, std::to_string(count).c_str())) << loaded.message;
        EXPECT_EQ(clientCount(), 0);

        clients = {client("Ann")};
        const FileResult saved = saveClients();
        EXPECT_TRUE(saved.ok) << saved.message;
        const std::wstring kept = L"vellumor.vmr.unreadable-" + std::to_wstring(count < 0 ? 1 : 2);
        EXPECT_EQ(contentOf(folder + kept), damaged) << count;
    }
    EXPECT_EQ(files(),
              (Names{L"vellumor.vmr", L"vellumor.vmr.unreadable-1", L"vellumor.vmr.unreadable-2"}));
}

// A 32-bit process cannot find room for a million clients: the load says so.
TEST_F(ClientFile, LargestCountLoadsOrReportsMemory) {
    const std::int32_t count = maxClientCount;
    Bytes bytes = encodeClients({});
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&count), 4, bytes.begin() + 4);
    writeFile(dataFileName, bytes);
    const FileResult loaded = loadClients();
    if (loaded.ok) {
        EXPECT_EQ(clientCount(), maxClientCount);
    } else {
        EXPECT_TRUE(mentions(loaded, "not enough memory")) << loaded.message;
        EXPECT_EQ(clientCount(), 0);
    }
}

TEST_F(ClientFile, MissingFolderIsReported) {
    dataFileName = folder + L"absent\\vellumor.vmr";
    const FileResult loaded = loadClients();
    EXPECT_FALSE(loaded.ok);
    EXPECT_TRUE(mentions(loaded, "its folder does not exist")) << loaded.message;
    clients = {client("Ann")};
    const FileResult saved = saveClients();
    EXPECT_FALSE(saved.ok);
    EXPECT_TRUE(mentions(saved, "could not be saved: its folder does not exist")) << saved.message;
    EXPECT_EQ(files(), Names{});
}

TEST_F(ClientFile, StaleTemporaryFileDoesNoHarm) {
    startWith(someClients(1));
    writeFile(dataFileName + L".tmp", Bytes(5000, 0xAB));
    ASSERT_TRUE(loadClients().ok);
    EXPECT_EQ(clientCount(), 1);
    clients = someClients(2);
    const FileResult saved = saveClients();
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(contentOf(dataFileName), encodeClients(someClients(2)));
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});
}

// The file's index on its volume: the same for two links to one file.
std::optional<std::uint64_t> fileIndex(const std::wstring& path) {
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL got = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!got) return std::nullopt;
    return std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
}

TEST_F(ClientFile, SaveKeepsTheFileItReplacesInBackups) {
    ASSERT_TRUE(loadClients().ok); // the empty file of a first start
    clients = {client("Ann")};
    ASSERT_TRUE(saveClients().ok);
    EXPECT_EQ(backups(), Names{}) << "an empty file holds nothing to keep";
    const std::optional<Bytes> first = contentOf(dataFileName);
    const std::optional<std::uint64_t> firstIndex = fileIndex(dataFileName);
    ASSERT_TRUE(first && firstIndex);

    clients = someClients(2);
    const FileResult saved = saveClients();
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_TRUE(saved.message.empty()) << saved.message;
    EXPECT_EQ(contentOf(dataFileName), encodeClients(someClients(2)));
    const Names kept = backups();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(parseBackupName(kept[0])) << kept[0];
    EXPECT_EQ(contentOf(backupFolder() + kept[0]), first);
    EXPECT_EQ(fileIndex(backupFolder() + kept[0]), firstIndex) << "a second link, not a copy";
}

// Older backups go, files of other names stay.
TEST_F(ClientFile, SaveRemovesTheBackupsNoLongerKept) {
    startWith(someClients(1));
    ASSERT_TRUE(CreateDirectoryW(backupFolder().c_str(), nullptr));
    Names planted;
    for (int k = 0; k < keptNewest + 2; ++k)
        planted.push_back(backupName({20200101, 120000 + k}, 1));
    const Names others = {L"notes.txt", planted[0] + L".old"};
    for (const Names& names : {planted, others})
        for (const std::wstring& name : names)
            writeFile(backupFolder() + name, {1});

    ASSERT_TRUE(saveClients().ok);
    const Names left = backups();
    for (const std::wstring& name : planted) {
        const bool kept = std::find(left.begin(), left.end(), name) != left.end();
        EXPECT_EQ(kept, name > planted[2]) << name;
    }
    for (const std::wstring& name : others)
        EXPECT_NE(std::find(left.begin(), left.end(), name), left.end()) << name;
    EXPECT_EQ(left.size(), keptNewest + others.size()) << "the new backup and nine planted";
}

// Fails the backup's steps as told; or reports its first name as taken.
class BackupAccess : public FileAccess {
  public:
    DWORD folderError = ERROR_SUCCESS;
    DWORD linkError = ERROR_SUCCESS;
    DWORD copyError = ERROR_SUCCESS;
    bool firstNameTaken = false;

    bool createFolder(const std::wstring& path) override {
        return !fails(folderError) && FileAccess::createFolder(path);
    }
    bool link(const std::wstring& existing, const std::wstring& path) override {
        if (std::exchange(firstNameTaken, false)) return !fails(ERROR_ALREADY_EXISTS);
        return !fails(linkError) && FileAccess::link(existing, path);
    }
    bool copy(const std::wstring& existing, const std::wstring& path) override {
        return !fails(copyError) && FileAccess::copy(existing, path);
    }

  private:
    static bool fails(DWORD error) {
        if (error == ERROR_SUCCESS) return false;
        SetLastError(error);
        return true;
    }
};

TEST_F(ClientFile, BackupThatCannotBeMadeNeverStopsTheSave) {
    const std::string noBackup =
        "The changes were saved, but the previous client file could not be kept in Backups: ";
    struct Case {
        const char* shape;
        BackupAccess access;
        std::string message;
        int sequence; // of the backup's name, 0 for no backup
    };
    Case cases[] = {
        {"no folder", {}, noBackup + "access to it was denied.", 0},
        {"no links", {}, "", 1},
        {"no links, disk full", {}, noBackup + "the disk is full.", 0},
        {"name taken", {}, "", 2},
    };
    cases[0].access.folderError = ERROR_ACCESS_DENIED;
    cases[1].access.linkError = ERROR_NOT_SUPPORTED;
    cases[2].access.linkError = ERROR_NOT_SUPPORTED;
    cases[2].access.copyError = ERROR_DISK_FULL;
    cases[3].access.firstNameTaken = true;
    for (Case& c : cases) {
        SCOPED_TRACE(c.shape);
        removeFolder(backupFolder());
        const Bytes old = startWith(someClients(1));
        clients = someClients(2);
        installFileAccess(&c.access);
        const FileResult saved = saveClients();
        installFileAccess(nullptr);
        EXPECT_TRUE(saved.ok);
        EXPECT_EQ(saved.message, c.message);
        EXPECT_EQ(contentOf(dataFileName), encodeClients(someClients(2)));
        const Names kept = backups();
        ASSERT_EQ(kept.size(), c.sequence > 0 ? 1u : 0u);
        if (c.sequence == 0) continue;
        const std::optional<BackupStamp> stamp = parseBackupName(kept[0]);
        EXPECT_EQ(stamp ? stamp->sequence : 0, c.sequence) << kept[0];
        EXPECT_EQ(contentOf(backupFolder() + kept[0]), old);
    }
}

// Fails the n-th step of a save (opening, each write, the flush, the replace
// or move) with "disk full", and counts the steps.
class FailingAccess : public FileAccess {
  public:
    explicit FailingAccess(int step) : failAt(step) {}
    int steps = 0;

    HANDLE open(const std::wstring& path, DWORD access, DWORD disposition) override {
        return failHere() ? INVALID_HANDLE_VALUE : FileAccess::open(path, access, disposition);
    }
    bool write(HANDLE file, const void* data, DWORD size, DWORD& done) override {
        return !failHere() && FileAccess::write(file, data, size, done);
    }
    bool flush(HANDLE file) override { return !failHere() && FileAccess::flush(file); }
    bool replace(const std::wstring& target, const std::wstring& replacement,
                 const std::wstring& backup) override {
        return !failHere() && FileAccess::replace(target, replacement, backup);
    }
    bool move(const std::wstring& from, const std::wstring& to) override {
        return !failHere() && FileAccess::move(from, to);
    }

  private:
    bool failHere() {
        if (++steps != failAt) return false;
        SetLastError(ERROR_DISK_FULL);
        return true;
    }
    int failAt;
};

TEST_F(ClientFile, FailureAtAnyStepOfASaveKeepsTheOldFile) {
    // 60 clients take two writes; both the replacing and the first save.
    for (bool replacing : {true, false}) {
        const std::optional<Bytes> old =
            replacing ? std::optional<Bytes>(encodeClients(someClients(3))) : std::nullopt;
        FailingAccess counting(0);
        if (old) writeFile(dataFileName, *old);
        clients = someClients(60);
        installFileAccess(&counting);
        ASSERT_TRUE(saveClients().ok);
        installFileAccess(nullptr);
        ASSERT_EQ(counting.steps, 5) << "open, two writes, flush, replace or move";

        for (int step = 1; step <= counting.steps; ++step) {
            DeleteFileW(dataFileName.c_str());
            removeFolder(backupFolder());
            if (old) writeFile(dataFileName, *old);
            FailingAccess failing(step);
            installFileAccess(&failing);
            const FileResult saved = saveClients();
            installFileAccess(nullptr);
            EXPECT_FALSE(saved.ok) << "step " << step;
            EXPECT_EQ(saved.message, "The client file could not be saved: the disk is full.");
            EXPECT_EQ(contentOf(dataFileName), old) << "step " << step;
            EXPECT_EQ(files(), old ? Names{L"vellumor.vmr"} : Names{}) << "step " << step;
            EXPECT_EQ(backups(), Names{}) << "step " << step;
        }
    }
}

// Another program removes the client file just as the save puts the new one
// in its place (a sync program, or the user restoring a copy by hand).
class TargetRemovedMeanwhile : public FileAccess {
    bool replace(const std::wstring& target, const std::wstring& replacement,
                 const std::wstring& backup) override {
        DeleteFileW(target.c_str());
        return FileAccess::replace(target, replacement, backup);
    }
};

TEST_F(ClientFile, ClientFileRemovedDuringTheSaveIsStillSaved) {
    const Bytes old = startWith(someClients(1));
    clients = someClients(2);
    TargetRemovedMeanwhile access;
    installFileAccess(&access);
    const FileResult saved = saveClients();
    EXPECT_TRUE(saved.ok) << saved.message;
    EXPECT_EQ(contentOf(dataFileName), encodeClients(someClients(2)));
    EXPECT_EQ(files(), Names{L"vellumor.vmr"});
    const Names kept = backups();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(contentOf(backupFolder() + kept[0]), old) << "the old clients are still in Backups";
}

// Refuses every open, as a folder this user may not write to, or a
// write-protected disk, refuses the first start's new file. (An ASCII folder,
// and a client file there that cannot be read: tests/e2e/win_file_system.cpp.)
class RefusedOpen : public FileAccess {
    HANDLE open(const std::wstring&, DWORD, DWORD) override {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
};

TEST_F(ClientFile, FirstStartThatCannotCreateTheFileSaysWhereAndWhatToDo) {
    const std::string advice = ": access to it was denied.\r\nMove the Vellumor folder to a place "
                               "where you can save files, such as your Documents folder, and "
                               "start it from there.";
    const std::string here(folder.begin(), folder.end() - 1); // the test folders are ASCII
    const struct {
        std::wstring clientFile;
        std::string folderShown;
    } cases[] = {
        {folder + L"Caf\u00e9 \u03a9\\vellumor.vmr", here + "\\Caf\xe9 ?"},
        {L"Q:\\vellumor.vmr", "Q:\\"},
    };
    for (const auto& c : cases) {
        dataFileName = c.clientFile;
        RefusedOpen refused;
        installFileAccess(&refused);
        const FileResult loaded = loadClients();
        installFileAccess(nullptr);
        EXPECT_FALSE(loaded.ok);
        EXPECT_EQ(loaded.message,
                  "Vellumor cannot create its client file in " + c.folderShown + advice);
    }
}

// Another program holds one file of the save (the client file, the backup's
// source, the new file or the journal) for the first `times` tries; -1: for
// ever.
class BriefHold : public FileAccess {
  public:
    enum class Step { replace, link, move, remove };
    BriefHold(Step step, DWORD error, int times) : held(step), heldError(error), left(times) {}

    bool replace(const std::wstring& target, const std::wstring& replacement,
                 const std::wstring& backup) override {
        return !holds(Step::replace) && FileAccess::replace(target, replacement, backup);
    }
    bool link(const std::wstring& existing, const std::wstring& path) override {
        return !holds(Step::link) && FileAccess::link(existing, path);
    }
    bool move(const std::wstring& from, const std::wstring& to) override {
        return !holds(Step::move) && FileAccess::move(from, to);
    }
    bool remove(const std::wstring& path) override {
        return !holds(Step::remove) && FileAccess::remove(path);
    }

  private:
    bool holds(Step step) {
        if (step != held || left == 0) return false;
        --left;
        SetLastError(heldError);
        return true;
    }
    Step held;
    DWORD heldError;
    int left;
};

// A step of the save held by another program (a sharing violation, access
// denied, a locked range) is tried again until the hold ends; another failure
// is told at once, and a hold that lasts once 3 s have passed. A backup stays a
// link to the old file.
TEST_F(ClientFile, SaveWaitsOutABriefHoldOnItsFiles) {
    using Step = BriefHold::Step;
    const struct {
        const char* shape;
        Step step;
        DWORD error;
        int times;
        bool replacing; // a client file is there before the save
        std::string message;
    } cases[] = {
        {"client file shared for reading", Step::replace, ERROR_SHARING_VIOLATION, 3, true, ""},
        {"backup's source open for deletion", Step::link, ERROR_ACCESS_DENIED, 2, true, ""},
        {"new file's range locked", Step::move, ERROR_LOCK_VIOLATION, 1, false, ""},
        {"disk full", Step::replace, ERROR_DISK_FULL, 1, true,
         "The client file could not be saved: the disk is full."},
        {"held for long", Step::replace, ERROR_SHARING_VIOLATION, -1, true,
         "The client file could not be saved: another program is using it."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        DeleteFileW(dataFileName.c_str());
        removeFolder(backupFolder());
        const Bytes old = c.replacing ? startWith(someClients(1)) : Bytes();
        const std::optional<std::uint64_t> oldIndex = fileIndex(dataFileName);
        clients = someClients(2);
        BriefHold hold(c.step, c.error, c.times);
        installFileAccess(&hold);
        const ULONGLONG start = GetTickCount64();
        const FileResult saved = saveClients();
        const ULONGLONG took = GetTickCount64() - start;
        installFileAccess(nullptr);
        EXPECT_EQ(saved.message, c.message);
        const bool waitedOut = c.message.empty();
        EXPECT_EQ(saved.ok, waitedOut);
        if (!waitedOut) {
            const ULONGLONG after = c.times < 0 ? 3000 : 0; // told at once, or after the wait
            EXPECT_TRUE(took >= after && took < after + 1000) << took << " ms";
        }
        EXPECT_EQ(contentOf(dataFileName), waitedOut ? encodeClients(someClients(2)) : old);
        const Names kept = backups();
        ASSERT_EQ(kept.size(), waitedOut && c.replacing ? 1u : 0u);
        if (!kept.empty()) {
            EXPECT_EQ(fileIndex(backupFolder() + kept[0]), oldIndex) << "a link, not a copy";
        }
    }
}

TEST_F(ClientFile, JournalRemovalWaitsOutABriefHold) {
    startWith({});
    openJournal(clientFileIdentity());
    ASSERT_TRUE(appendToJournal({}).ok);
    BriefHold hold(BriefHold::Step::remove, ERROR_SHARING_VIOLATION, 3);
    installFileAccess(&hold);
    removeJournal();
    installFileAccess(nullptr);
    EXPECT_EQ(GetFileAttributesW(journalFileName().c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
