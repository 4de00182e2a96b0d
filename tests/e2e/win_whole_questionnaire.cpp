// A client answered on all five pages, through the real program's windows:
// the saved record is exactly the record the answers make, and an edit that
// visits only page 1 changes nothing else, byte for byte.
#include "win_process.h"

#include "records/ClientCodec.h"
#include "records/ClientFields.h"
#include "records/ClientRecord.h"
#include "tests/support/SameRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TypedAnswer {
    int id;
    const wchar_t* text;
};

// What the user types and ticks on each page, and what it stores.
struct PageAnswers {
    std::vector<TypedAnswer> typed;
    std::vector<int> clicked;
};

const PageAnswers answers[] = {
    {{{202, L"Quinn Whole"},
      {204, L"01-02-2025"},
      {206, L"Reno"},
      {216, L"07-04-1980"},
      {224, L"2"},
      {229, L"5"}},
     {226, 236}},
    {{{304, L"Vitamin D"}, {314, L"spleen"}, {319, L"2020"}}, {311, 316}},
    {{{413, L"64"},
      {416, L"12"},
      {441, L"2"},
      {439, L"1999"},
      {447, L"3"},
      {465, L"line one\r\nline two"}},
     {404, 405, 445}},
    {{{558, L"gout"}}, {503, 523, 529, 536, 555}},
    {{{645, L"skin"}, {647, L"bone"}, {653, L"13"}, {660, L"weekly"}},
     {610, 620, 626, 632, 639, 658, 642}},
};

ClientRecord expectedRecord() {
    ClientRecord r;
    recordReset(r);
    writeText(r, fields::name.span, "Quinn Whole");
    writeDate(r, fields::intakeDate.span, 20250102);
    writeText(r, fields::city.span, "Reno");
    writeText(r, fields::state.span, "CA");
    writeDate(r, fields::birthDate.span, 19800704);
    writeU8(r, fields::bowelMovements.span, 2);
    writeU8(r, fields::hadColonic.span, 1);
    writeU8(r, fields::colonicCount.span, 5);
    writeU8(r, fields::referral.span, 4);
    writeText(r, fields::otcMedications.span, "Vitamin D");
    writeItem(r, fields::removedOrgans.span, 2, true);
    writeText(r, fields::removedOther.span, "spleen");
    writeU8(r, fields::hadColonoscopy.span, 1);
    writeText(r, fields::colonoscopyWhen.span, "2020");
    writeU8(r, fields::stoolBlood.span, 1);
    writeU8(r, fields::waterOz.span, 64);
    writeU8(r, fields::coffeeOz.span, 12);
    writeU8(r, fields::rootCanalCount.span, 2);
    writeText(r, fields::rootCanalYears.span, "1999");
    writeU8(r, fields::mercuryFillings.span, mercuryNever);
    writeU8(r, fields::mercuryFillingCount.span, 3);
    writeText(r, fields::elaboration.span, "line one\r\nline two");
    writeItem(r, fields::generalConditions.span, 2, true);
    writeItem(r, fields::generalConditions.span, 22, true);
    writeText(r, fields::generalOther.span, "gout");
    writeItem(r, fields::genitoUrinary.span, 5, true);
    writeItem(r, fields::cardiovascular.span, 6, true);
    writeItem(r, fields::gastroInternal.span, 18, true);
    writeItem(r, fields::cancer.span, 9, true);
    writeText(r, fields::cancerOther.span, "skin");
    writeItem(r, fields::familyCancer.span, 9, true);
    writeText(r, fields::familyCancerOther.span, "bone");
    writeItem(r, fields::muscleJoint.span, 5, true);
    writeItem(r, fields::respiratory.span, 5, true);
    writeItem(r, fields::skinHair.span, 5, true);
    writeU8(r, fields::menarcheAge.span, 13);
    writeU8(r, fields::cycle.span, 4);
    writeItem(r, fields::womenConditions.span, 2, true);
    writeText(r, fields::painMedicationHowOften.span, "weekly");
    return r;
}

// The saved file holds exactly the one client `expected`; a failure names the
// fields that differ.
void expectSavedAs(const Bytes& saved, const ClientRecord& expected) {
    const DecodedClients decoded = decodeClients(saved.data(), saved.size());
    ASSERT_EQ(decoded.records.size(), 1u);
    EXPECT_TRUE(sameRecord(decoded.records[0], expected));
    EXPECT_EQ(saved, encodeClients({expected}));
}

TEST(WholeQuestionnaire, AnsweredOnAllPagesSurvivesSaveRestartAndEdit) {
    const TempFolder folder;
    const std::wstring exe = folder.installProgram();
    {
        const Program program(exe);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr);
        click(main, 102);
        const HWND form = waitForWindow(program, L"Add_Forms");
        ASSERT_NE(form, nullptr);
        for (const PageAnswers& page : answers) {
            ASSERT_NE(waitForControl(form, page.typed.front().id), nullptr);
            for (const TypedAnswer& answer : page.typed)
                typeText(form, answer.id, answer.text);
            for (const int id : page.clicked)
                click(form, id);
            click(form, 152); // Next; on page 5 it changes nothing
        }
        click(form, 150);
        ASSERT_TRUE(waitUntilGone(form));
        ASSERT_NO_FATAL_FAILURE(quitSaving(program, main));
    }
    ClientRecord expected = expectedRecord();
    Bytes saved = folder.clientFile();
    expectSavedAs(saved, expected);

    // Edit visits page 1 only: the other pages' answers stay as stored.
    {
        const Program program(exe);
        const HWND main = waitForMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(listLines(main), std::vector<std::wstring>{L"Quinn Whole"});
        click(main, 104);
        const HWND form = waitForWindow(program, L"Edit_Forms");
        ASSERT_NE(form, nullptr);
        ASSERT_NE(waitForControl(form, 206), nullptr);
        EXPECT_EQ(controlText(form, 206), L"Reno");
        typeText(form, 206, L"Sparks");
        click(form, 150);
        ASSERT_TRUE(waitUntilGone(form));
        ASSERT_NO_FATAL_FAILURE(quitSaving(program, main));
    }
    writeText(expected, fields::city.span, "Sparks");
    saved = folder.clientFile();
    expectSavedAs(saved, expected);
}

} // namespace
