// Hostile input through the form's real text boxes: very long texts put in by
// every way text arrives, characters Windows-1252 cannot hold, numbers and
// dates that read badly, and names that are barely names. Nothing may crash or
// hang, no field may spill into the next one, and what is stored follows the
// storing rules.
#include "MessageBoxAnswerer.h"
#include "win_form_session.h"

#include "form/Bindings.h"
#include "form/IntakeForm.h"
#include "form/PageTable.h"
#include "toolkit/Dialog.h"
#include "toolkit/text/Text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::size_t longLength = 10000;

// A text box of the page tables with the field it stores.
struct TextBox {
    int id;
    bool multiLine;
    const FieldInfo* field;
};

const FieldInfo* boundField(int id) {
    for (std::size_t i = 0; i < bindingCount; ++i)
        if (bindings[i].firstId == id) return bindings[i].field;
    return nullptr;
}

std::vector<TextBox> everyTextBox() {
    std::vector<TextBox> boxes;
    for (int page = 1; page <= pageCount; ++page) {
        const PageTable& table = pageTable(page);
        for (std::size_t i = 0; i < table.count; ++i) {
            const ControlRow& row = table.controls[i];
            if (row.kind != ControlKind::textBox) continue;
            boxes.push_back({row.id, (row.style & ES_MULTILINE) != 0, boundField(row.id)});
        }
    }
    return boxes;
}

// 10,000 characters: a 7 that the number and date boxes read, then letters, in
// a multi-line box as lines of 60.
std::wstring longText(bool multiLine) {
    std::wstring text = L"7";
    while (text.size() < longLength) {
        if (multiLine && text.size() % 62 == 60)
            text += L"\r\n";
        else
            text += static_cast<wchar_t>(L'a' + text.size() % 26);
    }
    text.resize(longLength);
    return text;
}

// The ways text reaches a box besides typing; `limited` when the box's text
// limit applies (it does not to WM_SETTEXT). A paste inserts the clipboard's
// text with EM_REPLACESEL's own code; the clipboard itself is left alone, as
// under Wine with unmanaged windows it is not dependable: destroying a window
// that owns it ends the process with an X error and upsets the display for
// later processes, and a paste of unowned data can stall for many seconds.
struct Entry {
    const char* name;
    bool limited;
    void (*put)(HWND box, const std::wstring& text);
};

const Entry entries[] = {
    {"WM_SETTEXT", false,
     [](HWND box, const std::wstring& text) {
         SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
     }},
    {"EM_REPLACESEL", true,
     [](HWND box, const std::wstring& text) {
         SendMessageW(box, EM_SETSEL, 0, -1);
         SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
     }},
};

// What collecting a box that holds `text` stores: the first size - 1
// characters of a text; the 7 that begins the long text in a number or a date
// (no day, year 0 read as 2000).
void expectStored(ClientRecord& record, const FieldInfo& field, const std::wstring& text) {
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::otherText: {
        const std::u16string held(text.begin(), text.end());
        writeText(record, field.span, utf16ToWin1252(held).substr(0, field.span.size - 1u));
        break;
    }
    case FieldKind::u8:
        writeU8(record, field.span, 7);
        break;
    case FieldKind::i16:
        writeI16(record, field.span, 7);
        break;
    case FieldKind::date:
        writeDate(record, field.span, 20000700);
        break;
    default:
        ADD_FAILURE() << field.name << " has a text box";
    }
}

} // namespace

