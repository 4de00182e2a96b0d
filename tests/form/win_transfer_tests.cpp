// Fill and collect through the real controls: every field kind, the number and
// date conversions, ticked lists with their "Other" texts, and the text limits.
#include "win_form_session.h"

#include "form/Bindings.h"
#include "form/IntakeForm.h"
#include "form/PageTable.h"
#include "tests/support/SameRecord.h"
#include "toolkit/Dialog.h"
#include "toolkit/text/Text.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

bool otherTicked(const ClientRecord& record, const FieldInfo& otherText) {
    return readItem(record, otherText.list->span, otherText.list->items.count - 1);
}

long long storedValue(const FieldInfo& field) {
    switch (field.kind) {
    case FieldKind::date:
        return readDate(workingRecord, field.span);
    case FieldKind::i16:
        return readI16(workingRecord, field.span);
    default:
        return readU8(workingRecord, field.span);
    }
}

} // namespace

// Fill shows a record, the working record is then cleared, and collect must
// rebuild every field from the controls alone. An "Other" text whose item is
// not ticked is not collected, so it stays cleared.
TEST_F(FormTest, EveryFieldSurvivesFillAndCollect) {
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE("variant " + std::to_string(variant));
        const ClientRecord sample = sampleRecord(variant);
        ClientRecord expected = sample;
        for (std::size_t i = 0; i < bindingCount; ++i) {
            const FieldInfo& field = *bindings[i].field;
            if (field.kind == FieldKind::otherText && !otherTicked(sample, field))
                std::memset(reinterpret_cast<char*>(&expected) + field.span.offset, 0,
                            field.span.size);
        }
        prepareForm(editMode, sample);
        runForm([] {
            goToPage(pageCount);
            recordReset(workingRecord);
            press(processButton);
            EXPECT_FALSE(formOpen());
        });
        EXPECT_TRUE(accepted);
        expectWorkingRecord(expected);
    }
}

TEST_F(FormTest, UnansweredQuestionsShowNoAndNoChoice) {
    prepareForm(showMode, named("Ann"));
    runForm([] {
        goToPage(pageCount);
        for (std::size_t i = 0; i < bindingCount; ++i) {
            const FieldInfo& field = *bindings[i].field;
            const int first = bindings[i].firstId;
            SCOPED_TRACE(field.name);
            switch (field.kind) {
            case FieldKind::yesNo:
            case FieldKind::yesNoNever:
                for (int option = 0; option < field.items.count; ++option)
                    EXPECT_EQ(isChecked(first + option), option == 1) << "option " << option;
                break;
            case FieldKind::choice:
            case FieldKind::bitSet:
                for (int option = 0; option < field.items.count; ++option)
                    EXPECT_FALSE(isChecked(first + option)) << "option " << option;
                break;
            case FieldKind::date:
            case FieldKind::u8:
            case FieldKind::i16:
                EXPECT_EQ(textOf(first), "");
                break;
            default:
                break;
            }
        }
    });
}

// Typed in add mode, stored, then shown again in edit mode.
TEST_F(FormTest, NumbersAndDatesConvertAsTypedAndShowAgain) {
    struct Conversion {
        const FieldInfo& field;
        const char* typed;
        long long stored;
        const char* shown;
    };
    const Conversion conversions[] = {
        {fields::intakeDate, "12/25/23", 20231225, "12-25-2023"},
        {fields::intakeDate, "1-2-3", 20030102, "01-02-2003"},
        {fields::intakeDate, "12-25-1999", 19991225, "12-25-1999"},
        {fields::birthDate, "", 0, ""},
        {fields::age, "300", 44, " 44"},
        {fields::age, "abc", 0, ""},
        {fields::age, "2.5", 2, " 2"},
        {fields::age, "3.5", 4, " 4"},
        {fields::age, "-1", 255, " 255"},
        {fields::bowelMovements, "  12 a day", 12, " 12"},
        {fields::weight, "40000", -32768, "-32768"},
        {fields::weight, "-5", -5, "-5"},
    };
    for (const Conversion& conversion : conversions) {
        SCOPED_TRACE(std::string(conversion.field.name) + " typed \"" + conversion.typed + "\"");
        const int box = boxOf(conversion.field);
        prepareForm(addMode, ClientRecord{});
        runForm([&] {
            setText(nameBox, "Ann");
            setText(box, conversion.typed);
            press(processButton);
        });
        EXPECT_EQ(storedValue(conversion.field), conversion.stored);
        prepareForm(editMode, workingRecord);
        runForm([&] { EXPECT_EQ(textOf(box), conversion.shown); });
    }
}

TEST_F(FormTest, AddingWithOnlyANameStoresThePageOneDefaults) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        EXPECT_EQ(textOf(boxOf(fields::state)), "CA");
        setText(nameBox, "Bo");
        press(processButton);
    });
    ClientRecord expected = named("Bo");
    writeDate(expected, fields::intakeDate.span, dateFromText(todayText()));
    writeText(expected, fields::state.span, "CA");
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(sameRecord(workingRecord, expected));
}

TEST_F(FormTest, ChoiceWithoutCheckedOptionKeepsItsValue) {
    ClientRecord record = named("Ann");
    writeU8(record, fields::referral.span, 3);
    writeU8(record, fields::cycle.span, 2);
    prepareForm(editMode, record);
    runForm([] {
        for (const FieldInfo* field : {&fields::referral, &fields::cycle}) {
            goToPage(field->page);
            const int first = boxOf(*field);
            EXPECT_TRUE(isChecked(first - 1 + readU8(workingRecord, field->span)));
            controlSetOption(formWindow, first, first + field->items.count - 1, 0);
        }
        press(processButton);
    });
    EXPECT_EQ(readU8(workingRecord, fields::referral.span), 3);
    EXPECT_EQ(readU8(workingRecord, fields::cycle.span), 2);
}

