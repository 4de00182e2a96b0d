// Running the real main window in-process for the main-window tests, and
// reading what it shows and holds.
#pragma once

#include "WindowsTest.h"

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
#include "toolkit/Boxes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using Names = std::vector<std::string>;

inline Names listed() {
    Names lines;
    for (int k = 1; k <= listBoxCount(mainWindow, clientList); ++k)
        lines.push_back(listBoxLine(mainWindow, clientList, k));
    return lines;
}

inline Names clientNames() {
    Names names;
    for (const ClientRecord& record : clients)
        names.push_back(recordName(record));
    return names;
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
