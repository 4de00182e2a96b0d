// The client file's lock in one process: the line a holder writes, what a
// second taker and a reader find while it holds it, and a folder where no lock
// file can be made. (Another process holding it: tests/e2e.)
#include "records/ClientLock.h"

#include "TestData.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const LockHolder first{"DESK-2", "maria", {20240305, 90705}};
const LockHolder second{"FRONT", "jo", {20240306, 170000}};

std::string shown(const std::optional<LockHolder>& holder) {
    return holder ? encodeLockLine(*holder) : "(nothing)";
}

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class ClientLockFile : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"vellumor-lock-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(++folders) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    void TearDown() override { removeFolder(folder); }

    std::wstring folder;
    std::wstring clientFile() const { return folder + L"vellumor.vmr"; }
    std::wstring lockFile() const { return folder + L"vellumor.vmr.lock"; }
    static inline int folders = 0;
};

TEST_F(ClientLockFile, HolderWritesItsLineAndOthersReadItWhileItHolds) {
    EXPECT_EQ(lockFileName(clientFile()), lockFile());
    ClientLock holder;
    const LockResult taken = holder.take(clientFile(), first);
    ASSERT_EQ(taken.outcome, LockOutcome::taken);
    EXPECT_EQ(text(fileBytes(lockFile())), encodeLockLine(first));

    std::optional<LockHolder> seen;
    EXPECT_TRUE(lockIsHeld(clientFile(), seen));
    EXPECT_EQ(shown(seen), encodeLockLine(first));
    ClientLock other;
    const LockResult refused = other.take(clientFile(), second);
    EXPECT_EQ(refused.outcome, LockOutcome::heldElsewhere);
    EXPECT_EQ(shown(refused.holder), encodeLockLine(first));
    EXPECT_EQ(text(fileBytes(lockFile())), encodeLockLine(first)) << "the refused one wrote";

    // Let go, the lock goes to the next taker, whose line replaces the whole
    // text; the file itself stays.
    holder.release();
    EXPECT_FALSE(lockIsHeld(clientFile(), seen));
    EXPECT_EQ(shown(seen), "(nothing)");
    ASSERT_EQ(other.take(clientFile(), second).outcome, LockOutcome::taken);
    EXPECT_EQ(text(fileBytes(lockFile())), encodeLockLine(second));
    other.release();
    EXPECT_EQ(text(fileBytes(lockFile())), encodeLockLine(second));
}

// A folder that is not there stands for one the user may not write: no lock
// file, the program runs as it would without one, and a reader finds nobody.
TEST_F(ClientLockFile, FolderWithoutALockFileLeavesItUnavailable) {
    const std::wstring missing = folder + L"missing\\vellumor.vmr";
    ClientLock lock;
    const LockResult result = lock.take(missing, first);
    EXPECT_EQ(result.outcome, LockOutcome::unavailable);
    EXPECT_EQ(shown(result.holder), "(nothing)");
    std::optional<LockHolder> seen;
    EXPECT_FALSE(lockIsHeld(clientFile(), seen)) << "a reader makes no lock file";
    EXPECT_EQ(GetFileAttributesW(lockFile().c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
