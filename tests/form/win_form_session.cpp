#include "win_form_session.h"

#include "TestData.h"

#include "form/Bindings.h"
#include "form/IntakeForm.h"
#include "form/PageTable.h"
#include "records/ClientFile.h"
#include "tests/support/SameRecord.h"
#include "toolkit/Dialog.h"
#include "toolkit/Modal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace {

constexpr std::string_view modeNames[] = {"", "Add_", "Edit_", "Client_"};

void whenPageOneIsBuilt(const std::function<void()>& steps) {
    runSoon([steps] {
        if (currentPage != 1) return whenPageOneIsBuilt(steps);
        steps();
        if (formOpen()) dialogEnd(formWindow, 0);
    });
}

std::string sampleText(const FieldInfo& field, int variant) {
    // Windows-1252 letters beyond ASCII (e acute, euro sign) cross the boundary
    // to the controls' UTF-16 and back.
    std::string text = std::string(field.name).substr(0, 3) + "\xE9\x80" + char('0' + variant);
    if (field.span.size >= 100) text += "\r\nsecond line";
    text.resize(field.span.size - 1u, static_cast<char>('a' + variant));
    return text;
}

void setSample(ClientRecord& record, const Binding& binding, int variant) {
    const FieldInfo& field = *binding.field;
    const FieldSpan span = field.span;
    const int count = field.items.count;
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::otherText:
        writeText(record, span, sampleText(field, variant));
        break;
    case FieldKind::date:
        writeDate(record, span, variant == 0 ? 20231225 : variant == 1 ? 19990101 : 0);
        break;
    case FieldKind::u8:
        writeU8(record, span, variant == 0 ? 255 : variant == 1 ? 7 : 0);
        break;
    case FieldKind::i16:
        writeI16(record, span, variant == 0 ? -1234 : variant == 1 ? 32767 : 0);
        break;
    case FieldKind::yesNo:
        writeU8(record, span, variant == 0 ? 1 : 0);
        break;
    case FieldKind::yesNoNever:
        writeU8(record, span, variant == 0 ? mercuryNever : variant == 1 ? 1 : 0);
        break;
    case FieldKind::choice:
        writeU8(record, span, static_cast<std::uint8_t>(variant == 0 ? count : 2 - variant));
        break;
    case FieldKind::bitSet:
        // Variant 0 ticks the even items and "Other", variant 1 the odd ones
        // without "Other", variant 2 none.
        for (int item = 0; item < count; ++item) {
            const bool other = item == count - 1;
            writeItem(record, span, item,
                      variant == 0 ? item % 2 == 0 || other
                                   : variant == 1 && item % 2 == 1 && !other);
        }
        break;
    }
}

} // namespace

void FormTest::SetUp() {
    WindowsTest::SetUp();
    std::copy(std::begin(pageIdRangeSizes), std::end(pageIdRangeSizes), pageControlCounts);
    mainWindow = nullptr;
}

void prepareForm(FormMode mode, const ClientRecord& record) {
    formMode = mode;
    currentClient = mode == addMode ? 0 : 1;
    workingRecord = record;
    uneditedCopy = record;
    accepted = false;
    formDirty = false;
    fileChanged = false;
    for (bool& built : pageBuilt)
        built = false;
}

void runForm(const std::function<void()>& steps) {
    whenPageOneIsBuilt(steps);
    openIntakeForm(modeNames[formMode]);
}

bool formOpen() { return formWindow != nullptr && IsWindow(formWindow); }

HWND control(int id) { return getControl(formWindow, id); }
std::string caption() { return controlGetText(formWindow); }
std::string textOf(int id) { return controlGetText(control(id)); }
void setText(int id, std::string_view text) { controlSetText(control(id), text); }

void typeInto(int id, std::wstring_view characters) {
    for (wchar_t c : characters)
        SendMessageW(control(id), WM_CHAR, c, 1);
}

void typeKeys(HWND box, const std::wstring& text) {
    for (const wchar_t c : text)
        if (c != L'\n') SendMessageW(box, WM_CHAR, c, 1);
}

void press(int id) {
    sendToWindow(formWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(id)));
}

void closeForm(WPARAM command) { sendToWindow(formWindow, WM_SYSCOMMAND, command, 0); }

void goToPage(int page) {
    for (int step = 0; step < pageCount && currentPage < page; ++step)
        press(nextButton);
    for (int step = 0; step < pageCount && currentPage > page; ++step)
        press(backButton);
}

bool isVisible(int id) { return (GetWindowLongW(control(id), GWL_STYLE) & WS_VISIBLE) != 0; }
bool isEnabled(int id) { return IsWindowEnabled(control(id)) != FALSE; }
bool isChecked(int id) { return controlGetCheck(formWindow, id) == BST_CHECKED; }

ClientRecord named(std::string_view name) { return recordNamed(name); }

int boxOf(const FieldInfo& field) {
    for (std::size_t i = 0; i < bindingCount; ++i) {
        if (bindings[i].field == &field) return bindings[i].firstId;
    }
    return 0;
}

ClientRecord sampleRecord(int variant) {
    ClientRecord record{};
    for (std::size_t i = 0; i < bindingCount; ++i)
        setSample(record, bindings[i], variant);
    return record;
}

void expectWorkingRecord(const ClientRecord& expected) {
    EXPECT_TRUE(sameRecord(workingRecord, expected));
}