// Every text box of the five pages gets 10,000 characters. Set as its text,
// the box holds all of them. Put in with EM_REPLACESEL, as a paste is, a
// single-line box holds as many as its field keeps, while a multi-line box,
// which shows no more lines than fit and does not scroll, refuses the text
// altogether. Whatever a box holds, the record keeps its first size - 1
// characters, the numbers and dates read the 7 that begins the text, and every
// other byte of the record stays as it was.
//
// The multi-line boxes are emptied before EM_REPLACESEL: under Wine 8, an
// insertion that such a box refuses while it is full corrupts the process heap
// (the box ends empty or one character over its limit, and a later heap call
// faults), so the test does not provoke it.
TEST_F(FormTest, TenThousandCharactersInEveryTextBoxAreCutToTheirField) {
    const std::vector<TextBox> boxes = everyTextBox();
    ASSERT_GT(boxes.size(), 30u);
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.name);
        prepareForm(editMode, sampleRecord(0));
        runForm([&] {
            goToPage(pageCount);
            ASSERT_TRUE(collect());
            ClientRecord expected = workingRecord;
            for (const TextBox& box : boxes) {
                SCOPED_TRACE(box.id);
                ASSERT_NE(box.field, nullptr) << "a text box without a field";
                const std::wstring text = longText(box.multiLine);
                const HWND edit = control(box.id);
                if (entry.limited && box.multiLine)
                    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
                entry.put(edit, text);
                const std::wstring held = windowText(edit);
                const auto limit =
                    static_cast<std::size_t>(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0));
                if (!entry.limited) {
                    EXPECT_EQ(held, text);
                } else if (box.multiLine) {
                    EXPECT_EQ(held, L"");
                } else {
                    EXPECT_EQ(held, text.substr(0, limit));
                }
                expectStored(expected, *box.field, held);
            }
            ASSERT_TRUE(collect());
            expectWorkingRecord(expected);
        });
    }
}

// Chinese characters and emoji in the name and in a multi-line box: one "?" for
// each character (an emoji's two UTF-16 halves are one character), whether
// typed, set or inserted.
TEST_F(FormTest, CharactersBeyondWindows1252AreStoredAsQuestionMarks) {
    struct Case {
        const FieldInfo& field;
        std::wstring text;
        std::string stored;
    };
    const Case cases[] = {
        {fields::name, L"\u738B\u5C0F\u660E", "???"},
        {fields::name, L"Zo\u00EB \u674E \U0001F600", "Zo\xEB ? ?"},
        {fields::name, std::wstring(40, L'\u5B57'), std::string(31, '?')},
        {fields::prescriptions, L"\u7B2C\u4E00\u884C\r\n\U0001F600\U0001F48A twice \u20AC",
         "???\r\n?? twice \x80"},
        {fields::elaboration, std::wstring(100, L'\u75DB'), std::string(100, '?')},
    };
    const Entry typing = {"typed", true, typeKeys};
    std::vector<Entry> ways(std::begin(entries), std::end(entries));
    ways.push_back(typing);
    for (const Entry& way : ways) {
        SCOPED_TRACE(way.name);
        prepareForm(addMode, ClientRecord{});
        runForm([&] {
            goToPage(pageCount);
            for (const Case& c : cases) {
                SCOPED_TRACE(c.field.name);
                const HWND box = control(boxOf(c.field));
                ASSERT_NE(box, nullptr);
                if (c.field.kind == FieldKind::text && c.field.span.size > 100) {
                    ASSERT_NE(GetWindowLongW(box, GWL_STYLE) & ES_MULTILINE, 0);
                }
                SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
                way.put(box, c.text);
                ASSERT_TRUE(collect());
                EXPECT_EQ(readText(workingRecord, c.field.span), c.stored);
            }
        });
    }
}

