// Page 5 of the questionnaire: the check lists "Cancer", "Cancer in family",
// "MUSCLE & JOINT", "RESPIRATORY" and "SKIN/HAIR" in three columns under their
// headings, then the questions for women. Label 654 "Cycle:" keeps the
// platform's colours.
#include "form/PageTable.h"
#include "records/ClientFields.h"

#include <iterator>

namespace {

constexpr ControlRow page5Controls[] = {
    {643, ControlKind::label, "Please check all that apply", 5, 5, 100, 10, 0, 0, lookWhiteBlack},
    {644, ControlKind::label, "Cancer", 5, 15, 70, 10, 0, 0, lookWhiteBlack | lookHeading},
    {601, ControlKind::checkBox, cancerItemsTexts[0], 5, 25, 40, 10, 0, 0, lookWhiteBlack},
    {602, ControlKind::checkBox, cancerItemsTexts[1], 119, 25, 40, 10, 0, 0, lookWhiteBlack},
    {603, ControlKind::checkBox, cancerItemsTexts[2], 233, 25, 40, 10, 0, 0, lookWhiteBlack},
    {604, ControlKind::checkBox, cancerItemsTexts[3], 5, 35, 40, 10, 0, 0, lookWhiteBlack},
    {605, ControlKind::checkBox, cancerItemsTexts[4], 119, 35, 40, 10, 0, 0, lookWhiteBlack},
    {606, ControlKind::checkBox, cancerItemsTexts[5], 233, 35, 40, 10, 0, 0, lookWhiteBlack},
    {607, ControlKind::checkBox, cancerItemsTexts[6], 5, 45, 40, 10, 0, 0, lookWhiteBlack},
    {608, ControlKind::checkBox, cancerItemsTexts[7], 119, 45, 40, 10, 0, 0, lookWhiteBlack},
    {609, ControlKind::checkBox, cancerItemsTexts[8], 233, 45, 40, 10, 0, 0, lookWhiteBlack},
    {610, ControlKind::checkBox, cancerItemsTexts[9], 5, 55, 30, 10, 0, 0, lookWhiteBlack},
    {645, ControlKind::textBox, "", 37, 55, 60, 10, 0, 0, lookWhiteBlack},
    {646, ControlKind::label, "Cancer in family", 5, 75, 70, 10, 0, 0,
     lookWhiteBlack | lookHeading},
    {611, ControlKind::checkBox, cancerItemsTexts[0], 5, 85, 40, 10, 0, 0, lookWhiteBlack},
    {612, ControlKind::checkBox, cancerItemsTexts[1], 119, 85, 40, 10, 0, 0, lookWhiteBlack},
    {613, ControlKind::checkBox, cancerItemsTexts[2], 233, 85, 40, 10, 0, 0, lookWhiteBlack},
    {614, ControlKind::checkBox, cancerItemsTexts[3], 5, 95, 40, 10, 0, 0, lookWhiteBlack},
    {615, ControlKind::checkBox, cancerItemsTexts[4], 119, 95, 40, 10, 0, 0, lookWhiteBlack},
    {616, ControlKind::checkBox, cancerItemsTexts[5], 233, 95, 40, 10, 0, 0, lookWhiteBlack},
    {617, ControlKind::checkBox, cancerItemsTexts[6], 5, 105, 40, 10, 0, 0, lookWhiteBlack},
    {618, ControlKind::checkBox, cancerItemsTexts[7], 119, 105, 40, 10, 0, 0, lookWhiteBlack},
    {619, ControlKind::checkBox, cancerItemsTexts[8], 233, 105, 40, 10, 0, 0, lookWhiteBlack},
    {620, ControlKind::checkBox, cancerItemsTexts[9], 5, 115, 30, 10, 0, 0, lookWhiteBlack},
    {647, ControlKind::textBox, "", 37, 115, 60, 10, 0, 0, lookWhiteBlack},
    {648, ControlKind::label, "MUSCLE & JOINT", 5, 135, 70, 10, 0, 0, lookWhiteBlack | lookHeading},
    {621, ControlKind::checkBox, muscleJointItemsTexts[0], 5, 145, 50, 10, 0, 0, lookWhiteBlack},
    {622, ControlKind::checkBox, muscleJointItemsTexts[1], 119, 145, 50, 10, 0, 0, lookWhiteBlack},
    {623, ControlKind::checkBox, muscleJointItemsTexts[2], 233, 145, 60, 10, 0, 0, lookWhiteBlack},
    {624, ControlKind::checkBox, muscleJointItemsTexts[3], 5, 155, 50, 10, 0, 0, lookWhiteBlack},
    {625, ControlKind::checkBox, muscleJointItemsTexts[4], 119, 155, 70, 10, 0, 0, lookWhiteBlack},
    {626, ControlKind::checkBox, muscleJointItemsTexts[5], 233, 155, 60, 10, 0, 0, lookWhiteBlack},
    {649, ControlKind::label, "RESPIRATORY", 5, 175, 60, 10, 0, 0, lookWhiteBlack | lookHeading},
    {627, ControlKind::checkBox, respiratoryItemsTexts[0], 5, 185, 80, 10, 0, 0, lookWhiteBlack},
    {628, ControlKind::checkBox, respiratoryItemsTexts[1], 119, 185, 50, 10, 0, 0, lookWhiteBlack},
    {629, ControlKind::checkBox, respiratoryItemsTexts[2], 233, 185, 60, 10, 0, 0, lookWhiteBlack},
    {630, ControlKind::checkBox, respiratoryItemsTexts[3], 5, 195, 50, 10, 0, 0, lookWhiteBlack},
    {631, ControlKind::checkBox, respiratoryItemsTexts[4], 119, 195, 80, 10, 0, 0, lookWhiteBlack},
    {632, ControlKind::checkBox, respiratoryItemsTexts[5], 233, 195, 70, 10, 0, 0, lookWhiteBlack},
    {633, ControlKind::checkBox, respiratoryItemsTexts[6], 5, 205, 50, 10, 0, 0, lookWhiteBlack},
    {650, ControlKind::label, "SKIN/HAIR", 5, 225, 70, 10, 0, 0, lookWhiteBlack | lookHeading},
    {634, ControlKind::checkBox, skinHairItemsTexts[0], 5, 235, 70, 10, 0, 0, lookWhiteBlack},
    {635, ControlKind::checkBox, skinHairItemsTexts[1], 119, 235, 70, 10, 0, 0, lookWhiteBlack},
    {636, ControlKind::checkBox, skinHairItemsTexts[2], 233, 235, 70, 10, 0, 0, lookWhiteBlack},
    {637, ControlKind::checkBox, skinHairItemsTexts[3], 5, 245, 70, 10, 0, 0, lookWhiteBlack},
    {638, ControlKind::checkBox, skinHairItemsTexts[4], 119, 245, 70, 10, 0, 0, lookWhiteBlack},
    {639, ControlKind::checkBox, skinHairItemsTexts[5], 233, 245, 70, 10, 0, 0, lookWhiteBlack},
    {651, ControlKind::label, "WOMEN", 5, 265, 70, 10, 0, 0, lookWhiteBlack | lookHeading},
    {652, ControlKind::label, "Age of 1st menstrual cycle?", 5, 275, 90, 10, 0, 0, lookWhiteBlack},
    {653, ControlKind::textBox, "", 95, 275, 20, 10, 0, 0, lookWhiteBlack},
    {654, ControlKind::label, "Cycle:", 125, 275, 20, 10, 0, 0, lookPlain},
    {655, ControlKind::optionButton, cycleOptionsTexts[0], 150, 275, 40, 10, WS_GROUP, 0,
     lookWhiteBlack},
    {656, ControlKind::optionButton, cycleOptionsTexts[1], 195, 275, 40, 10, 0, 0, lookWhiteBlack},
    {657, ControlKind::optionButton, cycleOptionsTexts[2], 240, 275, 50, 10, 0, 0, lookWhiteBlack},
    {658, ControlKind::optionButton, cycleOptionsTexts[3], 290, 275, 50, 10, 0, 0, lookWhiteBlack},
    {640, ControlKind::checkBox, womenConditionItemsTexts[0], 5, 287, 100, 10, 0, 0,
     lookWhiteBlack},
    {659, ControlKind::label, "If pain medication, how often?", 119, 287, 100, 10, 0, 0,
     lookWhiteBlack},
    {660, ControlKind::textBox, "", 220, 287, 70, 10, 0, 0, lookWhiteBlack},
    {641, ControlKind::checkBox, womenConditionItemsTexts[1], 5, 299, 70, 10, 0, 0, lookWhiteBlack},
    {642, ControlKind::checkBox, womenConditionItemsTexts[2], 119, 299, 70, 10, 0, 0,
     lookWhiteBlack},
};
static_assert(std::size(page5Controls) == 60);

} // namespace

constexpr PageTable page5Table{page5Controls, std::size(page5Controls)};
