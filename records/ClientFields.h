// The catalogue of the record's fields: name, place, kind and, for the ticked
// lists and the choices, the texts of their items. The intake form's pages and
// bindings and the file tools all take these facts from here.
#pragma once

#include "records/ClientRecord.h"

#include <cstddef>
#include <string_view>

enum class FieldKind {
    text,       // zero-terminated Windows-1252 text
    otherText,  // text stored only while the last item ("Other") of `list` is ticked
    date,       // year * 10000 + month * 100 + day, 0 for none
    u8,         // count or measurement, 0 for not answered
    i16,        // weight, 0 for not answered
    yesNo,      // 1 yes, 0 no or not answered (for `male`: 1 male, 0 female)
    yesNoNever, // 1 yes, 0 no, mercuryNever (or any other value) never
    choice,     // 1-based position of the selected option, 0 none
    bitSet,     // item k ticked when bit k is set
};

struct ItemList {
    const char* const* texts;
    int count;
};

struct FieldInfo {
    const char* name; // the name of its member in ClientRecord
    FieldSpan span;
    FieldKind kind;
    int page;                        // the intake form's page that edits the field
    ItemList items{};                // options of a choice or yes/no/never, items of a bit set
    const FieldInfo* list = nullptr; // for otherText: the bit set whose last item guards it
};

// Option and item texts, exactly as the form shows them. They are constants
// here so that the page tables can name them in their own constant tables.
inline constexpr const char* sexOptionsTexts[] = {"Male", "Female"};
inline constexpr ItemList sexOptions{sexOptionsTexts, 2};
inline constexpr const char* yesNoOptionsTexts[] = {"Yes", "No"};
inline constexpr ItemList yesNoOptions{yesNoOptionsTexts, 2};
inline constexpr const char* mercuryOptionsTexts[] = {"Yes", "No", "Never"};
inline constexpr ItemList mercuryOptions{mercuryOptionsTexts, 3};
inline constexpr const char* referralOptionsTexts[] = {
    "Family", "Friend",   "Doctor", "Health care Practioner",
    "Yelp",   "Internet", "TV",     "Social media"};
inline constexpr ItemList referralOptions{referralOptionsTexts, 8};
inline constexpr const char* cycleOptionsTexts[] = {"Regular", "Irregular", "Pre-Meno",
                                                    "Menopause"};
inline constexpr ItemList cycleOptions{cycleOptionsTexts, 4};
inline constexpr const char* removedOrganItemsTexts[] = {"tonsils", "appendix", "gall blander",
                                                         "uterus"};
inline constexpr ItemList removedOrganItems{removedOrganItemsTexts, 4};
inline constexpr const char* generalConditionItemsTexts[] = {"Allergies",
                                                             "Anemia",
                                                             "Cronic Fatigue",
                                                             "Depression",
                                                             "Diabetes",
                                                             "Dizziness",
                                                             "Double/Blurred Vissionn",
                                                             "Eating disorder",
                                                             "Enlarged thyroid",
                                                             "Epstein Barr",
                                                             "Fainting spells",
                                                             "Fatigue",
                                                             "Fibromyalgia",
                                                             "Headaches",
                                                             "Hepatitis",
                                                             "Hypoglycemia",
                                                             "Insomnia",
                                                             "Loss of weight",
                                                             "Lupus",
                                                             "Metal toxicity",
                                                             "Migraines",
                                                             "Seizures",
                                                             "Other"};
inline constexpr ItemList generalConditionItems{generalConditionItemsTexts, 23};
inline constexpr const char* genitoUrinaryItemsTexts[] = {
    "Kidney infection or stone", "Painful urination",          "Prostate trouble", "Kidney failure",
    "Frequent urination",        "Frequent urination at night"};
inline constexpr ItemList genitoUrinaryItems{genitoUrinaryItemsTexts, 6};
inline constexpr const char* cardiovascularItemsTexts[] = {
    "Angina (chest pain)", "High blood pressure", "Hardening of arteries", "Irregular heart beat",
    "Poor circulation",    "Rapid heart beat",    "Swelling of ankles"};
