// Page 1 of the questionnaire: identity, measurements and the first questions
// about cleanses. Box 204 starts with today's date, filled in by the builder.
#include "form/PageTable.h"
#include "records/ClientFields.h"

#include <iterator>

namespace {

constexpr ControlRow page1Controls[] = {
    {201, ControlKind::label, "Name: ", 5, 5, 25, 11, 0, 0, lookWhiteBlack},
    {202, ControlKind::textBox, "", 30, 5, 220, 12, 0, 0, lookPlain},
    {203, ControlKind::label, "Date: ", 270, 5, 30, 10, 0, 0, lookWhiteBlack},
    {204, ControlKind::textBox, "", 290, 5, 45, 12, 0, 0, lookToday},
    {205, ControlKind::label, "City: ", 5, 30, 25, 10, 0, 0, lookWhiteBlack},
    {206, ControlKind::textBox, "", 30, 30, 220, 12, 0, 0, lookPlain},
    {207, ControlKind::label, "State: ", 276, 30, 40, 10, 0, 0, lookWhiteBlack},
    {208, ControlKind::textBox, "CA", 300, 30, 20, 12, 0, 0, lookPlain},
    {209, ControlKind::label, "Occupation: ", 5, 55, 40, 10, 0, 0, lookWhiteBlack},
    {210, ControlKind::textBox, "", 50, 55, 200, 12, 0, 0, lookPlain},
    {211, ControlKind::optionButton, sexOptionsTexts[0], 265, 55, 40, 10, WS_GROUP, 0,
     lookWhiteBlack},
    {212, ControlKind::optionButton, sexOptionsTexts[1], 300, 55, 40, 10, 0, 0, lookWhiteBlack},
    {213, ControlKind::label, "Age: ", 5, 80, 25, 10, 0, 0, lookWhiteBlack},
    {214, ControlKind::textBox, "", 25, 80, 18, 12, 0, 0, lookPlain},
    {215, ControlKind::label, "Date of birth: ", 70, 80, 50, 10, 0, 0, lookWhiteBlack},
    {216, ControlKind::textBox, "", 115, 80, 50, 12, 0, 0, lookPlain},
    {217, ControlKind::label, "Weight: ", 180, 80, 25, 10, 0, 0, lookWhiteBlack},
    {218, ControlKind::textBox, "", 208, 80, 25, 12, 0, 0, lookPlain},
    {219, ControlKind::label, "Height (in): ", 250, 80, 35, 10, 0, 0, lookWhiteBlack},
    {220, ControlKind::textBox, "", 285, 80, 20, 12, 0, 0, lookPlain},
    {221, ControlKind::label, "Blood pressure: ", 5, 105, 50, 10, 0, 0, lookWhiteBlack},
    {222, ControlKind::textBox, "", 55, 105, 32, 12, 0, 0, lookPlain},
    {223, ControlKind::label, "Bowel Movements per day: ", 110, 105, 90, 10, 0, 0, lookWhiteBlack},
    {224, ControlKind::textBox, "", 198, 105, 25, 12, 0, 0, lookPlain},
    {225, ControlKind::label, "Have you ever had a colonic? ", 5, 130, 120, 10, 0, 0,
     lookWhiteBlack},
    {226, ControlKind::optionButton, yesNoOptionsTexts[0], 110, 130, 25, 10, WS_GROUP, 0,
     lookWhiteBlack},
    {227, ControlKind::optionButton, yesNoOptionsTexts[1], 140, 130, 25, 10, 0, 0, lookWhiteBlack},
    {228, ControlKind::label, "How many have you had (approx.)? ", 190, 130, 115, 10, 0, 0,
     lookWhiteBlack},
    {229, ControlKind::textBox, "", 305, 130, 20, 12, 0, 0, lookPlain},
    {230, ControlKind::label, "Why do you desire a cleanse/colonic now? ", 5, 155, 150, 10, 0, 0,
     lookWhiteBlack},
    {231, ControlKind::textBox, "", 145, 155, 190, 12, 0, 0, lookPlain},
    {232, ControlKind::label, "How did you hear about us? ", 5, 180, 95, 10, 0, 0, lookWhiteBlack},
    {233, ControlKind::optionButton, referralOptionsTexts[0], 100, 180, 35, 10, WS_GROUP, 0,
     lookWhiteBlack},
    {234, ControlKind::optionButton, referralOptionsTexts[1], 150, 180, 35, 10, 0, 0,
     lookWhiteBlack},
    {235, ControlKind::optionButton, referralOptionsTexts[2], 200, 180, 35, 10, 0, 0,
     lookWhiteBlack},
    {236, ControlKind::optionButton, referralOptionsTexts[3], 250, 180, 85, 10, 0, 0,
     lookWhiteBlack},
    {237, ControlKind::optionButton, referralOptionsTexts[4], 100, 190, 35, 10, 0, 0,
     lookWhiteBlack},
    {238, ControlKind::optionButton, referralOptionsTexts[5], 150, 190, 35, 10, 0, 0,
     lookWhiteBlack},
    {239, ControlKind::optionButton, referralOptionsTexts[6], 200, 190, 35, 10, 0, 0,
     lookWhiteBlack},
    {240, ControlKind::optionButton, referralOptionsTexts[7], 250, 190, 60, 10, 0, 0,
     lookWhiteBlack},
};
static_assert(std::size(page1Controls) == 40);

} // namespace

constexpr PageTable page1Table{page1Controls, std::size(page1Controls)};
