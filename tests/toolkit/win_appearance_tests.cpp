// Colours and fonts: the answers to the colour messages, shared brushes, the
// font registry.
#include "ToolkitTest.h"
#include "toolkit/Appearance.h"
#include "toolkit/Handler.h"

#include <cmath>

namespace {

using AppearanceTest = ToolkitTest;

constexpr long red = 0x0000FF;

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    ~MemoryDc() { DeleteDC(dc); }
};

// What the dialog procedure itself answers (the dialog manager would
// substitute its own brush for 0).
INT_PTR colourAnswer(HWND dialog, UINT message, HDC dc, HWND window) {
    return dialogProcedure(dialog, message, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(window));
}

COLORREF brushColour(INT_PTR brush) {
    LOGBRUSH logical{};
    GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof logical, &logical);
    return logical.lbColor;
}

TEST_F(AppearanceTest, ExplicitColoursAnswerTheirBrushAndSetTheText) {
    HWND dialog = newDialog();
    controlSetColor(dialog, dialogItself, colorWhite, colorBlack);
    controlAdd(ControlKind::label, dialog, 1, "white", 5, 5, 50, 10);
    controlAdd(ControlKind::label, dialog, 2, "plain", 5, 5, 50, 10);
    controlSetColor(dialog, 1, colorWhite | 0x7F000000, colorBlack);
    MemoryDc memory;
    SetTextColor(memory.dc, 0x123456);
    EXPECT_EQ(colourAnswer(dialog, WM_CTLCOLORSTATIC, memory.dc, getControl(dialog, 2)), 0)
        << "a control without colours keeps the platform's, even on a white dialog";
    EXPECT_EQ(GetTextColor(memory.dc), 0x123456u);

    const INT_PTR brush = colourAnswer(dialog, WM_CTLCOLORSTATIC, memory.dc, getControl(dialog, 1));
    ASSERT_NE(brush, 0);
    EXPECT_EQ(hex(brushColour(brush)), hex(colorWhite));
    EXPECT_EQ(hex(GetTextColor(memory.dc)), hex(colorBlack));
    EXPECT_EQ(hex(GetBkColor(memory.dc)), hex(colorWhite));
    EXPECT_EQ(colourAnswer(dialog, WM_CTLCOLORDLG, memory.dc, dialog), brush)
        << "one brush per colour";
}

TEST_F(AppearanceTest, TransparentBackgroundAnswersTheHollowBrush) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::label, dialog, 1, "see-through", 5, 5, 50, 10);
    controlSetColor(dialog, 1, colorTransparent, red);
    MemoryDc memory;
    EXPECT_EQ(colourAnswer(dialog, WM_CTLCOLORSTATIC, memory.dc, getControl(dialog, 1)),
              reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH)));
    EXPECT_EQ(GetBkMode(memory.dc), TRANSPARENT);
    EXPECT_EQ(hex(GetTextColor(memory.dc)), hex(red));
}

TEST_F(AppearanceTest, SystemDefaultsDependOnTheMessage) {
    const struct {
        UINT message;
        int text;
        int background;
    } cases[] = {
        {WM_CTLCOLORMSGBOX, COLOR_MENUTEXT, COLOR_MENU},
        {WM_CTLCOLOREDIT, COLOR_WINDOWTEXT, COLOR_WINDOW},
        {WM_CTLCOLORLISTBOX, COLOR_WINDOWTEXT, COLOR_WINDOW},
        {WM_CTLCOLORBTN, COLOR_BTNTEXT, COLOR_BTNFACE},
        {WM_CTLCOLORDLG, COLOR_WINDOWTEXT, COLOR_BTNFACE},
        {WM_CTLCOLORSCROLLBAR, COLOR_WINDOWTEXT, COLOR_SCROLLBAR},
        {WM_CTLCOLORSTATIC, COLOR_WINDOWTEXT, COLOR_BTNFACE},
    };
    HWND dialog = newDialog();
    controlAdd(ControlKind::label, dialog, 1, "system", 5, 5, 50, 10);
    controlSetColor(dialog, 1, -5, -1);
    for (const auto& c : cases) {
        MemoryDc memory;
        EXPECT_EQ(colourAnswer(dialog, c.message, memory.dc, getControl(dialog, 1)),
                  reinterpret_cast<INT_PTR>(GetSysColorBrush(c.background)))
            << "message " << c.message;
        EXPECT_EQ(hex(GetTextColor(memory.dc)), hex(GetSysColor(c.text)))
            << "message " << c.message;
        EXPECT_EQ(hex(GetBkColor(memory.dc)), hex(GetSysColor(c.background)))
            << "message " << c.message;
    }
}

