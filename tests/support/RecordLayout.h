// The client record's layout as the client file defines it, stated here apart
// from the program so that the tests can hold the program to it: every field
// in record order with its offset and size in bytes, its kind and the number of
// its options or items (0 for none). The scripts that write client files and
// fuzz seeds read the same rows (tests/support/record_layout.py).
#pragma once

#include "records/ClientFields.h"

#include <cstddef>
#include <string_view>

struct LayoutRow {
    const char* name;
    std::size_t offset;
    std::size_t size;
    FieldKind kind;
    int items;
};

#define LAYOUT_ROW(name, offset, size, kind, items)                                                \
    LayoutRow { #name, offset, size, FieldKind::kind, items }
inline constexpr LayoutRow recordLayout[] = {
    LAYOUT_ROW(name, 0, 32, text, 0),
    LAYOUT_ROW(intakeDate, 32, 4, date, 0),
    LAYOUT_ROW(city, 36, 24, text, 0),
    LAYOUT_ROW(state, 60, 3, text, 0),
    LAYOUT_ROW(occupation, 63, 24, text, 0),
    LAYOUT_ROW(male, 87, 1, yesNo, 2),
    LAYOUT_ROW(age, 88, 1, u8, 0),
    LAYOUT_ROW(birthDate, 89, 4, date, 0),
    LAYOUT_ROW(weight, 93, 2, i16, 0),
    LAYOUT_ROW(heightIn, 95, 1, u8, 0),
    LAYOUT_ROW(bloodPressure, 96, 8, text, 0),
    LAYOUT_ROW(bowelMovements, 104, 1, u8, 0),
    LAYOUT_ROW(hadColonic, 105, 1, yesNo, 2),
    LAYOUT_ROW(colonicCount, 106, 1, u8, 0),
    LAYOUT_ROW(cleanseReason, 107, 48, text, 0),
    LAYOUT_ROW(referral, 155, 1, choice, 8),
    LAYOUT_ROW(prescriptions, 156, 180, text, 0),
    LAYOUT_ROW(otcMedications, 336, 180, text, 0),
    LAYOUT_ROW(supplements, 516, 180, text, 0),
    LAYOUT_ROW(removedOrgans, 696, 1, bitSet, 4),
    LAYOUT_ROW(removedOther, 697, 24, text, 0),
    LAYOUT_ROW(hadColonoscopy, 721, 1, yesNo, 2),
    LAYOUT_ROW(colonoscopyWhen, 722, 16, text, 0),
    LAYOUT_ROW(colonoscopyResults, 738, 48, text, 0),
    LAYOUT_ROW(colonTreated, 786, 1, yesNo, 2),
    LAYOUT_ROW(colonTreatedWhen, 787, 16, text, 0),
    LAYOUT_ROW(colonDiagnosis, 803, 48, text, 0),
    LAYOUT_ROW(stoolMucus, 851, 1, yesNo, 2),
    LAYOUT_ROW(stoolBlood, 852, 1, yesNo, 2),
    LAYOUT_ROW(takesLaxatives, 853, 1, yesNo, 2),
    LAYOUT_ROW(laxativesHowOften, 854, 16, text, 0),
    LAYOUT_ROW(waterOz, 870, 1, u8, 0),
    LAYOUT_ROW(coffeeOz, 871, 1, u8, 0),
    LAYOUT_ROW(blackTeaOz, 872, 1, u8, 0),
    LAYOUT_ROW(softDrinksOz, 873, 1, u8, 0),
    LAYOUT_ROW(antacids, 874, 1, u8, 0),
    LAYOUT_ROW(cigarettes, 875, 1, u8, 0),
    LAYOUT_ROW(alcoholicDrinks, 876, 1, u8, 0),
    LAYOUT_ROW(artificialSweetener, 877, 1, u8, 0),
    LAYOUT_ROW(childhoodVaccinations, 878, 1, yesNo, 2),
    LAYOUT_ROW(adultVaccinations, 879, 1, yesNo, 2),
    LAYOUT_ROW(vaccinationCount, 880, 1, u8, 0),
    LAYOUT_ROW(rootCanalCount, 881, 1, u8, 0),
    LAYOUT_ROW(rootCanalYears, 882, 16, text, 0),
    LAYOUT_ROW(mercuryFillings, 898, 1, yesNoNever, 3),
    LAYOUT_ROW(mercuryFillingCount, 899, 1, u8, 0),
    LAYOUT_ROW(fillingsRemoved, 900, 1, yesNo, 2),
    LAYOUT_ROW(biologicalDentist, 901, 1, yesNo, 2),
    LAYOUT_ROW(toxicAtWork, 902, 1, yesNo, 2),
    LAYOUT_ROW(toxicAtHome, 903, 1, yesNo, 2),
    LAYOUT_ROW(toxicWhat, 904, 48, text, 0),
    LAYOUT_ROW(antibioticCourses, 952, 1, u8, 0),
    LAYOUT_ROW(elaboration, 953, 180, text, 0),
    LAYOUT_ROW(generalConditions, 1133, 4, bitSet, 23),
    LAYOUT_ROW(generalOther, 1137, 24, otherText, 0),
    LAYOUT_ROW(genitoUrinary, 1161, 1, bitSet, 6),
    LAYOUT_ROW(muscleJoint, 1162, 1, bitSet, 6),
    LAYOUT_ROW(gastroInternal, 1163, 4, bitSet, 19),
    LAYOUT_ROW(cancer, 1167, 2, bitSet, 10),
    LAYOUT_ROW(cancerOther, 1169, 24, otherText, 0),
    LAYOUT_ROW(familyCancer, 1193, 2, bitSet, 10),
    LAYOUT_ROW(familyCancerOther, 1195, 24, otherText, 0),
    LAYOUT_ROW(respiratory, 1219, 1, bitSet, 7),
    LAYOUT_ROW(cardiovascular, 1220, 1, bitSet, 7),
    LAYOUT_ROW(skinHair, 1221, 1, bitSet, 6),
    LAYOUT_ROW(menarcheAge, 1222, 1, u8, 0),
    LAYOUT_ROW(cycle, 1223, 1, choice, 4),
    LAYOUT_ROW(womenConditions, 1224, 1, bitSet, 3),
    LAYOUT_ROW(painMedicationHowOften, 1225, 16, text, 0),
};
#undef LAYOUT_ROW

// Where the last field ends: the size of a record.
inline constexpr std::size_t recordLayoutSize = 1241;

// The row of the field called `name`. Used in a constant expression, an
// unknown name does not compile.
constexpr const LayoutRow& layoutOf(std::string_view name) {
    for (const LayoutRow& row : recordLayout)
        if (name == row.name) return row;
    throw "no field of that name";
}
