// The journal file as a run leaves it: cut after a damaged tail when it goes
// on, never written behind a failed entry, and never removed when this run
// could not read it.
#include "records/ClientFile.h"
#include "records/FileAccess.h"
#include "records/RecoveryJournal.h"

#include "TestData.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

JournalEntry added(const std::string& name) {
    JournalEntry entry;
    writeText(entry.after, CLIENT_FIELD(name), name);
    return entry;
}

std::vector<std::string> addedNames(const DecodedJournal& journal) {
    std::vector<std::string> names;
    for (const JournalEntry& entry : journal.entries)
        names.push_back(recordName(entry.after));
    return names;
}

// Writes fail from the `failFrom`th on, as on a full disk.
class FullDisk : public FileAccess {
  public:
    explicit FullDisk(int failFrom) : left(failFrom - 1) {}
    bool write(HANDLE file, const void* data, DWORD size, DWORD& done) override {
        ++writes;
        if (left-- > 0) return FileAccess::write(file, data, size, done);
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    int writes = 0;

  private:
    int left;
};

class RecoveryJournalFile : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"vellumor-journal-" +
                 std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++folders) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        dataFileName = folder + L"vellumor.vmr";
        writeFileBytes(dataFileName, {});
        identity = clientFileIdentity();
    }
    void TearDown() override {
        installFileAccess(nullptr);
        removeJournal();
        removeFolder(folder);
    }

    std::wstring folder;
    FileIdentity identity;
    static inline int folders = 0;
};

TEST_F(RecoveryJournalFile, RestoredJournalGoesOnAfterItsLastCompleteEntry) {
    Bytes journal = encodeJournalHeader(identity);
    for (const char* name : {"Ann", "Bob"}) {
        const Bytes entry = encodeJournalEntry(added(name));
        journal.insert(journal.end(), entry.begin(), entry.end());
    }
    journal.resize(journal.size() - 100); // Bob's entry was cut by a kill
    writeFileBytes(journalFileName(), journal);

    const FoundJournal found = openJournal(identity);
    ASSERT_TRUE(found.result.ok);
    EXPECT_EQ(judgeJournal(found.decoded, found.size, identity, true), JournalVerdict::offer);
    ASSERT_TRUE(continueJournal(found).ok);
    ASSERT_TRUE(appendToJournal(added("Cy")).ok);

    // What the next start reads, had this run ended now.
    const FoundJournal next = openJournal(identity);
    EXPECT_EQ(next.size, next.decoded.soundSize);
    EXPECT_EQ(addedNames(next.decoded), (std::vector<std::string>{"Ann", "Cy"}));
}

TEST_F(RecoveryJournalFile, FailedWriteEndsTheJournalWhereItWas) {
    openJournal(identity);
    FullDisk disk(2);
    installFileAccess(&disk);
    ASSERT_TRUE(appendToJournal(added("Ann")).ok);
    const JournalResult failed = appendToJournal(added("Bob"));
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.reason, "the disk is full");
    EXPECT_FALSE(appendToJournal(added("Cy")).ok);
    EXPECT_EQ(disk.writes, 2) << "nothing is written behind the failed entry";
    installFileAccess(nullptr);
    const Bytes left = fileBytes(journalFileName());
    EXPECT_EQ(addedNames(decodeJournal(left.data(), left.size())), std::vector<std::string>{"Ann"});
    removeJournal();
    EXPECT_EQ(GetFileAttributesW(journalFileName().c_str()), INVALID_FILE_ATTRIBUTES);
}

// Held by another program at start: this run neither reads, writes nor
// removes it.
TEST_F(RecoveryJournalFile, JournalThisRunCouldNotReadIsLeftAlone) {
    const Bytes journal = encodeJournalHeader(identity);
    writeFileBytes(journalFileName(), journal);
    const HANDLE held =
        CreateFileW(journalFileName().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const FoundJournal found = openJournal(identity);
    EXPECT_FALSE(found.result.ok);
    EXPECT_EQ(found.result.reason, "another program is using it");
    EXPECT_FALSE(appendToJournal(added("Ann")).ok);
    removeJournal();
    CloseHandle(held);
    EXPECT_EQ(fileBytes(journalFileName()), journal);
}

// Notes the handles it opens; a handle closed through it that it never opened
// came from a call that went around it.
class HandleLedger : public FileAccess {
  public:
    HANDLE open(const std::wstring& path, DWORD access, DWORD disposition) override {
        const HANDLE file = FileAccess::open(path, access, disposition);
        if (file != INVALID_HANDLE_VALUE) opened.insert(file);
        return file;
    }
    void close(HANDLE file) override {
        if (opened.erase(file) == 0) ++strangers;
        FileAccess::close(file);
    }
    std::set<HANDLE> opened; // and not closed yet
    int strangers = 0;
};

TEST_F(RecoveryJournalFile, EveryFileGoesThroughTheFileAccessSeam) {
    HandleLedger ledger;
    installFileAccess(&ledger);
    const FileIdentity identified = clientFileIdentity();
    openJournal(identified);
    EXPECT_TRUE(appendToJournal(added("Ann")).ok);
    clients = {added("Bob").after};
    EXPECT_TRUE(saveClients().ok);
    EXPECT_TRUE(loadClients().ok);
    removeJournal();
    installFileAccess(nullptr);
    EXPECT_TRUE(identified.exists);
    EXPECT_EQ(ledger.strangers, 0) << "handles closed that the seam never opened";
    EXPECT_EQ(ledger.opened.size(), 0u) << "handles left open";
}

} // namespace