TEST_F(FormTest, UntickingClearsTheBitAndKeepsTheOtherText) {
    ClientRecord record = named("Ann");
    writeItem(record, fields::removedOrgans.span, 0, true);
    writeItem(record, fields::removedOrgans.span, 1, true);
    writeText(record, fields::generalOther.span, "Old");
    writeItem(record, fields::cancer.span, 0, true);
    writeItem(record, fields::cancer.span, 9, true);
    writeText(record, fields::cancerOther.span, "Skin");
    prepareForm(editMode, record);
    runForm([] {
        goToPage(2);
        controlSetCheck(formWindow, boxOf(fields::removedOrgans) + 1, 0);
        goToPage(4);
        EXPECT_EQ(textOf(boxOf(fields::generalOther)), "Old");
        controlSetCheck(formWindow, boxOf(fields::generalConditions) + 22, 1);
        setText(boxOf(fields::generalOther), "New");
        goToPage(5);
        controlSetCheck(formWindow, boxOf(fields::cancer) + 9, 0);
        setText(boxOf(fields::cancerOther), "Changed");
        press(processButton);
    });
    EXPECT_TRUE(readItem(workingRecord, fields::removedOrgans.span, 0));
    EXPECT_FALSE(readItem(workingRecord, fields::removedOrgans.span, 1));
    EXPECT_TRUE(readItem(workingRecord, fields::generalConditions.span, 22));
    EXPECT_EQ(readText(workingRecord, fields::generalOther.span), "New");
    EXPECT_TRUE(readItem(workingRecord, fields::cancer.span, 0));
    EXPECT_FALSE(readItem(workingRecord, fields::cancer.span, 9));
    EXPECT_EQ(readText(workingRecord, fields::cancerOther.span), "Skin");
}

TEST_F(FormTest, MercuryFillingsShowAndStoreTheirThreeOptions) {
    struct Mercury {
        std::uint8_t stored;
        int option; // 0 Yes, 1 No, 2 Never
        std::uint8_t collected;
    };
    const Mercury cases[] = {
        {1, 0, 1}, {0, 1, 0}, {mercuryNever, 2, mercuryNever}, {7, 2, mercuryNever}};
    for (const Mercury& mercury : cases) {
        SCOPED_TRACE("stored " + std::to_string(mercury.stored));
        ClientRecord record = named("Ann");
        writeU8(record, fields::mercuryFillings.span, mercury.stored);
        prepareForm(editMode, record);
        runForm([&] {
            goToPage(3);
            const int first = boxOf(fields::mercuryFillings);
            for (int option = 0; option < 3; ++option)
                EXPECT_EQ(isChecked(first + option), option == mercury.option) << option;
            press(processButton);
        });
        EXPECT_EQ(readU8(workingRecord, fields::mercuryFillings.span), mercury.collected);
    }
}

TEST_F(FormTest, EveryTextBoxTakesAsManyCharactersAsItsField) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        goToPage(pageCount);
        for (std::size_t i = 0; i < bindingCount; ++i) {
            const FieldInfo& field = *bindings[i].field;
            if (field.kind != FieldKind::text && field.kind != FieldKind::otherText) continue;
            EXPECT_EQ(SendMessageW(control(bindings[i].firstId), EM_GETLIMITTEXT, 0, 0),
                      field.span.size - 1)
                << field.name;
        }
    });
}

// A full box refuses another typed character; one short of full takes it. In
// the multi-line boxes a line break counts as two characters.
TEST_F(FormTest, TypingStopsAtTheFieldsSize) {
    struct Typing {
        const FieldInfo& field;
        std::string before;
        const wchar_t* typed;
        bool taken;
    };
    // Two lines of narrow characters, which the box shows without scrolling.
    const std::string fullPrescriptions = std::string(88, '.') + "\r\n" + std::string(89, '.');
    const Typing typings[] = {
        {fields::name, std::string(31, 'n'), L"z", false},
        {fields::name, std::string(30, 'n'), L"z", true},
        {fields::state, "CA", L"z", false},
        {fields::prescriptions, fullPrescriptions, L".", false},
        {fields::prescriptions, fullPrescriptions.substr(1), L".", true},
    };
    prepareForm(addMode, ClientRecord{});
    runForm([&] {
        goToPage(2);
        for (const Typing& typing : typings) {
            SCOPED_TRACE(std::string(typing.field.name) + " with " +
                         std::to_string(typing.before.size()) + " characters");
            const int box = boxOf(typing.field);
            setText(box, typing.before);
            const LPARAM end = static_cast<LPARAM>(typing.before.size());
            SendMessageW(control(box), EM_SETSEL, static_cast<WPARAM>(end), end);
            typeInto(box, typing.typed);
            EXPECT_EQ(textOf(box).size(), typing.before.size() + (typing.taken ? 1 : 0));
        }
    });
}

TEST_F(FormTest, LongerTextFromElsewhereIsCutToTheField) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        setText(nameBox, std::string(40, 'x'));
        EXPECT_EQ(textOf(nameBox).size(), 40u);
        press(processButton);
    });
    EXPECT_EQ(readText(workingRecord, fields::name.span), std::string(31, 'x'));
}
