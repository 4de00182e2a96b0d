// Dialogs and controls: styles, geometry, texts, check and option state, list
// boxes, the status bar.
#include "ToolkitTest.h"
#include "toolkit/Boxes.h"

#include <commctrl.h>

#include <string>

namespace {

using DialogTest = ToolkitTest;

struct KindCase {
    ControlKind kind;
    DWORD style;
    DWORD exStyle;
    DWORD expectedStyle;
    DWORD expectedExStyle;
};

constexpr KindCase kindCases[] = {
    {ControlKind::pushButton, 0, 0, 0x50010000, 0},
    {ControlKind::checkBox, 0, 0, 0x50010003, 0},
    {ControlKind::checkBox, WS_BORDER | WS_VSCROLL | BS_LEFTTEXT, 0, 0x50000023, 0},
    {ControlKind::label, 0, 0, 0x50000000, 0},
    {ControlKind::optionButton, 0, 0, 0x50010009, 0},
    {ControlKind::optionButton, WS_GROUP, 0, 0x50020009, 0},
    {ControlKind::textBox, 0, 0, 0x50010080, WS_EX_CLIENTEDGE},
    {ControlKind::textBox, ES_MULTILINE | ES_WANTRETURN, WS_EX_STATICEDGE, 0x50001004,
     WS_EX_STATICEDGE},
    {ControlKind::statusBar, 0, 0, 0x50000003, 0},
    {ControlKind::listBox, 0, 0, 0x50210003, WS_EX_CLIENTEDGE},
};

TEST_F(DialogTest, ControlStylesFollowTheKindTable) {
    HWND dialog = newDialog();
    int id = 100;
    for (const KindCase& c : kindCases) {
        controlAdd(c.kind, dialog, ++id, "x", 5, 5, 50, 12, c.style, c.exStyle);
        HWND control = getControl(dialog, id);
        ASSERT_NE(control, nullptr) << "kind " << static_cast<int>(c.kind);
        // A list box shows its scroll bar (and the bit) only once lines overflow it.
        if (c.kind == ControlKind::listBox)
            for (int line = 0; line < 30; ++line)
                listBoxAdd(dialog, id, "line");
        EXPECT_EQ(hex(styleOf(control)), hex(c.expectedStyle))
            << "kind " << static_cast<int>(c.kind) << " style " << hex(c.style);
        EXPECT_EQ(hex(exStyleOf(control) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)),
                  hex(c.expectedExStyle))
            << "kind " << static_cast<int>(c.kind) << " style " << hex(c.style);
    }
}

struct DialogStyleCase {
    DWORD style;
    bool owned;
    int x;
    DWORD expected; // as read back; a top-level window also gets WS_CLIPSIBLINGS
};

constexpr DialogStyleCase dialogStyleCases[] = {
    {programStyle, false, 10, WS_CAPTION | 0x000A0054}, // overlapped windows get a caption
    {programStyle | WS_VISIBLE | DS_SYSMODAL, false, 10, WS_CAPTION | 0x000A0054},
    {0, false, 10, 0x80C000D4},
    {0, false, centred, 0x80C008D4},
    {WS_CHILD | DS_ABSALIGN, false, 10, WS_POPUP | 0x54}, // a child needs an owner
    {WS_CHILD | WS_POPUP | DS_ABSALIGN, true, 10, WS_CHILD | 0x54},
};

TEST_F(DialogTest, DialogStyleIsComputedAndTheDialogStartsHidden) {
    HWND owner = newDialog();
    for (const DialogStyleCase& c : dialogStyleCases) {
        HWND dialog = newDialog(c.owned ? owner : nullptr, c.style, c.x);
        ASSERT_NE(dialog, nullptr) << hex(c.style);
        EXPECT_EQ(hex(styleOf(dialog) & ~WS_CLIPSIBLINGS), hex(c.expected)) << hex(c.style);
        EXPECT_FALSE(IsWindowVisible(dialog)) << hex(c.style);
        dialogEnd(dialog, 0);
    }
}

TEST_F(DialogTest, PositionIsRelativeToTheScreenOrToTheOwnersClientArea) {
    HWND owner = newDialog(nullptr, programStyle, 20, 30);
    HWND child = newDialog(owner, programStyle, 10, 5);
    RECT ownerRect, childRect;
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(child, &childRect);
    const RECT ownerAt = mapped(owner, {20, 30, 0, 0});
    EXPECT_EQ(ownerRect.left, ownerAt.left);
    EXPECT_EQ(ownerRect.top, ownerAt.top);
    POINT client{0, 0};
    ClientToScreen(owner, &client);
    const RECT childAt = mapped(child, {10, 5, 0, 0});
    EXPECT_EQ(childRect.left, client.x + childAt.left);
    EXPECT_EQ(childRect.top, client.y + childAt.top);
}