// Numbers that read badly, in every u8 box and in the weight box. A magnitude
// beyond 64 bits stores 0 in a u8 field, a value outside -32768..32767 stores
// -32768 in the weight; a text that does not begin with a number reads as 0.
TEST_F(FormTest, HostileNumbersAreStoredByTheStoringRules) {
    struct Case {
        const char* what;
        std::string text;
        std::uint8_t u8;
        std::int16_t i16;
    };
    const Case cases[] = {
        {"1e9999", "1e9999", 0, -32768},
        {"1e-9999", "1e-9999", 0, 0},
        {"-0", "-0", 0, 0},
        {"nan", "nan", 0, 0},
        {"inf", "inf", 0, 0},
        {"0x1F", "0x1F", 0, 0},
        {"&H1F", "&H1F", 31, 31},
        {"lone -", "-", 0, 0},
        {"- 5", "- 5", 0, 0},
        {"5000 nines", std::string(5000, '9'), 0, -32768},
        {"minus 3000 nines", "-" + std::string(3000, '9'), 0, -32768},
        {"3000 zeros then 42", std::string(3000, '0') + "42", 42, 42},
        {"3000 decimals", "0." + std::string(3000, '0') + "6", 0, 0},
        {"255.5", "255.5", 0, 256},
        {"32767.5", "32767.5", 0, -32768},
        {"-32768.5", "-32768.5", 0, -32768},
        {"blanks before", " \t\r\n 12", 12, 12},
    };
    prepareForm(addMode, ClientRecord{});
    runForm([&] {
        setText(nameBox, "Ann");
        goToPage(pageCount);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            for (std::size_t i = 0; i < bindingCount; ++i) {
                const FieldKind kind = bindings[i].field->kind;
                if (kind == FieldKind::u8 || kind == FieldKind::i16)
                    setText(bindings[i].firstId, c.text);
            }
            ASSERT_TRUE(collect());
            for (std::size_t i = 0; i < bindingCount; ++i) {
                const FieldInfo& field = *bindings[i].field;
                if (field.kind == FieldKind::u8) {
                    EXPECT_EQ(readU8(workingRecord, field.span), c.u8) << field.name;
                }
                if (field.kind == FieldKind::i16) {
                    EXPECT_EQ(readI16(workingRecord, field.span), c.i16) << field.name;
                }
            }
        }
    });
}

// Dates split at every "-" and "/", missing parts read 0, a year below 100 gets
// 2000 added, and the sum wraps in 32 bits; only a blank box means no date.
TEST_F(FormTest, HostileDatesAreStoredAsTheirPartsAdd) {
    struct Case {
        const char* text;
        std::int32_t stored;
    };
    const Case cases[] = {
        {"//", 20000000},
        {"-", 20000000},
        {"99999999-99-99", 1431055407}, // 2099 * 10^4 + 99999999 * 100 + 99 - 2 * 2^32
        {"1/2", 20000102},
        {"12/25/-5", 20001225}, // the "-" separates too: the year part is empty
        {"12/25/2023/7", 20231225},
        {"a/b/c", 20000000},
        {"   ", 0},
    };
    prepareForm(addMode, ClientRecord{});
    runForm([&] {
        setText(nameBox, "Ann");
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            for (std::size_t i = 0; i < bindingCount; ++i)
                if (bindings[i].field->kind == FieldKind::date)
                    setText(bindings[i].firstId, c.text);
            ASSERT_TRUE(collect());
            for (std::size_t i = 0; i < bindingCount; ++i) {
                const FieldInfo& field = *bindings[i].field;
                if (field.kind == FieldKind::date) {
                    EXPECT_EQ(readDate(workingRecord, field.span), c.stored) << field.name;
                }
            }
        }
    });
}

// Only an empty name is refused: blanks and a single character are names.
TEST_F(FormTest, BlankAndOneCharacterNamesAreAccepted) {
    const std::wstring names[] = {L" ", L"     ", L"x", L"\u00E9", L"\u5B57"};
    const std::string stored[] = {" ", "     ", "x", "\xE9", "?"};
    for (std::size_t k = 0; k < std::size(names); ++k) {
        SCOPED_TRACE(stored[k]);
        const MessageBoxAnswerer boxes({IDOK});
        prepareForm(addMode, ClientRecord{});
        runForm([&] {
            SendMessageW(control(nameBox), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(names[k].c_str()));
            press(processButton);
            EXPECT_FALSE(formOpen());
        });
        EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
        EXPECT_TRUE(accepted);
        EXPECT_EQ(readText(workingRecord, fields::name.span), stored[k]);
    }
}
