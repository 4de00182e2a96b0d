#include "toolkit/Registry.h"

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

HWND active = nullptr;

} // namespace

DialogRecord* findDialog(HWND window) { return window ? find(dialogs(), window) : nullptr; }

ControlRecord* findControl(HWND window) { return window ? find(controls(), window) : nullptr; }

ColourState* findColours(HWND window) {
    if (DialogRecord* dialog = findDialog(window)) return &dialog->colours;
    ControlRecord* control = findControl(window);
    return control ? &control->colours : nullptr;
}

HWND getControl(HWND dialog, int id) { return dialog ? GetDlgItem(dialog, id) : nullptr; }

HWND controlOrDialog(HWND dialog, int id) {
    return id == dialogItself ? dialog : getControl(dialog, id);
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
    for (HWND control : found->second.controls)
        controls().erase(control);
    dialogs().erase(found);
}

int openDialogs() { return static_cast<int>(dialogs().size()); }

HWND activeDialog() { return active; }

void setActiveDialog(HWND dialog) { active = dialog; }
