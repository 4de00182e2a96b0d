// The form's bindings: each field of the record with the first control that
// shows it, page by page in the order collect reads them.
#include "form/Bindings.h"

#include <iterator>

constexpr Binding bindings[] = {
    // Page 1
    {&fields::name, 202},
    {&fields::intakeDate, 204},
    {&fields::city, 206},
    {&fields::state, 208},
    {&fields::occupation, 210},
    {&fields::male, 211},
    {&fields::age, 214},
    {&fields::birthDate, 216},
    {&fields::weight, 218},
    {&fields::heightIn, 220},
    {&fields::bloodPressure, 222},
    {&fields::bowelMovements, 224},
    {&fields::hadColonic, 226},
    {&fields::colonicCount, 229},
    {&fields::cleanseReason, 231},
    {&fields::referral, 233},
    // Page 2
    {&fields::prescriptions, 302},
    {&fields::otcMedications, 304},
    {&fields::supplements, 306},
    {&fields::removedOrgans, 309},
    {&fields::removedOther, 314},
    {&fields::hadColonoscopy, 316},
    {&fields::colonoscopyWhen, 319},
    {&fields::colonoscopyResults, 321},
    {&fields::colonTreated, 323},
    {&fields::colonTreatedWhen, 326},
    {&fields::colonDiagnosis, 328},
    // Page 3
    {&fields::stoolMucus, 403},
    {&fields::stoolBlood, 405},
    {&fields::takesLaxatives, 408},
    {&fields::laxativesHowOften, 411},
    {&fields::waterOz, 413},
    {&fields::coffeeOz, 416},
    {&fields::blackTeaOz, 418},
    {&fields::softDrinksOz, 420},
    {&fields::antacids, 422},
    {&fields::cigarettes, 424},
    {&fields::alcoholicDrinks, 426},
    {&fields::artificialSweetener, 428},
    {&fields::childhoodVaccinations, 431},
    {&fields::adultVaccinations, 434},
    {&fields::vaccinationCount, 437},
    {&fields::rootCanalCount, 441},
    {&fields::rootCanalYears, 439},
    {&fields::mercuryFillings, 443},
    {&fields::mercuryFillingCount, 447},
    {&fields::fillingsRemoved, 449},
    {&fields::biologicalDentist, 452},
    {&fields::toxicAtWork, 455},
    {&fields::toxicAtHome, 458},
    {&fields::toxicWhat, 461},
    {&fields::antibioticCourses, 463},
    {&fields::elaboration, 465},
    // Page 4: an "Other" text right after its list
    {&fields::generalConditions, 501},
    {&fields::generalOther, 558},
    {&fields::genitoUrinary, 524},
    {&fields::cardiovascular, 530},
    {&fields::gastroInternal, 537},
    // Page 5
    {&fields::cancer, 601},
    {&fields::cancerOther, 645},
    {&fields::familyCancer, 611},
    {&fields::familyCancerOther, 647},
    {&fields::muscleJoint, 621},
    {&fields::respiratory, 627},
    {&fields::skinHair, 634},
    {&fields::menarcheAge, 653},
    {&fields::cycle, 655},
    {&fields::womenConditions, 640},
    {&fields::painMedicationHowOften, 660},
};
constexpr std::size_t bindingCount = std::size(bindings);

namespace {

// Every field of the catalogue is bound exactly once, and the pages follow each
// other in order.
constexpr bool bindsEveryFieldOnce() {
    if (bindingCount != std::size(clientFields)) return false;
    for (const FieldInfo* field : clientFields) {
        int uses = 0;
        for (const Binding& binding : bindings)
            uses += binding.field == field ? 1 : 0;
        if (uses != 1) return false;
    }
    return true;
}
static_assert(bindsEveryFieldOnce());

constexpr bool pagesInOrder() {
    for (std::size_t i = 1; i < bindingCount; ++i)
        if (bindings[i].field->page < bindings[i - 1].field->page) return false;
    return true;
}
static_assert(pagesInOrder());

} // namespace
