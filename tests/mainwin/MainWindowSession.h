// Running the real main window in-process for the main-window tests, and
// reading what it shows and holds and what its client file holds.
#pragma once

#include "TestData.h"
#include "WindowsTest.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "records/BackupNames.h"
#include "records/ClientCodec.h"
#include "records/ClientFile.h"
#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using Names = std::vector<std::string>;

inline Names listed() {
    Names lines;
    for (int k = 1; k <= listBoxCount(mainWindow, clientList); ++k)
        lines.push_back(listBoxLine(mainWindow, clientList, k));
    return lines;
}

inline Names namesOf(const std::vector<ClientRecord>& records) {
    Names names;
    for (const ClientRecord& record : records)
        names.push_back(recordName(record));
    return names;
}

inline Names clientNames() { return namesOf(clients); }

inline bool formReady() {
    return formWindow != nullptr && currentPage >= 1 && IsWindowEnabled(formWindow);
}

// Posted, as a real click arrives: a command that opens a modal window then
// runs from the loop, not inside the step.
inline void click(HWND window, int id) { PostMessageW(getControl(window, id), BM_CLICK, 0, 0); }
inline void clickMain(int id) { click(mainWindow, id); }
inline void closeMain(WPARAM command = SC_CLOSE) {
    PostMessageW(mainWindow, WM_SYSCOMMAND, command, 0);
}
inline void closeForm() { PostMessageW(formWindow, WM_SYSCOMMAND, SC_CLOSE, 0); }

// The client file beside this program: its bytes, made anew, and the names of
// the clients it holds.
inline Bytes fileBytes() { return fileBytes(clientFilePath()); }
inline void writeFile(const Bytes& bytes) { writeFileBytes(clientFilePath(), bytes); }
inline void writeClients(const std::vector<ClientRecord>& records) {
    writeFile(encodeClients(records));
}
inline Names savedNames() {
    const Bytes bytes = fileBytes();
    return namesOf(decodeClients(bytes.data(), bytes.size()).records);
}

inline std::wstring backupFolder() { return programFolder() + backupFolderName; }

// Removes the client file, its journal, its backups and every file kept aside
// beside them.
inline void removeClientFiles() {
    removeFolder(backupFolder() + L"\\");
    const std::wstring file = clientFilePath();
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file.c_str());
    DeleteFileW((file + L".journal").c_str());
    for (const wchar_t* kept : {L".unreadable-*", L".journal-*"}) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((file + kept).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do
            DeleteFileW((programFolder() + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

// Something to do once the windows are ready for it.
struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
};

namespace session {

inline void queueStep(const std::shared_ptr<std::vector<Step>>& steps,
                      const std::shared_ptr<std::size_t>& ran) {
    if (*ran == steps->size()) return;
    runSoon([steps, ran] {
        const Step step = (*steps)[*ran];
        const bool ready = step.ready();
        if (ready) ++*ran;
        queueStep(steps, ran);
        if (ready) step.act();
    });
}

} // namespace session

// Runs the main window with the steps queued; each runs once its window is
// ready, and every one of them must have run when the window has closed.
inline void runMainWindowSteps(std::vector<Step> steps) {
    const auto queued = std::make_shared<std::vector<Step>>(std::move(steps));
    const auto ran = std::make_shared<std::size_t>(0);
    session::queueStep(queued, ran);
    EXPECT_TRUE(runMainWindow());
    EXPECT_EQ(*ran, queued->size()) << "steps run before the main window closed";
}

// The fixture of the main-window tests. The client file beside this program is
// the one scripts/run uses: it is kept aside for the run, with its journal and
// its folder of backups, and put back afterwards; the client files a test
// leaves are removed after it.
class MainWindowSessionTest : public WindowsTest {
  protected:
    static void SetUpTestSuite() {
        for (const std::wstring& name : keptForTheRun())
            MoveFileW(name.c_str(), (name + L".before-tests").c_str());
    }
    static void TearDownTestSuite() {
        removeClientFiles();
        for (const std::wstring& name : keptForTheRun())
            MoveFileW((name + L".before-tests").c_str(), name.c_str());
    }
    static std::vector<std::wstring> keptForTheRun() {
        return {clientFilePath(), clientFilePath() + L".journal", backupFolder()};
    }
    void TearDown() override {
        WindowsTest::TearDown();
        removeClientFiles();
    }

    static void run(std::vector<Step> steps) { runMainWindowSteps(std::move(steps)); }
};