TEST_F(AppearanceTest, BrushIsSharedAndDeletedWhenNoWindowUsesIt) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::label, dialog, 1, "a", 5, 5, 50, 10);
    controlAdd(ControlKind::label, dialog, 2, "b", 5, 5, 50, 10);
    MemoryDc memory;
    const auto brushOf = [&](int id) {
        return reinterpret_cast<HGDIOBJ>(
            colourAnswer(dialog, WM_CTLCOLORSTATIC, memory.dc, getControl(dialog, id)));
    };
    controlSetColor(dialog, 1, colorWhite, colorBlack);
    controlSetColor(dialog, 2, colorWhite, colorBlack);
    HGDIOBJ whiteBrush = brushOf(1);
    EXPECT_EQ(brushOf(2), whiteBrush);
    controlSetColor(dialog, 1, red, colorBlack);
    EXPECT_EQ(GetObjectType(whiteBrush), DWORD(OBJ_BRUSH)) << "label 2 still uses it";
    controlSetColor(dialog, 2, red, colorBlack);
    EXPECT_EQ(GetObjectType(whiteBrush), 0u) << "no window uses white any more";
    HGDIOBJ redBrush = brushOf(2);
    EXPECT_EQ(brushOf(1), redBrush);
    dialogEnd(dialog, 0);
    EXPECT_EQ(GetObjectType(redBrush), 0u) << "the dialog's records are gone";
}

TEST_F(AppearanceTest, FontNumbersFollowTheDescription) {
    const int heading = fontNew("Font1", 9, fontBold | fontUnderline, 0, 0, 0);
    EXPECT_EQ(fontNew("Font1", 9, fontBold | fontUnderline, 0, 0, 0), heading);
    EXPECT_NE(fontNew("Font1", 10, fontBold | fontUnderline, 0, 0, 0), heading);
    EXPECT_NE(fontNew("Font1", 9, fontBold, 0, 0, 0), heading);
    EXPECT_EQ(fontNew("MS Sans Serif", 8, 0, 0, 0, 0), 1) << "the dialog font";
    EXPECT_EQ(fontNew("MS Sans Serif", 0, 0, 0, 0, 0), 1) << "0 points means 8";
    const std::string longFace(40, 'f');
    EXPECT_EQ(fontNew(longFace, 9, 0, 0, 0, 0), fontNew(longFace.substr(0, 31), 9, 0, 0, 0, 0));
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW logical{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof logical,
               &logical);
    return logical;
}

LONG expectedHeight(double points) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return -std::lround(dpi * points / 72);
}

TEST_F(AppearanceTest, ControlsShareOneFontObjectPerRegisteredFont) {
    const int heading = fontNew("Font1", 9, fontBold | fontUnderline, 0, 0, 0);
    HWND dialog = newDialog();
    for (int id = 1; id <= 3; ++id)
        controlAdd(ControlKind::label, dialog, id, "h", 5, 5, 50, 10);
    const int usersBefore = fontUsers(1);
    controlSetFont(dialog, 1, heading);
    controlSetFont(dialog, 2, heading);
    controlSetFont(dialog, 3, heading);
    controlSetFont(dialog, 3, 0);
    controlSetFont(dialog, 2, 999); // no such font: kept
    EXPECT_EQ(SendMessageW(getControl(dialog, 1), WM_GETFONT, 0, 0),
              SendMessageW(getControl(dialog, 2), WM_GETFONT, 0, 0));
    const LOGFONTW bold = fontOf(getControl(dialog, 1));
    EXPECT_EQ(bold.lfHeight, expectedHeight(9));
    EXPECT_EQ(bold.lfWeight, FW_BOLD);
    EXPECT_EQ(bold.lfUnderline, 1);
    const LOGFONTW plain = fontOf(getControl(dialog, 3));
    EXPECT_STREQ(plain.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(plain.lfHeight, expectedHeight(8));
    EXPECT_EQ(plain.lfWeight, FW_NORMAL);
    EXPECT_EQ(fontUsers(heading), 2);
    EXPECT_EQ(fontUsers(1), usersBefore + 1);
    dialogEnd(dialog, 0);
    EXPECT_EQ(fontUsers(heading), 0);
    EXPECT_EQ(fontUsers(1), usersBefore);
}

} // namespace