TEST_F(DialogTest, ControlRectangleIsMappedFromDialogUnits) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::pushButton, dialog, 7, "OK", 12, 20, 50, 14);
    RECT rect;
    GetWindowRect(getControl(dialog, 7), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    const RECT expected = mapped(dialog, {12, 20, 62, 34});
    EXPECT_EQ(rect.left, expected.left);
    EXPECT_EQ(rect.top, expected.top);
    EXPECT_EQ(rect.right, expected.right);
    EXPECT_EQ(rect.bottom, expected.bottom);
    EXPECT_EQ(SendMessageW(getControl(dialog, 7), WM_GETFONT, 0, 0),
              SendMessageW(dialog, WM_GETFONT, 0, 0));
}

TEST_F(DialogTest, CaptionIsSetVerbatim) {
    std::string caption(500, 'x');
    caption.replace(0, 12, "A & B \x80 end ");
    HWND dialog = dialogNew(1, nullptr, caption, 10, 10, 100, 50, programStyle, 0);
    EXPECT_EQ(controlGetText(dialog), caption);
    wchar_t start[8] = {};
    GetWindowTextW(dialog, start, 8);
    EXPECT_STREQ(start, L"A & B \u20AC");
}

TEST_F(DialogTest, TextsRoundTripThroughTheWindows) {
    HWND dialog = newDialog();
    const struct {
        ControlKind kind;
        DWORD style;
        const char* text;
    } cases[] = {
        {ControlKind::label, 0, "MUSCLE & JOINT"},
        {ControlKind::checkBox, 0, "&Yes"},
        {ControlKind::optionButton, 0, "No"},
        {ControlKind::pushButton, 0, "Add Client"},
        {ControlKind::textBox, 0, "\x80 5 \xE9"},
        {ControlKind::textBox, ES_MULTILINE | ES_WANTRETURN, "one\r\ntwo"},
    };
    int id = 10;
    for (const auto& c : cases) {
        controlAdd(c.kind, dialog, ++id, c.text, 5, 5, 100, 30, c.style);
        EXPECT_EQ(controlGetText(getControl(dialog, id)), c.text) << "created with " << c.text;
        controlSetText(getControl(dialog, id), std::string(c.text) + "!");
        EXPECT_EQ(controlGetText(getControl(dialog, id)), std::string(c.text) + "!");
    }
    EXPECT_EQ(styleOf(getControl(dialog, 11)) & SS_NOPREFIX, 0u)
        << "the ampersand marks a mnemonic";
    EXPECT_EQ(SendMessageW(getControl(dialog, 16), EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(controlGetText(getControl(dialog, 999)), "");
}

TEST_F(DialogTest, ListBoxesAndStatusBarsStartWithoutText) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::listBox, dialog, 1, "ignored", 5, 5, 50, 50);
    controlAdd(ControlKind::statusBar, dialog, 2, "ignored", 0, 0, 0, 0);
    EXPECT_EQ(controlGetText(getControl(dialog, 1)), "");
    EXPECT_EQ(controlGetText(getControl(dialog, 2)), "");
}

TEST_F(DialogTest, SortedListBoxReportsOneBasedPositions) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::listBox, dialog, 120, "", 5, 5, 80, 60);
    const struct {
        const char* line;
        int position;
    } adds[] = {{"Gamma", 1}, {"alpha", 1}, {"Beta", 2}};
    for (const auto& add : adds)
        EXPECT_EQ(listBoxAdd(dialog, 120, add.line), add.position) << add.line;
    ASSERT_EQ(listBoxCount(dialog, 120), 3);
    const char* const sorted[] = {"alpha", "Beta", "Gamma"};
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(listBoxLine(dialog, 120, p), sorted[p - 1]) << p;

    EXPECT_EQ(listBoxGetSelect(dialog, 120), 0) << "nothing selected";
    listBoxSelect(dialog, 120, 2);
    EXPECT_EQ(listBoxGetSelect(dialog, 120, 1), 2);
    EXPECT_EQ(listBoxGetSelect(dialog, 120, 2), 2);
    EXPECT_EQ(listBoxGetSelect(dialog, 120, 3), 0) << "selection before the first position";
    EXPECT_EQ(listBoxGetSelect(dialog, 120, 0), 0);
    listBoxSelect(dialog, 120, 0);
    EXPECT_EQ(listBoxGetSelect(dialog, 120), 0) << "0 clears the selection";

    listBoxDelete(dialog, 120, 1);
    EXPECT_EQ(listBoxCount(dialog, 120), 2);
    EXPECT_EQ(listBoxLine(dialog, 120, 1), "Beta");
    EXPECT_EQ(listBoxAdd(dialog, 121, "none"), 0) << "no such list box";
    EXPECT_EQ(listBoxLine(dialog, 120, 9), "");
}

