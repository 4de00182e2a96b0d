// Modal dialogs: the callback protocol, the loop, the close box, owners, and
// message boxes.
#include "MessageBoxAnswerer.h"
#include "ToolkitTest.h"
#include "toolkit/Boxes.h"

#include <stdexcept>

namespace {

using ModalTest = ToolkitTest;

TEST_F(ModalTest, CallbackGetsInitialisationAndSizeDirectlyBeforeTheDialogShows) {
    HWND dialog = newDialog();
    Recorder::answer = [](HWND d, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_INITDIALOG) {
            sendToWindow(d, WM_APP, 0, 0);     // the callback is not attached yet
            postToWindow(d, WM_APP + 1, 0, 0); // arrives through the loop
        }
        if (message == WM_APP + 1) runSoon([d] { dialogEnd(d, 0); });
        return 0;
    };
    dialogShowModal(dialog, Recorder::callback);

    ASSERT_GE(Recorder::seen.size(), 2u);
    EXPECT_EQ(Recorder::seen[0].message, UINT(WM_INITDIALOG));
    EXPECT_EQ(Recorder::seen[0].wParam, reinterpret_cast<WPARAM>(dialog));
    EXPECT_FALSE(Recorder::seen[0].visible);
    EXPECT_EQ(Recorder::seen[1].message, UINT(WM_SIZE));
    EXPECT_FALSE(Recorder::seen[1].visible);
    EXPECT_EQ(Recorder::seen[1].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(Recorder::of(dialog, WM_INITDIALOG).size(), 1u);
    EXPECT_TRUE(Recorder::of(dialog, WM_APP).empty());
    const std::vector<Seen> posted = Recorder::of(dialog, WM_APP + 1);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(posted[0].visible);
    EXPECT_TRUE(Recorder::of(dialog, WM_ACTIVATE).empty()) << "activation is not passed on";
    EXPECT_EQ(Recorder::of(dialog, WM_CLOSE).size(), 1u) << "dialogEnd sends WM_CLOSE";
}

TEST_F(ModalTest, SizeMessageCarriesTheClientSize) {
    HWND dialog = newDialog();
    RECT client;
    GetClientRect(dialog, &client);
    runSoon([dialog] { dialogEnd(dialog, 0); });
    dialogShowModal(dialog, Recorder::callback);
    const std::vector<Seen> sizes = Recorder::of(dialog, WM_SIZE);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes[0].lParam, MAKELPARAM(client.right, client.bottom));
}

TEST_F(ModalTest, PendingShowStateIsAppliedWhenShown) {
    const struct {
        int command;
        bool visible, zoomed, iconic;
        WPARAM sizeType;
    } cases[] = {
        {SW_HIDE, false, false, false, SIZE_RESTORED},
        {SW_SHOWNORMAL, true, false, false, SIZE_RESTORED},
        {SW_SHOWMAXIMIZED, true, true, false, SIZE_MAXIMIZED},
        {SW_MINIMIZE, true, false, true, SIZE_MINIMIZED},
    };
    for (const auto& c : cases) {
        Recorder::seen.clear();
        HWND dialog = newDialog();
        windowShowState(dialog, c.command);
        bool visible = false, zoomed = false, iconic = false;
        runSoon([&] {
            visible = IsWindowVisible(dialog);
            zoomed = IsZoomed(dialog);
            iconic = IsIconic(dialog);
            dialogEnd(dialog, 0);
        });
        dialogShowModal(dialog, Recorder::callback);
        EXPECT_EQ(visible, c.visible) << "show command " << c.command;
        EXPECT_EQ(zoomed, c.zoomed) << "show command " << c.command;
        EXPECT_EQ(iconic, c.iconic) << "show command " << c.command;
        ASSERT_FALSE(Recorder::seen.size() < 2);
        EXPECT_EQ(Recorder::seen[1].wParam, c.sizeType) << "show command " << c.command;
    }
}

