// What the main window shows and holds, for the main-window tests: the list's
// lines and the names of `clients`, in order.
#pragma once

#include "form/IntakeForm.h"
#include "mainwin/MainWindow.h"
#include "records/ClientFile.h"
#include "toolkit/Boxes.h"

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