TEST_F(DialogTest, InitialItemsFillTheListBox) {
    HWND dialog = newDialog();
    const std::vector<std::string> none, some{"b", "a"};
    controlAdd(ControlKind::listBox, dialog, 1, "", 5, 5, 50, 50, 0, 0, nullptr, &none);
    controlAdd(ControlKind::listBox, dialog, 2, "", 5, 5, 50, 50, 0, 0, nullptr, &some);
    EXPECT_EQ(listBoxCount(dialog, 1), 0);
    EXPECT_EQ(listBoxCount(dialog, 2), 2);
    EXPECT_EQ(listBoxLine(dialog, 2, 1), "a");
}

TEST_F(DialogTest, OptionRangeChecksOneAndClearsTheOthers) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::optionButton, dialog, 10, "a", 5, 5, 50, 10, WS_GROUP);
    for (int id = 11; id <= 13; ++id)
        controlAdd(ControlKind::optionButton, dialog, id, "b", 5, 5, 50, 10);
    controlAdd(ControlKind::checkBox, dialog, 14, "c", 5, 5, 50, 10);
    controlSetCheck(dialog, 13, 1);
    controlSetCheck(dialog, 14, 1);
    const struct {
        int checked;
        int expected[3]; // ids 10 to 12
    } cases[] = {{11, {0, 1, 0}}, {10, {1, 0, 0}}, {99, {0, 0, 0}}};
    for (const auto& c : cases) {
        controlSetOption(dialog, 10, 12, c.checked);
        for (int id = 10; id <= 12; ++id)
            EXPECT_EQ(controlGetCheck(dialog, id), c.expected[id - 10])
                << c.checked << " id " << id;
        EXPECT_EQ(controlGetCheck(dialog, 13), 1) << "outside the range";
    }
    EXPECT_EQ(controlGetCheck(dialog, 14), 1);
    controlSetCheck(dialog, 14, 0);
    EXPECT_EQ(controlGetCheck(dialog, 14), 0);
    EXPECT_EQ(controlGetCheck(dialog, 99), 0) << "no such control";
}

TEST_F(DialogTest, EnableNamesAControlOrTheDialogItself) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::pushButton, dialog, 5, "b", 5, 5, 50, 14);
    for (int id : {5, dialogItself}) {
        HWND window = id == dialogItself ? dialog : getControl(dialog, 5);
        controlEnable(dialog, id, false);
        EXPECT_FALSE(IsWindowEnabled(window)) << id;
        controlEnable(dialog, id, true);
        EXPECT_TRUE(IsWindowEnabled(window)) << id;
    }
}

TEST_F(DialogTest, ControlsShowAndHideAtOnce) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::label, dialog, 5, "l", 5, 5, 50, 14);
    windowShowState(getControl(dialog, 5), SW_HIDE);
    EXPECT_FALSE(GetWindowLongW(getControl(dialog, 5), GWL_STYLE) & WS_VISIBLE);
    windowShowState(getControl(dialog, 5), SW_SHOWNORMAL);
    EXPECT_TRUE(GetWindowLongW(getControl(dialog, 5), GWL_STYLE) & WS_VISIBLE);
    windowShowState(dialog, SW_SHOWNORMAL);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "a dialog not shown yet only notes the state";
}

TEST_F(DialogTest, StatusBarEdgesAreARunningSumInPixels) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::statusBar, dialog, 108, "", 0, 0, 0, 0);
    statusBarSetParts(dialog, 108, {230, 9999});
    int edges[4] = {};
    ASSERT_EQ(
        SendMessageW(getControl(dialog, 108), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
    EXPECT_EQ(edges[0], mapped(dialog, {229, 0, 0, 0}).left);
    EXPECT_EQ(edges[1], mapped(dialog, {229 + 9999, 0, 0, 0}).left);
}

TEST_F(DialogTest, TextBoxLimit) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::textBox, dialog, 3, "", 5, 5, 50, 12);
    textBoxSetLimit(dialog, 3, 31);
    EXPECT_EQ(SendMessageW(getControl(dialog, 3), EM_GETLIMITTEXT, 0, 0), 31);
}

TEST_F(DialogTest, RecordsLiveUntilTheDialogIsDestroyed) {
    const int before = openDialogs();
    HWND dialog = newDialog();
    EXPECT_EQ(openDialogs(), before + 1);
    controlAdd(ControlKind::label, dialog, 5, "l", 5, 5, 50, 14);
    dialogEnd(dialog, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(openDialogs(), before);
}

} // namespace