TEST_F(ModalTest, CloseCommandEndsTheDialogUnlessTheCallbackConsumesIt) {
    const struct {
        WPARAM command;
        LRESULT answer;
        bool ends;
    } cases[] = {{SC_CLOSE, 0, true},
                 {SC_CLOSE + 3, 0, true},
                 {SC_CLOSE, 1, false},
                 {SC_CLOSE + 3, 1, false},
                 {SC_MINIMIZE, 0, false}};
    for (const auto& c : cases) {
        HWND dialog = newDialog();
        static LRESULT answer;
        answer = c.answer;
        Recorder::answer = [](HWND, UINT message, WPARAM, LPARAM) {
            return message == WM_SYSCOMMAND ? answer : 0;
        };
        bool open = false;
        int result = -1;
        runSoon([&] {
            sendToWindow(dialog, WM_SYSCOMMAND, c.command, 0);
            open = IsWindow(dialog);
            dialogEnd(dialog, 7);
        });
        dialogShowModal(dialog, Recorder::callback, &result);
        EXPECT_EQ(open, !c.ends) << hex(DWORD(c.command)) << " answered " << c.answer;
        EXPECT_EQ(result, c.ends ? 0 : 7) << hex(DWORD(c.command)) << " answered " << c.answer;
    }
}

TEST_F(ModalTest, EnterAndEscapeReachTheCallbackAndTabMovesTheFocus) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::textBox, dialog, 21, "", 5, 5, 60, 12);
    controlAdd(ControlKind::textBox, dialog, 22, "", 5, 25, 60, 12);
    HWND second = getControl(dialog, 22), focusAfterTab = nullptr;
    runSoon([&] {
        controlSetFocus(dialog, 21);
        for (WPARAM key : {VK_ESCAPE, VK_RETURN, VK_TAB})
            PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        runSoon([&] {
            focusAfterTab = GetFocus();
            dialogEnd(dialog, 0);
        });
    });
    dialogShowModal(dialog, Recorder::callback);
    std::vector<int> commands;
    for (const Seen& s : Recorder::of(dialog, WM_COMMAND))
        if (HIWORD(s.wParam) == 0) commands.push_back(LOWORD(s.wParam));
    EXPECT_EQ(commands, (std::vector<int>{IDCANCEL, IDOK}));
    EXPECT_EQ(focusAfterTab, second);
}

TEST_F(ModalTest, FocusGoesToTheControlAndItsDialogComesForward) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::textBox, dialog, 21, "", 5, 5, 60, 12);
    controlAdd(ControlKind::pushButton, dialog, 22, "b", 5, 25, 60, 12);
    HWND button = getControl(dialog, 22), focus = nullptr, foreground = nullptr;
    runSoon([&] {
        controlSetFocus(dialog, 22);
        focus = GetFocus();
        foreground = GetForegroundWindow();
        dialogEnd(dialog, 0);
    });
    dialogShowModal(dialog, Recorder::callback);
    EXPECT_EQ(focus, button);
    EXPECT_EQ(foreground, dialog);
}

TEST_F(ModalTest, OwnerIsDisabledWhileItsChildIsOpen) {
    HWND owner = newDialog();
    bool enabledDuring = true, enabledAfter = false;
    HWND focusAfter = nullptr;
    runSoon([&] {
        HWND child = newDialog(owner);
        runSoon([&] {
            enabledDuring = IsWindowEnabled(owner);
            dialogEnd(child, 0);
        });
        dialogShowModal(child, Recorder::callback);
        enabledAfter = IsWindowEnabled(owner);
        focusAfter = GetFocus();
        dialogEnd(owner, 0);
    });
    dialogShowModal(owner, Recorder::callback);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(enabledAfter);
    EXPECT_TRUE(focusAfter == owner || IsChild(owner, focusAfter)) << "focus on " << focusAfter;
    EXPECT_FALSE(Recorder::of(owner, WM_CANCELMODE).empty());
}

TEST_F(ModalTest, MessageBoxReturnsTheButtonAndDisablesTheActiveDialog) {
    const struct {
        UINT flags;
        int button;
        std::vector<int> buttons;
    } cases[] = {
        {0x30, IDOK, {IDOK}},
        {0x31, IDOK, {IDOK, IDCANCEL}},
        {0x31, IDCANCEL, {IDOK, IDCANCEL}},
        {0x33, IDYES, {IDCANCEL, IDYES, IDNO}},
        {0x33, IDNO, {IDCANCEL, IDYES, IDNO}},
    };
    for (const auto& c : cases) {
        HWND dialog = newDialog();
        int result = 0;
        std::vector<SeenMessageBox> seen;
        runSoon([&] {
            MessageBoxAnswerer answerer({c.button});
            result = messageBox("Delete \x80?", "Caption", c.flags);
            seen = answerer.seen();
            dialogEnd(dialog, 0);
        });
        dialogShowModal(dialog, Recorder::callback);
        EXPECT_EQ(result, c.button) << hex(c.flags);
        ASSERT_EQ(seen.size(), 1u) << hex(c.flags);
        EXPECT_EQ(seen[0].text, "Delete \x80?");
        EXPECT_EQ(seen[0].caption, "Caption");
        EXPECT_EQ(seen[0].buttons, c.buttons) << hex(c.flags);
        EXPECT_EQ(seen[0].owner, dialog) << hex(c.flags);
        EXPECT_FALSE(seen[0].ownerEnabled) << hex(c.flags);
    }
}

