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
    const char* name; // the field's name, as in ClientRecord
    FieldSpan span;
    FieldKind kind;
    int page;              // the intake form's page that edits the field
    ItemList items;        // options of a choice or yes/no/never, items of a bit set
    const FieldInfo* list; // for otherText: the bit set whose last item guards it
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
namespace fields {
inline constexpr FieldInfo name{"name", CLIENT_FIELD(name), FieldKind::text, 1, {}, nullptr};
inline constexpr FieldInfo intakeDate{
    "intakeDate", CLIENT_FIELD(intakeDate), FieldKind::date, 1, {}, nullptr};
inline constexpr FieldInfo city{"city", CLIENT_FIELD(city), FieldKind::text, 1, {}, nullptr};
inline constexpr FieldInfo state{"state", CLIENT_FIELD(state), FieldKind::text, 1, {}, nullptr};
inline constexpr FieldInfo occupation{
    "occupation", CLIENT_FIELD(occupation), FieldKind::text, 1, {}, nullptr};
inline constexpr FieldInfo male{"male", CLIENT_FIELD(male), FieldKind::yesNo,
                                1,      sexOptions,         nullptr};
inline constexpr FieldInfo age{"age", CLIENT_FIELD(age), FieldKind::u8, 1, {}, nullptr};
inline constexpr FieldInfo birthDate{"birthDate", CLIENT_FIELD(birthDate), FieldKind::date, 1, {},
                                     nullptr};
inline constexpr FieldInfo weight{"weight", CLIENT_FIELD(weight), FieldKind::i16, 1, {}, nullptr};
inline constexpr FieldInfo heightIn{"heightIn", CLIENT_FIELD(heightIn), FieldKind::u8, 1, {},
                                    nullptr};
inline constexpr FieldInfo bloodPressure{
    "bloodPressure", CLIENT_FIELD(bloodPressure), FieldKind::text, 1, {}, nullptr};
inline constexpr FieldInfo bowelMovements{
    "bowelMovements", CLIENT_FIELD(bowelMovements), FieldKind::u8, 1, {}, nullptr};
inline constexpr FieldInfo hadColonic{
    "hadColonic", CLIENT_FIELD(hadColonic), FieldKind::yesNo, 1, yesNoOptions, nullptr};
inline constexpr FieldInfo colonicCount{
    "colonicCount", CLIENT_FIELD(colonicCount), FieldKind::u8, 1, {}, nullptr};
inline constexpr FieldInfo cleanseReason{
    "cleanseReason", CLIENT_FIELD(cleanseReason), FieldKind::text, 1, {}, nullptr};
inline constexpr FieldInfo referral{"referral", CLIENT_FIELD(referral), FieldKind::choice,
                                    1,          referralOptions,        nullptr};
inline constexpr FieldInfo prescriptions{
    "prescriptions", CLIENT_FIELD(prescriptions), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo otcMedications{
    "otcMedications", CLIENT_FIELD(otcMedications), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo supplements{
    "supplements", CLIENT_FIELD(supplements), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo removedOrgans{
    "removedOrgans", CLIENT_FIELD(removedOrgans), FieldKind::bitSet, 2, removedOrganItems, nullptr};
inline constexpr FieldInfo removedOther{
    "removedOther", CLIENT_FIELD(removedOther), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo hadColonoscopy{
    "hadColonoscopy", CLIENT_FIELD(hadColonoscopy), FieldKind::yesNo, 2, yesNoOptions, nullptr};
inline constexpr FieldInfo colonoscopyWhen{
    "colonoscopyWhen", CLIENT_FIELD(colonoscopyWhen), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo colonoscopyResults{
    "colonoscopyResults", CLIENT_FIELD(colonoscopyResults), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo colonTreated{
    "colonTreated", CLIENT_FIELD(colonTreated), FieldKind::yesNo, 2, yesNoOptions, nullptr};
inline constexpr FieldInfo colonTreatedWhen{
    "colonTreatedWhen", CLIENT_FIELD(colonTreatedWhen), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo colonDiagnosis{
    "colonDiagnosis", CLIENT_FIELD(colonDiagnosis), FieldKind::text, 2, {}, nullptr};
inline constexpr FieldInfo stoolMucus{
    "stoolMucus", CLIENT_FIELD(stoolMucus), FieldKind::yesNo, 3, yesNoOptions, nullptr};
inline constexpr FieldInfo stoolBlood{
    "stoolBlood", CLIENT_FIELD(stoolBlood), FieldKind::yesNo, 3, yesNoOptions, nullptr};
inline constexpr FieldInfo takesLaxatives{
    "takesLaxatives", CLIENT_FIELD(takesLaxatives), FieldKind::yesNo, 3, yesNoOptions, nullptr};
inline constexpr FieldInfo laxativesHowOften{
    "laxativesHowOften", CLIENT_FIELD(laxativesHowOften), FieldKind::text, 3, {}, nullptr};
inline constexpr FieldInfo waterOz{"waterOz", CLIENT_FIELD(waterOz), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo coffeeOz{"coffeeOz", CLIENT_FIELD(coffeeOz), FieldKind::u8, 3, {},
                                    nullptr};
inline constexpr FieldInfo blackTeaOz{"blackTeaOz", CLIENT_FIELD(blackTeaOz), FieldKind::u8, 3, {},
                                      nullptr};
inline constexpr FieldInfo softDrinksOz{
    "softDrinksOz", CLIENT_FIELD(softDrinksOz), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo antacids{"antacids", CLIENT_FIELD(antacids), FieldKind::u8, 3, {},
                                    nullptr};
inline constexpr FieldInfo cigarettes{"cigarettes", CLIENT_FIELD(cigarettes), FieldKind::u8, 3, {},
                                      nullptr};
inline constexpr FieldInfo alcoholicDrinks{
    "alcoholicDrinks", CLIENT_FIELD(alcoholicDrinks), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo artificialSweetener{
    "artificialSweetener", CLIENT_FIELD(artificialSweetener), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo childhoodVaccinations{"childhoodVaccinations",
                                                 CLIENT_FIELD(childhoodVaccinations),
                                                 FieldKind::yesNo,
                                                 3,
                                                 yesNoOptions,
                                                 nullptr};
inline constexpr FieldInfo adultVaccinations{"adultVaccinations", CLIENT_FIELD(adultVaccinations),
                                             FieldKind::yesNo,    3,
                                             yesNoOptions,        nullptr};
inline constexpr FieldInfo vaccinationCount{
    "vaccinationCount", CLIENT_FIELD(vaccinationCount), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo rootCanalCount{
    "rootCanalCount", CLIENT_FIELD(rootCanalCount), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo rootCanalYears{
    "rootCanalYears", CLIENT_FIELD(rootCanalYears), FieldKind::text, 3, {}, nullptr};
inline constexpr FieldInfo mercuryFillings{"mercuryFillings",     CLIENT_FIELD(mercuryFillings),
                                           FieldKind::yesNoNever, 3,
                                           mercuryOptions,        nullptr};
inline constexpr FieldInfo mercuryFillingCount{
    "mercuryFillingCount", CLIENT_FIELD(mercuryFillingCount), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo fillingsRemoved{
    "fillingsRemoved", CLIENT_FIELD(fillingsRemoved), FieldKind::yesNo, 3, yesNoOptions, nullptr};
inline constexpr FieldInfo biologicalDentist{"biologicalDentist", CLIENT_FIELD(biologicalDentist),
                                             FieldKind::yesNo,    3,
                                             yesNoOptions,        nullptr};
inline constexpr FieldInfo toxicAtWork{
    "toxicAtWork", CLIENT_FIELD(toxicAtWork), FieldKind::yesNo, 3, yesNoOptions, nullptr};
inline constexpr FieldInfo toxicAtHome{
    "toxicAtHome", CLIENT_FIELD(toxicAtHome), FieldKind::yesNo, 3, yesNoOptions, nullptr};
inline constexpr FieldInfo toxicWhat{"toxicWhat", CLIENT_FIELD(toxicWhat), FieldKind::text, 3, {},
                                     nullptr};
inline constexpr FieldInfo antibioticCourses{
    "antibioticCourses", CLIENT_FIELD(antibioticCourses), FieldKind::u8, 3, {}, nullptr};
inline constexpr FieldInfo elaboration{
    "elaboration", CLIENT_FIELD(elaboration), FieldKind::text, 3, {}, nullptr};
inline constexpr FieldInfo generalConditions{"generalConditions",   CLIENT_FIELD(generalConditions),
                                             FieldKind::bitSet,     4,
                                             generalConditionItems, nullptr};
inline constexpr FieldInfo generalOther{
    "generalOther", CLIENT_FIELD(generalOther), FieldKind::otherText, 4, {}, &generalConditions};
inline constexpr FieldInfo genitoUrinary{"genitoUrinary",    CLIENT_FIELD(genitoUrinary),
                                         FieldKind::bitSet,  4,
                                         genitoUrinaryItems, nullptr};
inline constexpr FieldInfo muscleJoint{
    "muscleJoint", CLIENT_FIELD(muscleJoint), FieldKind::bitSet, 5, muscleJointItems, nullptr};
inline constexpr FieldInfo gastroInternal{"gastroInternal",    CLIENT_FIELD(gastroInternal),
                                          FieldKind::bitSet,   4,
                                          gastroInternalItems, nullptr};
inline constexpr FieldInfo cancer{"cancer", CLIENT_FIELD(cancer), FieldKind::bitSet,
                                  5,        cancerItems,          nullptr};
inline constexpr FieldInfo cancerOther{
    "cancerOther", CLIENT_FIELD(cancerOther), FieldKind::otherText, 5, {}, &cancer};
inline constexpr FieldInfo familyCancer{
    "familyCancer", CLIENT_FIELD(familyCancer), FieldKind::bitSet, 5, cancerItems, nullptr};
inline constexpr FieldInfo familyCancerOther{
    "familyCancerOther", CLIENT_FIELD(familyCancerOther), FieldKind::otherText, 5, {},
    &familyCancer};
inline constexpr FieldInfo respiratory{
    "respiratory", CLIENT_FIELD(respiratory), FieldKind::bitSet, 5, respiratoryItems, nullptr};
inline constexpr FieldInfo cardiovascular{"cardiovascular",    CLIENT_FIELD(cardiovascular),
                                          FieldKind::bitSet,   4,
                                          cardiovascularItems, nullptr};
inline constexpr FieldInfo skinHair{"skinHair", CLIENT_FIELD(skinHair), FieldKind::bitSet,
                                    5,          skinHairItems,          nullptr};
inline constexpr FieldInfo menarcheAge{
    "menarcheAge", CLIENT_FIELD(menarcheAge), FieldKind::u8, 5, {}, nullptr};
inline constexpr FieldInfo cycle{"cycle", CLIENT_FIELD(cycle), FieldKind::choice,
                                 5,       cycleOptions,        nullptr};
inline constexpr FieldInfo womenConditions{"womenConditions",   CLIENT_FIELD(womenConditions),
                                           FieldKind::bitSet,   5,
                                           womenConditionItems, nullptr};
inline constexpr FieldInfo painMedicationHowOften{"painMedicationHowOften",
                                                  CLIENT_FIELD(painMedicationHowOften),
                                                  FieldKind::text,
                                                  5,
                                                  {},
                                                  nullptr};
} // namespace fields

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