inline constexpr ItemList cardiovascularItems{cardiovascularItemsTexts, 7};
inline constexpr const char* gastroInternalItemsTexts[] = {"Bloating",
                                                           "Candida",
                                                           "Cirrhosis",
                                                           "Colitis",
                                                           "Constipation",
                                                           "Crohn's Disease",
                                                           "Diarrhea",
                                                           "Excessive belching",
                                                           "Excessive gas",
                                                           "Fissures/fistulas",
                                                           "Gall bladder disease",
                                                           "Heart burn",
                                                           "Hemorrhoids",
                                                           "IBS",
                                                           "Liver trouble",
                                                           "Rectal bleeding",
                                                           "Vomiting blood",
                                                           "Abdominal pain today",
                                                           "Abdominal pain past"};
inline constexpr ItemList gastroInternalItems{gastroInternalItemsTexts, 19};
inline constexpr const char* cancerItemsTexts[] = {"Breast",   "Colon",   "Lung",       "Prostate",
                                                   "Melanoma", "Uterine", "Pancreatic", "Urinary",
                                                   "Liver",    "Other"};
inline constexpr ItemList cancerItems{cancerItemsTexts, 10};
inline constexpr const char* muscleJointItemsTexts[] = {
    "Arthritis",     "Bursitis", "Low back pain", "Neck pain", "Rheumatoid Arthritis",
    "Swollen joints"};
inline constexpr ItemList muscleJointItems{muscleJointItemsTexts, 6};
inline constexpr const char* respiratoryItemsTexts[] = {
    "Asthma (wheezing)",  "Bronchitis",     "Chronic cough", "Emphysema",
    "Shotness of breath", "Vomiting blood", "Snoring"};
inline constexpr ItemList respiratoryItems{respiratoryItemsTexts, 7};
inline constexpr const char* skinHairItemsTexts[] = {"Acne",        "Bruise easily", "Dryness",
                                                     "Iching/Rash", "Psoriasis",     "Eczema"};
inline constexpr ItemList skinHairItems{skinHairItemsTexts, 6};
inline constexpr const char* womenConditionItemsTexts[] = {"Painful menstruation", "PMS",
                                                           "Vaginal discharge"};
inline constexpr ItemList womenConditionItems{womenConditionItemsTexts, 3};

