// Replacing a selection in the multi-line boxes, which show two lines and do
// not scroll: a replacement that needs more lines than the box shows is
// refused and leaves the text, the selection and the process heap as they
// were, whether it is put in with EM_REPLACESEL, pasted or typed; one that
// fits replaces the selection, cut to the field's size, and undoes in one step.
#include "win_form_session.h"

#include "form/PageTable.h"
#include "records/ClientFields.h"

#include <cstring>
#include <string>

namespace {

constexpr int multiLineBoxes[] = {302, 304, 306, 465};

// Two lines of narrow characters, 179 in all: the box is full.
const std::wstring full = std::wstring(88, L'.') + L"\r\n" + std::wstring(89, L'.');

// `length` letters in lines of 60, as a paste from another program brings them.
std::wstring linesOf60(std::size_t length) {
    std::wstring text;
    while (text.size() < length)
        text += text.size() % 62 == 60
                    ? std::wstring(L"\r\n")
                    : std::wstring(1, static_cast<wchar_t>(L'a' + text.size() % 26));
    text.resize(length);
    return text;
}

// Puts `text` on the clipboard with no window as its owner: under Wine with
// unmanaged windows, destroying a window that owns the clipboard ends the
// process with an X error.
bool putOnClipboard(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!put) GlobalFree(memory);
    CloseClipboard();
    return put;
}

void emptyClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

struct Way {
    const char* name;
    bool keystroke; // takes only what one key types: a character or a line break
    void (*put)(HWND box, const std::wstring& text);
};

const Way ways[] = {
    {"EM_REPLACESEL", false,
     [](HWND box, const std::wstring& text) {
         SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
     }},
    {"WM_PASTE", false,
     [](HWND box, const std::wstring& text) {
         ASSERT_TRUE(putOnClipboard(text)) << "clipboard error " << GetLastError();
         SendMessageW(box, WM_PASTE, 0, 0);
         emptyClipboard();
     }},
    {"WM_CHAR", true, typeKeys},
};

struct Replacement {
    const char* what;
    std::wstring before;
    DWORD start;
    DWORD end;
    std::wstring text;
    std::wstring after; // equal to `before` when the box refuses
};

} // namespace

TEST_F(FormTest, ReplacingASelectionInAMultiLineBoxKeepsTextAndHeapWhole) {
    const std::wstring dots = full.substr(5);
    const Replacement replacements[] = {
        {"all of a full box by 10,000 characters", full, 0, 179, linesOf60(10000), full},
        {"two characters of a full box by a line break", full, 10, 12, L"\r\n", full},
        {"the last two of a full box by two line breaks", full, 177, 179, L"\r\n\r\n", full},
        {"four of six characters by three line breaks", L"abcdef", 1, 5, L"\r\n\r\n\r\n",
         L"abcdef"},
        {"all of a full box by two short lines", full, 0, 179, L"new\r\ntext", L"new\r\ntext"},
        {"five of a full box by ten, cut to five", full, 0, 5, L",,,,,,,,,,", L",,,,," + dots},
        {"three characters by one", L"abc", 0, 3, L"x", L"x"},
    };
    prepareForm(addMode, ClientRecord{});
    runForm([&] {
        goToPage(pageCount);
        for (const int id : multiLineBoxes) {
            const HWND box = control(id);
            ASSERT_NE(box, nullptr) << id;
            for (const Way& way : ways) {
                for (const Replacement& r : replacements) {
                    if (way.keystroke && r.text.size() > 1 && r.text != L"\r\n") continue;
                    SCOPED_TRACE(std::to_string(id) + " " + way.name + ": " + r.what);
                    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(r.before.c_str()));
                    SendMessageW(box, EM_SETSEL, r.start, static_cast<LPARAM>(r.end));
                    way.put(box, r.text);
                    ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << "damaged heap";
                    EXPECT_EQ(windowText(box), r.after);
                    DWORD start = 0;
                    DWORD end = 0;
                    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                 reinterpret_cast<LPARAM>(&end));
                    if (r.after == r.before) {
                        EXPECT_EQ(start, r.start);
                        EXPECT_EQ(end, r.end);
                    } else {
                        EXPECT_EQ(start, end);
                        SendMessageW(box, EM_UNDO, 0, 0);
                        EXPECT_EQ(windowText(box), r.before) << "after undo";
                    }
                }
            }
        }
    });
}

// Deleting a selection and typing at a plain caret are left to the control as
// they were.
TEST_F(FormTest, DeletingAndTypingAtACaretInAMultiLineBoxAreUnchanged) {
    struct Edit {
        const char* what;
        std::wstring before;
        DWORD start;
        DWORD end;
        void (*edit)(HWND box);
        std::wstring after;
    };
    const Edit edits[] = {
        {"EM_REPLACESEL of nothing deletes", L"abcdef", 1, 5,
         [](HWND box) { SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"")); },
         L"af"},
        {"Backspace deletes the selection only", L"abcdef", 1, 5,
         [](HWND box) { SendMessageW(box, WM_CHAR, VK_BACK, 1); }, L"af"},
        {"Return at the end of a full box", full, 179, 179,
         [](HWND box) { SendMessageW(box, WM_CHAR, L'\r', 1); }, full},
        {"a letter at the end of a full box", full, 179, 179,
         [](HWND box) { SendMessageW(box, WM_CHAR, L'x', 1); }, full},
        {"a letter at a caret", L"ab", 1, 1, [](HWND box) { SendMessageW(box, WM_CHAR, L'x', 1); },
         L"axb"},
    };
    prepareForm(addMode, ClientRecord{});
    runForm([&] {
        goToPage(2);
        const HWND box = control(boxOf(fields::prescriptions));
        for (const Edit& e : edits) {
            SCOPED_TRACE(e.what);
            SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e.before.c_str()));
            SendMessageW(box, EM_SETSEL, e.start, static_cast<LPARAM>(e.end));
            e.edit(box);
            ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << "damaged heap";
            EXPECT_EQ(windowText(box), e.after);
        }
    });
}
