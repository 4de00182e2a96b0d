// The program killed in the middle of saving a large client file, at many
// moments spread over the save: afterwards the file holds exactly the old or
// exactly the new clients, the next start lists all of them, each once (the
// journal beside the old file is restored, one beside the new file is kept
// aside), and what a killed save left behind does no harm to the next one.
#include "win_process.h"

#include "records/ClientCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// About 25 MB: a save takes long enough under Wine to be interrupted.
constexpr int startingClients = 20000;
constexpr int spreadMoments = 46; // 31 of them within the measured save
constexpr int replaceMoments = 6;

Bytes numberedClientsFile() {
    std::vector<ClientRecord> records;
    records.reserve(startingClients);
    for (int k = 0; k < startingClients; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "Client %05d", k); // sorted as numbered
        records.push_back(recordNamed(name, "Fresno"));
        writeU8(records.back(), CLIENT_FIELD(age), static_cast<std::uint8_t>(k % 90));
    }
    return encodeClients(records);
}

// What a save writes after the first client of `file` was deleted: the
// count one less, the records after the first.
Bytes withoutFirstClient(const Bytes& file) {
    Bytes saved(file.begin(), file.begin() + fileHeaderSize);
    const std::int32_t count = statedCount(file.data(), file.size()) - 1;
    std::memcpy(saved.data() + 4, &count, sizeof count);
    saved.insert(saved.end(), file.begin() + fileHeaderSize + clientRecordSize, file.end());
    return saved;
}

std::wstring firstName(const Bytes& file) {
    const auto name = file.begin() + fileHeaderSize;
    return std::wstring(name, std::find(name, name + sizeof(ClientRecord::name), 0));
}

std::wstring joined(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names)
        text += name + L" ";
    return text;
}

class CrashDuringSave : public ::testing::Test {
  protected:
    void SetUp() override {
        exe = folder.installProgram();
        clientFile = folder.clientFilePath();
        temporary = clientFile + L".tmp";
        journal = clientFile + L".journal";
        current = numberedClientsFile();
        writeFileBytes(clientFile, current);
    }

    // A start after a killed save: a journal left beside the old file is
    // offered and restored; one beside the new file is kept aside, never
    // replayed. Either way every client the user had is listed, once.
    void settleStart(const Program& program, HWND main) {
        if (!journalLeft) {
            EXPECT_EQ(unsaved, 0) << "changes not in the file, and no journal";
        } else if (unsaved > 0) {
            EXPECT_EQ(answerBox(program, L"Vellumor", IDYES), restoreQuestion(unsaved));
        } else {
            const std::wstring told = answerBox(program, L"Vellumor", IDOK);
            EXPECT_NE(told.find(L"another version of the client file"), std::wstring::npos) << told;
            EXPECT_TRUE(DeleteFileW((journal + L"-1").c_str())) << "kept as journal-1";
            ++keptAside;
        }
        EXPECT_EQ(listCount(main), statedCount(current.data(), current.size()))
            << "the start after a killed save";
    }

    // Starts the program on the client file as it is now, deletes the first
    // client the user has and opens the save prompt. Returns the prompt,
    // nullptr on a failure.
    HWND deleteFirstAndQuit(const Program& program) {
        const HWND main = waitForMainWindow(program);
        if (main == nullptr) {
            ADD_FAILURE() << "no main window";
            return nullptr;
        }
        settleStart(program, main);
        deleteFirst(program, main, firstName(current).c_str());
        current = withoutFirstClient(current);
        click(main, 108);
        const HWND prompt = waitForWindow(program, L"Closing Program");
        if (prompt == nullptr) ADD_FAILURE() << "no save prompt";
        return prompt;
    }

    // One save interrupted by `kill`, which gets the program once the prompt
    // has been answered Yes. Counts whether the file kept the old content or
    // took the new one; anything else fails.
    template <typename Kill> void interruptedSave(const char* moment, Kill kill) {
        const Bytes old = fileBytes(clientFile);
        const Program program(exe);
        const HWND prompt = deleteFirstAndQuit(program);
        if (prompt == nullptr) return;
        ProcessKiller killer(program);
        click(prompt, IDYES);
        kill(killer);
        const Bytes after = fileBytes(clientFile);
        journalLeft = fileExists(journal);
        if (after == old) {
            ++keptOld;
            ++unsaved;
            EXPECT_TRUE(journalLeft) << "killed " << moment << ": the change is lost";
        } else if (after == current) {
            ++tookNew;
            unsaved = 0;
        } else {
            if (fileExists(clientFile)) {
                ADD_FAILURE() << "killed " << moment << ": the client file has " << after.size()
                              << " bytes, stating " << statedCount(after.data(), after.size())
                              << " clients; old " << old.size() << ", new " << current.size();
            } else {
                ADD_FAILURE() << "killed " << moment << ": the client file is missing";
            }
            // The next round starts from a sound file, without a journal.
            writeFileBytes(clientFile, current);
            DeleteFileW(journal.c_str());
            journalLeft = false;
            unsaved = 0;
        }
        // A killed save may leave its temporary file and the journal; never a
        // pile of files.
        for (const std::wstring& name : otherFiles(folder.folderPath()))
            EXPECT_TRUE(name == L"vellumor.vmr.tmp" || name == L"vellumor.vmr.journal")
                << "after a kill " << moment << ": " << joined(otherFiles(folder.folderPath()));
    }

