// Helpers shared by the toolkit's Windows tests.
#pragma once

#include "WindowsTest.h"
#include "toolkit/Dialog.h"
#include "toolkit/Modal.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The program's own dialog style: system menu and minimise box.
constexpr DWORD programStyle = 0x000A0000;

inline HWND newDialog(HWND owner = nullptr, DWORD style = programStyle, int x = 10, int y = 10) {
    return dialogNew(1, owner, "Test", x, y, 200, 120, style, 0);
}

// Dialog units to pixels with the dialog's own mapping.
inline RECT mapped(HWND dialog, RECT units) {
    MapDialogRect(dialog, &units);
    return units;
}

// Style words print in hex, so a failure shows the bits it got.
inline std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

inline DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }
inline DWORD exStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
}

// One message as a dialog callback saw it.
struct Seen {
    HWND dialog;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool visible; // the dialog was visible then
};

// A dialog callback that records every message into `seen` and answers with
// `answer` (0 when it is empty).
struct Recorder {
    static inline std::vector<Seen> seen;
    static inline std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> answer;

    static LRESULT callback(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        seen.push_back({dialog, message, wParam, lParam, IsWindowVisible(dialog) != FALSE});
        return answer ? answer(dialog, message, wParam, lParam) : 0;
    }
    static std::vector<Seen> of(HWND dialog, UINT message) {
        std::vector<Seen> found;
        for (const Seen& s : seen)
            if (s.dialog == dialog && s.message == message) found.push_back(s);
        return found;
    }
};

class ToolkitTest : public WindowsTest {
  protected:
    void SetUp() override {
        WindowsTest::SetUp();
        Recorder::seen.clear();
        Recorder::answer = nullptr;
    }
    void TearDown() override {
        WindowsTest::TearDown();
        Recorder::answer = nullptr;
    }
};