TEST_F(ModalTest, MessageBoxOwnerAndDefaultCaption) {
    HWND other = newDialog();
    MessageBoxAnswerer answerer({IDOK, IDOK});
    EXPECT_EQ(messageBox("text", "", MB_OK, other), IDOK);
    EXPECT_TRUE(IsWindowEnabled(other)) << "enabled again after the box";
    dialogEnd(other, 0);
    EXPECT_EQ(messageBox("alone", "c", MB_OK), IDOK);
    ASSERT_EQ(answerer.seen().size(), 2u);
    EXPECT_EQ(answerer.seen()[0].owner, other);
    EXPECT_EQ(answerer.seen()[0].caption, "Vellumor");
    EXPECT_EQ(answerer.seen()[1].owner, nullptr) << "no dialog left to own it";
}

TEST_F(ModalTest, QuitMessageLeavesTheLoopAndIsPostedAgain) {
    HWND dialog = newDialog();
    runSoon([] { PostQuitMessage(3); });
    dialogShowModal(dialog, Recorder::callback);
    EXPECT_FALSE(IsWindow(dialog));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}

TEST_F(ModalTest, ExceptionsFromTheCallbackStayInTheToolkit) {
    HWND dialog = newDialog();
    Recorder::answer = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_APP) throw std::runtime_error("callback failed");
        return 0;
    };
    LRESULT answer = -1;
    runSoon([&] {
        answer = sendToWindow(dialog, WM_APP, 0, 0);
        dialogEnd(dialog, 0);
    });
    dialogShowModal(dialog, Recorder::callback);
    EXPECT_EQ(answer, 0);
}

TEST_F(ModalTest, SizeMessagesKeepTheStatusBarAtTheBottom) {
    HWND dialog = newDialog();
    controlAdd(ControlKind::statusBar, dialog, 108, "", 0, 0, 0, 0);
    RECT bar{}, client{};
    runSoon([&] {
        SetWindowPos(dialog, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(dialog, &client);
        GetWindowRect(getControl(dialog, 108), &bar);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bar), 2);
        dialogEnd(dialog, 0);
    });
    dialogShowModal(dialog, Recorder::callback);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
}

ULONGLONG threadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ms = [](FILETIME t) {
        return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

// A loop that polled would wake a thousand times a second and burn CPU; the
// owner would hear WM_ENTERIDLE on every wake.
TEST_F(ModalTest, IdleDialogWaitsAndTellsItsOwnerOnce) {
    const ULONGLONG spinStart = threadCpuMs();
    for (const ULONGLONG end = GetTickCount64() + 300; GetTickCount64() < end;) {
    }
    if (threadCpuMs() - spinStart < 100) GTEST_SKIP() << "thread times are not measured here";

    const struct {
        DWORD style;
        bool idleMessages;
    } cases[] = {{programStyle, true}, {programStyle | DS_NOIDLEMSG, false}};
    for (const auto& c : cases) {
        Recorder::seen.clear();
        HWND owner = newDialog();
        ULONGLONG cpu = 0;
        runSoon([&] {
            HWND child = newDialog(owner, c.style);
            runSoon([child] { dialogEnd(child, 0); }, 1000);
            const ULONGLONG before = threadCpuMs();
            dialogShowModal(child, Recorder::callback);
            cpu = threadCpuMs() - before;
            dialogEnd(owner, 0);
        });
        dialogShowModal(owner, Recorder::callback);
        EXPECT_LT(cpu, 100u) << hex(c.style);
        const std::vector<Seen> idle = Recorder::of(owner, WM_ENTERIDLE);
        if (c.idleMessages) {
            ASSERT_FALSE(idle.empty());
            EXPECT_LT(idle.size(), 30u);
            EXPECT_EQ(idle[0].wParam, WPARAM(MSGF_DIALOGBOX));
            EXPECT_NE(idle[0].lParam, 0);
        } else {
            EXPECT_TRUE(idle.empty()) << idle.size() << " idle messages";
        }
    }
}

} // namespace
