// Fill and collect: the transfer between the working record and the form's
// controls. Both walk the bindings table with one rule per field kind, so a
// page's fields need no code of their own.
#include "form/Bindings.h"
#include "form/IntakeForm.h"
#include "toolkit/Boxes.h"
#include "toolkit/Dialog.h"
#include "toolkit/text/Text.h"

#include <cstdint>
#include <string>

namespace {

std::string boxText(int id) { return controlGetText(getControl(formWindow, id)); }
void setBoxText(int id, std::string_view text) { controlSetText(getControl(formWindow, id), text); }
bool isChecked(int id) { return controlGetCheck(formWindow, id) != 0; }

// 0 means "not answered" and shows as an empty box rather than " 0".
std::string countText(int value) { return value == 0 ? std::string() : numberToText(value); }

int mercuryOption(int first, std::uint8_t value) {
    if (value == 1) return first;
    if (value == 0) return first + 1;
    return first + 2;
}

void fillField(const Binding& binding) {
    const FieldInfo& field = *binding.field;
    const FieldSpan span = field.span;
    const int first = binding.firstId;
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::otherText:
        setBoxText(first, readText(workingRecord, span));
        break;
    case FieldKind::date:
        setBoxText(first, dateToText(readDate(workingRecord, span)));
        break;
    case FieldKind::u8:
        setBoxText(first, countText(readU8(workingRecord, span)));
        break;
    case FieldKind::i16:
        setBoxText(first, countText(readI16(workingRecord, span)));
        break;
    case FieldKind::yesNo:
        controlSetOption(formWindow, first, first + 1,
                         readU8(workingRecord, span) != 0 ? first : first + 1);
        break;
    case FieldKind::yesNoNever:
        controlSetOption(formWindow, first, first + 2,
                         mercuryOption(first, readU8(workingRecord, span)));
        break;
    case FieldKind::choice:
        // A value of 0 or beyond the options names no option: none is selected.
        controlSetOption(formWindow, first, first + field.items.count - 1,
                         first - 1 + readU8(workingRecord, span));
        break;
    case FieldKind::bitSet:
        for (int item = 0; item < field.items.count; ++item) {
            if (readItem(workingRecord, span, item)) controlSetCheck(formWindow, first + item, 1);
        }
        break;
    }
}

void collectField(const Binding& binding, ClientRecord& record) {
    const FieldInfo& field = *binding.field;
    const FieldSpan span = field.span;
    const int first = binding.firstId;
    switch (field.kind) {
    case FieldKind::text:
        writeText(record, span, boxText(first));
        break;
    case FieldKind::otherText:
        // Kept while "Other" is not ticked, so unticking it loses no text.
        if (readItem(record, field.list->span, field.list->items.count - 1)) {
            writeText(record, span, boxText(first));
        }
        break;
    case FieldKind::date:
        writeDate(record, span, dateFromText(boxText(first)));
        break;
    case FieldKind::u8:
        writeU8(record, span, storeU8(textToNumber(boxText(first))));
        break;
    case FieldKind::i16:
        writeI16(record, span, storeI16(textToNumber(boxText(first))));
        break;
    case FieldKind::yesNo:
        writeU8(record, span, isChecked(first) ? std::uint8_t{1} : std::uint8_t{0});
        break;
    case FieldKind::yesNoNever: {
        const std::uint8_t never = isChecked(first + 2) ? mercuryNever : std::uint8_t{0};
        writeU8(record, span, isChecked(first) ? std::uint8_t{1} : never);
        break;
    }
    case FieldKind::choice:
        // No option checked keeps the stored answer.
        for (int option = 0; option < field.items.count; ++option) {
            if (isChecked(first + option)) {
                writeU8(record, span, static_cast<std::uint8_t>(option + 1));
                break;
            }
        }
        break;
    case FieldKind::bitSet:
        for (int item = 0; item < field.items.count; ++item) {
            writeItem(record, span, item, isChecked(first + item));
        }
        break;
    }
}

} // namespace

void fillPage(int page) {
    for (std::size_t i = 0; i < bindingCount; ++i) {
        if (bindings[i].field->page == page) fillField(bindings[i]);
    }
}

bool collect() {
    writeText(workingRecord, fields::name.span, boxText(nameBox));
    if (readText(workingRecord, fields::name.span).empty()) {
        messageBox("Must include a name", " ", MB_OK | MB_ICONEXCLAMATION, formWindow);
        return false;
    }
    accepted = true;
    collectBuiltPages(workingRecord);
    return true;
}

void collectBuiltPages(ClientRecord& record) {
    // Pages are built in order, so the built ones are pages 1 to k.
    for (std::size_t i = 0; i < bindingCount; ++i) {
        const Binding& binding = bindings[i];
        if (!pageBuilt[binding.field->page]) break;
        collectField(binding, record);
    }
}
