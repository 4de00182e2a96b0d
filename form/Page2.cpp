// Page 2 of the questionnaire: medication, removed organs and colon history.
#include "form/PageTable.h"
#include "records/ClientFields.h"

#include <iterator>

namespace {

constexpr ControlRow page2Controls[] = {
    {301, ControlKind::label,
     "List prescriptions you are currently taking (or taken in the past)"
     " and for what diagnosis it is used for:",
     5, 5, 330, 10, 0, 0, lookWhiteBlack},
    {302, ControlKind::textBox, "", 5, 15, 330, 20, ES_MULTILINE | ES_WANTRETURN, WS_EX_STATICEDGE,
     lookPlain},
    {303, ControlKind::label, "Over-the-counter medications:", 5, 50, 330, 10, 0, 0,
     lookWhiteBlack},
    {304, ControlKind::textBox, "", 5, 60, 330, 20, ES_MULTILINE | ES_WANTRETURN, WS_EX_STATICEDGE,
     lookPlain},
    {305, ControlKind::label, "Supplements:", 5, 95, 330, 10, 0, 0, lookWhiteBlack},
    {306, ControlKind::textBox, "", 5, 105, 330, 20, ES_MULTILINE | ES_WANTRETURN, WS_EX_STATICEDGE,
     lookPlain},
    {307, ControlKind::label, "Check any of the following you had removed: ", 5, 140, 150, 10, 0, 0,
     lookWhiteBlack},
    {309, ControlKind::checkBox, removedOrganItemsTexts[0], 5, 155, 35, 10, 0, 0, lookWhiteBlack},
    {310, ControlKind::checkBox, removedOrganItemsTexts[1], 55, 155, 45, 10, 0, 0, lookWhiteBlack},
    {311, ControlKind::checkBox, removedOrganItemsTexts[2], 110, 155, 50, 10, 0, 0, lookWhiteBlack},
    {312, ControlKind::checkBox, removedOrganItemsTexts[3], 170, 155, 35, 10, 0, 0, lookWhiteBlack},
    {313, ControlKind::label, "Other:", 216, 155, 30, 10, 0, 0, lookWhiteBlack},
    {314, ControlKind::textBox, "", 240, 155, 98, 10, 0, 0, lookPlain},
    {315, ControlKind::label, "Have you had a colonoscopy?", 5, 180, 100, 10, 0, 0, lookWhiteBlack},
    {316, ControlKind::optionButton, yesNoOptionsTexts[0], 110, 180, 25, 10, WS_GROUP, 0,
     lookWhiteBlack},
    {317, ControlKind::optionButton, yesNoOptionsTexts[1], 140, 180, 25, 10, 0, 0, lookWhiteBlack},
    {318, ControlKind::label, "When?", 200, 180, 25, 10, 0, 0, lookWhiteBlack},
    {319, ControlKind::textBox, "", 225, 180, 50, 10, 0, 0, lookPlain},
    {320, ControlKind::label, "Results?", 5, 195, 30, 10, 0, 0, lookWhiteBlack},
    {321, ControlKind::textBox, "", 35, 195, 150, 10, 0, 0, lookPlain},
    {322, ControlKind::label, "Have you ever been treated for colon problems?", 5, 220, 200, 10, 0,
     0, lookWhiteBlack},
    {323, ControlKind::optionButton, yesNoOptionsTexts[0], 160, 220, 25, 10, WS_GROUP, 0,
     lookWhiteBlack},
    {324, ControlKind::optionButton, yesNoOptionsTexts[1], 190, 220, 25, 10, 0, 0, lookWhiteBlack},
    {325, ControlKind::label, "When?", 240, 220, 25, 10, 0, 0, lookWhiteBlack},
    {326, ControlKind::textBox, "", 265, 220, 50, 10, 0, 0, lookPlain},
    {327, ControlKind::label, "Diagnosis?", 5, 235, 35, 10, 0, 0, lookWhiteBlack},
    {328, ControlKind::textBox, "", 40, 235, 150, 10, 0, 0, lookPlain},
};
static_assert(std::size(page2Controls) == 27);

} // namespace

constexpr PageTable page2Table{page2Controls, std::size(page2Controls)};