// The fields, one constant each, in record order. The form's bindings name
// them directly, so a binding cannot name a field that does not exist.
// CLIENT_FIELD_INFO(member, kind, page[, items[, guarding list]]) declares
// fields::member; the field's name, offset and size all come from the record's
// member of that name.
#define CLIENT_FIELD_INFO(member, ...)                                                             \
    inline constexpr FieldInfo member { #member, CLIENT_FIELD(member), __VA_ARGS__ }
namespace fields {
CLIENT_FIELD_INFO(name, FieldKind::text, 1);
CLIENT_FIELD_INFO(intakeDate, FieldKind::date, 1);
CLIENT_FIELD_INFO(city, FieldKind::text, 1);
CLIENT_FIELD_INFO(state, FieldKind::text, 1);
CLIENT_FIELD_INFO(occupation, FieldKind::text, 1);
CLIENT_FIELD_INFO(male, FieldKind::yesNo, 1, sexOptions);
CLIENT_FIELD_INFO(age, FieldKind::u8, 1);
CLIENT_FIELD_INFO(birthDate, FieldKind::date, 1);
CLIENT_FIELD_INFO(weight, FieldKind::i16, 1);
CLIENT_FIELD_INFO(heightIn, FieldKind::u8, 1);
CLIENT_FIELD_INFO(bloodPressure, FieldKind::text, 1);
CLIENT_FIELD_INFO(bowelMovements, FieldKind::u8, 1);
CLIENT_FIELD_INFO(hadColonic, FieldKind::yesNo, 1, yesNoOptions);
CLIENT_FIELD_INFO(colonicCount, FieldKind::u8, 1);
CLIENT_FIELD_INFO(cleanseReason, FieldKind::text, 1);
CLIENT_FIELD_INFO(referral, FieldKind::choice, 1, referralOptions);
CLIENT_FIELD_INFO(prescriptions, FieldKind::text, 2);
CLIENT_FIELD_INFO(otcMedications, FieldKind::text, 2);
CLIENT_FIELD_INFO(supplements, FieldKind::text, 2);
CLIENT_FIELD_INFO(removedOrgans, FieldKind::bitSet, 2, removedOrganItems);
CLIENT_FIELD_INFO(removedOther, FieldKind::text, 2);
CLIENT_FIELD_INFO(hadColonoscopy, FieldKind::yesNo, 2, yesNoOptions);
CLIENT_FIELD_INFO(colonoscopyWhen, FieldKind::text, 2);
CLIENT_FIELD_INFO(colonoscopyResults, FieldKind::text, 2);
CLIENT_FIELD_INFO(colonTreated, FieldKind::yesNo, 2, yesNoOptions);
CLIENT_FIELD_INFO(colonTreatedWhen, FieldKind::text, 2);
CLIENT_FIELD_INFO(colonDiagnosis, FieldKind::text, 2);
CLIENT_FIELD_INFO(stoolMucus, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(stoolBlood, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(takesLaxatives, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(laxativesHowOften, FieldKind::text, 3);
CLIENT_FIELD_INFO(waterOz, FieldKind::u8, 3);
CLIENT_FIELD_INFO(coffeeOz, FieldKind::u8, 3);
CLIENT_FIELD_INFO(blackTeaOz, FieldKind::u8, 3);
CLIENT_FIELD_INFO(softDrinksOz, FieldKind::u8, 3);
CLIENT_FIELD_INFO(antacids, FieldKind::u8, 3);
CLIENT_FIELD_INFO(cigarettes, FieldKind::u8, 3);
CLIENT_FIELD_INFO(alcoholicDrinks, FieldKind::u8, 3);
CLIENT_FIELD_INFO(artificialSweetener, FieldKind::u8, 3);
CLIENT_FIELD_INFO(childhoodVaccinations, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(adultVaccinations, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(vaccinationCount, FieldKind::u8, 3);
CLIENT_FIELD_INFO(rootCanalCount, FieldKind::u8, 3);
CLIENT_FIELD_INFO(rootCanalYears, FieldKind::text, 3);
CLIENT_FIELD_INFO(mercuryFillings, FieldKind::yesNoNever, 3, mercuryOptions);
CLIENT_FIELD_INFO(mercuryFillingCount, FieldKind::u8, 3);
CLIENT_FIELD_INFO(fillingsRemoved, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(biologicalDentist, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(toxicAtWork, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(toxicAtHome, FieldKind::yesNo, 3, yesNoOptions);
CLIENT_FIELD_INFO(toxicWhat, FieldKind::text, 3);
CLIENT_FIELD_INFO(antibioticCourses, FieldKind::u8, 3);
CLIENT_FIELD_INFO(elaboration, FieldKind::text, 3);
CLIENT_FIELD_INFO(generalConditions, FieldKind::bitSet, 4, generalConditionItems);
CLIENT_FIELD_INFO(generalOther, FieldKind::otherText, 4, {}, &generalConditions);
CLIENT_FIELD_INFO(genitoUrinary, FieldKind::bitSet, 4, genitoUrinaryItems);
CLIENT_FIELD_INFO(muscleJoint, FieldKind::bitSet, 5, muscleJointItems);
CLIENT_FIELD_INFO(gastroInternal, FieldKind::bitSet, 4, gastroInternalItems);
CLIENT_FIELD_INFO(cancer, FieldKind::bitSet, 5, cancerItems);
CLIENT_FIELD_INFO(cancerOther, FieldKind::otherText, 5, {}, &cancer);
CLIENT_FIELD_INFO(familyCancer, FieldKind::bitSet, 5, cancerItems);
CLIENT_FIELD_INFO(familyCancerOther, FieldKind::otherText, 5, {}, &familyCancer);
CLIENT_FIELD_INFO(respiratory, FieldKind::bitSet, 5, respiratoryItems);
CLIENT_FIELD_INFO(cardiovascular, FieldKind::bitSet, 4, cardiovascularItems);
CLIENT_FIELD_INFO(skinHair, FieldKind::bitSet, 5, skinHairItems);
CLIENT_FIELD_INFO(menarcheAge, FieldKind::u8, 5);
CLIENT_FIELD_INFO(cycle, FieldKind::choice, 5, cycleOptions);
CLIENT_FIELD_INFO(womenConditions, FieldKind::bitSet, 5, womenConditionItems);
CLIENT_FIELD_INFO(painMedicationHowOften, FieldKind::text, 5);
} // namespace fields
#undef CLIENT_FIELD_INFO

// Every field in record order.
inline constexpr const FieldInfo* clientFields[] = {&fields::name,
                                                    &fields::intakeDate,
                                                    &fields::city,
                                                    &fields::state,
                                                    &fields::occupation,
                                                    &fields::male,
                                                    &fields::age,
                                                    &fields::birthDate,
                                                    &fields::weight,
                                                    &fields::heightIn,
                                                    &fields::bloodPressure,
                                                    &fields::bowelMovements,
                                                    &fields::hadColonic,
                                                    &fields::colonicCount,
                                                    &fields::cleanseReason,
                                                    &fields::referral,
                                                    &fields::prescriptions,
                                                    &fields::otcMedications,
                                                    &fields::supplements,
                                                    &fields::removedOrgans,
                                                    &fields::removedOther,
                                                    &fields::hadColonoscopy,
                                                    &fields::colonoscopyWhen,
                                                    &fields::colonoscopyResults,
                                                    &fields::colonTreated,
                                                    &fields::colonTreatedWhen,
                                                    &fields::colonDiagnosis,
                                                    &fields::stoolMucus,
                                                    &fields::stoolBlood,
                                                    &fields::takesLaxatives,
                                                    &fields::laxativesHowOften,
                                                    &fields::waterOz,
                                                    &fields::coffeeOz,
                                                    &fields::blackTeaOz,
                                                    &fields::softDrinksOz,
                                                    &fields::antacids,
                                                    &fields::cigarettes,
                                                    &fields::alcoholicDrinks,
                                                    &fields::artificialSweetener,
                                                    &fields::childhoodVaccinations,
                                                    &fields::adultVaccinations,
                                                    &fields::vaccinationCount,
                                                    &fields::rootCanalCount,
                                                    &fields::rootCanalYears,
                                                    &fields::mercuryFillings,
                                                    &fields::mercuryFillingCount,
                                                    &fields::fillingsRemoved,
                                                    &fields::biologicalDentist,
                                                    &fields::toxicAtWork,
                                                    &fields::toxicAtHome,
                                                    &fields::toxicWhat,
                                                    &fields::antibioticCourses,
                                                    &fields::elaboration,
                                                    &fields::generalConditions,
                                                    &fields::generalOther,
                                                    &fields::genitoUrinary,
                                                    &fields::muscleJoint,
                                                    &fields::gastroInternal,
                                                    &fields::cancer,
                                                    &fields::cancerOther,
                                                    &fields::familyCancer,
                                                    &fields::familyCancerOther,
                                                    &fields::respiratory,
                                                    &fields::cardiovascular,
                                                    &fields::skinHair,
                                                    &fields::menarcheAge,
                                                    &fields::cycle,
                                                    &fields::womenConditions,
                                                    &fields::painMedicationHowOften};

// Looks a field up by its name; nullptr when there is none.
const FieldInfo* findField(std::string_view name);