    // A save that runs to its end: the new content, nothing left beside it.
    // Returns how long it took from the Yes until its temporary file had
    // taken the client file's place.
    DWORD completeSave() {
        const Program program(exe);
        const HWND prompt = deleteFirstAndQuit(program);
        if (prompt == nullptr) return 0;
        const ProcessKiller watched(program);
        const DWORD start = GetTickCount();
        click(prompt, IDYES);
        bool written = false;
        while (!watched.ended() && !(written && !fileExists(temporary)))
            written = written || fileExists(temporary);
        const DWORD took = GetTickCount() - start;
        EXPECT_TRUE(written) << "the save wrote no temporary file to time";
        EXPECT_EQ(program.waitForExit(), 0u);
        journalLeft = false;
        unsaved = 0;
        EXPECT_TRUE(fileBytes(clientFile) == current) << "a complete save";
        EXPECT_EQ(otherFiles(folder.folderPath()), std::vector<std::wstring>{})
            << joined(otherFiles(folder.folderPath()));
        return took;
    }

    const TempFolder folder;
    std::wstring exe;
    std::wstring clientFile;
    std::wstring temporary; // where the save writes before the swap
    std::wstring journal;
    Bytes current;            // the clients the user has: what a save writes
    bool journalLeft = false; // by the last run, for the next start to find
    int unsaved = 0;          // changes the journal holds that the client file lacks
    int keptOld = 0;
    int tookNew = 0;
    int keptAside = 0; // journals found beside a file that had their changes
};

// The moments run from the Yes to half as long again as a complete save,
// measured first, so that a slower save is still spanned: two thirds of
// them fall within the save as measured. A busy machine may still slow the
// later saves past them all; then later moments follow, each twice as late,
// until a kill finds the new file.
TEST_F(CrashDuringSave, KilledAtMomentsSpreadOverTheSaveLeavesTheOldOrTheNewFile) {
    const DWORD saveTime = completeSave();
    ASSERT_GT(saveTime, 0u);
    const auto killAfter = [&](DWORD delay) {
        const std::string moment = std::to_string(delay) + " ms after the Yes";
        interruptedSave(moment.c_str(), [&](ProcessKiller& killer) { killer.killAfter(delay); });
    };
    for (int k = 0; k < spreadMoments; ++k)
        killAfter(saveTime * 3 * DWORD(k) / DWORD(2 * (spreadMoments - 1)));
    for (DWORD delay = saveTime * 3; tookNew == 0 && delay < 30000; delay *= 2)
        killAfter(delay);
    std::printf("save of %d clients: %lu ms; %d kills kept the old file, %d found the new one; "
                "%d journals were kept aside\n",
                startingClients, static_cast<unsigned long>(saveTime), keptOld, tookNew, keptAside);
    // Some kills must have come before the file was replaced and some after,
    // or the moments did not span the save.
    EXPECT_GT(keptOld, 0);
    EXPECT_GT(tookNew, 0);
    completeSave(); // clears away what the killed saves left
}

// The riskiest moment: the old file leaving its name for the new one. The
// kill comes the instant the name is seen vacant, or the temporary file gone.
TEST_F(CrashDuringSave, KilledWhileTheFileIsReplacedLeavesTheOldOrTheNewFile) {
    for (int k = 0; k < replaceMoments; ++k) {
        interruptedSave("while the file was replaced", [&](ProcessKiller& killer) {
            const DWORD start = GetTickCount();
            const auto waiting = [&] { return !killer.ended() && GetTickCount() - start < 30000; };
            while (!fileExists(temporary) && waiting()) {
            }
            while (fileExists(clientFile) && fileExists(temporary) && waiting()) {
            }
            killer.killAfter(0);
        });
    }
    std::printf("%d kills kept the old file, %d found the new one; %d journals were kept aside\n",
                keptOld, tookNew, keptAside);
    completeSave();
}

} // namespace
