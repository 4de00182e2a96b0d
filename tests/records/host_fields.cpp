#include "records/ClientFields.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using K = FieldKind;

struct Expected {
    const char* name;
    int offset;
    int size;
    FieldKind kind;
    int items; // options or items of the field's list, 0 for none
};

// The record's layout as the client file defines it, field by field.
constexpr Expected layout[] = {
    {"name", 0, 32, K::text, 0},
    {"intakeDate", 32, 4, K::date, 0},
    {"city", 36, 24, K::text, 0},
    {"state", 60, 3, K::text, 0},
    {"occupation", 63, 24, K::text, 0},
    {"male", 87, 1, K::yesNo, 2},
    {"age", 88, 1, K::u8, 0},
    {"birthDate", 89, 4, K::date, 0},
    {"weight", 93, 2, K::i16, 0},
    {"heightIn", 95, 1, K::u8, 0},
    {"bloodPressure", 96, 8, K::text, 0},
    {"bowelMovements", 104, 1, K::u8, 0},
    {"hadColonic", 105, 1, K::yesNo, 2},
    {"colonicCount", 106, 1, K::u8, 0},
    {"cleanseReason", 107, 48, K::text, 0},
    {"referral", 155, 1, K::choice, 8},
    {"prescriptions", 156, 180, K::text, 0},
    {"otcMedications", 336, 180, K::text, 0},
    {"supplements", 516, 180, K::text, 0},
    {"removedOrgans", 696, 1, K::bitSet, 4},
    {"removedOther", 697, 24, K::text, 0},
    {"hadColonoscopy", 721, 1, K::yesNo, 2},
    {"colonoscopyWhen", 722, 16, K::text, 0},
    {"colonoscopyResults", 738, 48, K::text, 0},
    {"colonTreated", 786, 1, K::yesNo, 2},
    {"colonTreatedWhen", 787, 16, K::text, 0},
    {"colonDiagnosis", 803, 48, K::text, 0},
    {"stoolMucus", 851, 1, K::yesNo, 2},
    {"stoolBlood", 852, 1, K::yesNo, 2},
    {"takesLaxatives", 853, 1, K::yesNo, 2},
    {"laxativesHowOften", 854, 16, K::text, 0},
    {"waterOz", 870, 1, K::u8, 0},
    {"coffeeOz", 871, 1, K::u8, 0},
    {"blackTeaOz", 872, 1, K::u8, 0},
    {"softDrinksOz", 873, 1, K::u8, 0},
    {"antacids", 874, 1, K::u8, 0},
    {"cigarettes", 875, 1, K::u8, 0},
    {"alcoholicDrinks", 876, 1, K::u8, 0},
    {"artificialSweetener", 877, 1, K::u8, 0},
    {"childhoodVaccinations", 878, 1, K::yesNo, 2},
    {"adultVaccinations", 879, 1, K::yesNo, 2},
    {"vaccinationCount", 880, 1, K::u8, 0},
    {"rootCanalCount", 881, 1, K::u8, 0},
    {"rootCanalYears", 882, 16, K::text, 0},
    {"mercuryFillings", 898, 1, K::yesNoNever, 3},
    {"mercuryFillingCount", 899, 1, K::u8, 0},
    {"fillingsRemoved", 900, 1, K::yesNo, 2},
    {"biologicalDentist", 901, 1, K::yesNo, 2},
    {"toxicAtWork", 902, 1, K::yesNo, 2},
    {"toxicAtHome", 903, 1, K::yesNo, 2},
    {"toxicWhat", 904, 48, K::text, 0},
    {"antibioticCourses", 952, 1, K::u8, 0},
    {"elaboration", 953, 180, K::text, 0},
    {"generalConditions", 1133, 4, K::bitSet, 23},
    {"generalOther", 1137, 24, K::otherText, 0},
    {"genitoUrinary", 1161, 1, K::bitSet, 6},
    {"muscleJoint", 1162, 1, K::bitSet, 6},
    {"gastroInternal", 1163, 4, K::bitSet, 19},
    {"cancer", 1167, 2, K::bitSet, 10},
    {"cancerOther", 1169, 24, K::otherText, 0},
    {"familyCancer", 1193, 2, K::bitSet, 10},
    {"familyCancerOther", 1195, 24, K::otherText, 0},
    {"respiratory", 1219, 1, K::bitSet, 7},
    {"cardiovascular", 1220, 1, K::bitSet, 7},
    {"skinHair", 1221, 1, K::bitSet, 6},
    {"menarcheAge", 1222, 1, K::u8, 0},
    {"cycle", 1223, 1, K::choice, 4},
    {"womenConditions", 1224, 1, K::bitSet, 3},
    {"painMedicationHowOften", 1225, 16, K::text, 0},
};

TEST(ClientFields, CatalogueMatchesTheLayoutInRecordOrder) {
    ASSERT_EQ(std::size(clientFields), std::size(layout));
    for (std::size_t k = 0; k < std::size(layout); ++k) {
        const Expected& e = layout[k];
        const FieldInfo* field = findField(e.name);
        ASSERT_NE(field, nullptr) << e.name;
        EXPECT_EQ(field, clientFields[k]) << e.name << " is not field " << k;
        EXPECT_EQ(field->span.offset, e.offset) << e.name;
        EXPECT_EQ(field->span.size, e.size) << e.name;
        EXPECT_EQ(field->kind, e.kind) << e.name;
        EXPECT_EQ(field->items.count, e.items) << e.name;
    }
}

TEST(ClientFields, OtherTextsFollowTheOtherItemOfTheirList) {
    const std::pair<const char*, const char*> guarded[] = {{"generalOther", "generalConditions"},
                                                           {"cancerOther", "cancer"},
                                                           {"familyCancerOther", "familyCancer"}};
    for (const auto& [text, list] : guarded) {
        const FieldInfo* field = findField(text);
        ASSERT_NE(field, nullptr) << text;
        ASSERT_EQ(field->list, findField(list)) << text;
        const ItemList& items = field->list->items;
        EXPECT_EQ(std::string(items.texts[items.count - 1]), "Other") << list;
    }
}

TEST(ClientFields, UnknownNamesAreNotFound) {
    for (const char* name : {"", "Name", "nam", "names", "weight "})
        EXPECT_EQ(findField(name), nullptr) << '"' << name << '"';
}

} // namespace
