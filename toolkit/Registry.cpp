#include "toolkit/Registry.h"

#include "toolkit/Painting.h"

#include <unordered_map>

namespace {

std::unordered_map<HWND, DialogRecord>& dialogs() {
    static std::unordered_map<HWND, DialogRecord> records;
    return records;
}

std::unordered_map<HWND, ControlRecord>& controls() {
    static std::unordered_map<HWND, ControlRecord> records;
    return records;
}

template <typename Map> auto* find(Map& map, HWND window) {
    const auto found = map.find(window);
    return found == map.end() ? nullptr : &found->second;
}

} // namespace

DialogRecord* findDialog(HWND window) { return window ? find(dialogs(), window) : nullptr; }

std::size_t dialogRecordCount() { return dialogs().size(); }

ControlRecord* findControl(HWND window) { return window ? find(controls(), window) : nullptr; }

ColourState* findColours(HWND window) {
    if (DialogRecord* dialog = findDialog(window)) return &dialog->colours;
    ControlRecord* control = findControl(window);
    return control ? &control->colours : nullptr;
}

void addDialogRecord(HWND dialog, DialogRecord record) {
    dialogs().insert_or_assign(dialog, std::move(record));
}

void addControlRecord(HWND control, ControlRecord record) {
    findDialog(record.dialog)->controls.push_back(control);
    controls().insert_or_assign(control, std::move(record));
}

void releaseRecords(HWND dialog) {
    const auto found = dialogs().find(dialog);
    if (found == dialogs().end()) return;
    for (HWND control : found->second.controls) {
        const auto record = controls().find(control);
        if (record == controls().end()) continue;
        releaseFontUse(record->second.fontNumber);
        controls().erase(record);
    }
    dialogs().erase(found);
}
