// The intake form window: opening in each mode, paging, lazy page building,
// the dirty flag with the close prompt, and the name check of the process button.
#include "MessageBoxAnswerer.h"
#include "win_form_session.h"

#include "form/IntakeForm.h"
#include "form/PageTable.h"
#include "records/ClientFile.h"
#include "tests/support/SameRecord.h"
#include "toolkit/Appearance.h"
#include "toolkit/Dialog.h"
#include "toolkit/Registry.h"
#include "toolkit/text/Text.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string closePrompt = "Data has not been processed... close anyway?";
const std::string nameWarning = "Must include a name";

int firstIdOf(int page) { return 100 * page + 101; }
int lastIdOf(int page) { return 100 * page + 100 + pageControlCounts[page]; }

int controlsOf(int page) {
    int count = 0;
    for (int id = firstIdOf(page); id <= lastIdOf(page); ++id)
        count += control(id) != nullptr;
    return count;
}

void expectOnlyCurrentPageVisible() {
    for (int page = 1; page <= pageCount; ++page) {
        for (int id = firstIdOf(page); id <= lastIdOf(page); ++id) {
            if (control(id) == nullptr) continue;
            EXPECT_EQ(isVisible(id), page == currentPage)
                << "control " << id << " while page " << currentPage << " is current";
        }
    }
}

void toggle(int id) { controlSetCheck(formWindow, id, isChecked(id) ? 0 : 1); }

} // namespace

TEST_F(FormTest, OpensOnPageOneWithTheModesCaptionAndButtons) {
    struct ModeCase {
        FormMode mode;
        const char* caption;
        const char* processText; // nullptr: no process button
    };
    const ModeCase cases[] = {{addMode, "Add_Forms", "Add_client data"},
                              {editMode, "Edit_Forms", "Edit_client data"},
                              {showMode, "Client_Forms", nullptr}};
    for (const ModeCase& mode : cases) {
        SCOPED_TRACE(mode.caption);
        prepareForm(mode.mode, named("Ann"));
        runForm([&] {
            EXPECT_EQ(caption(), mode.caption);
            if (mode.processText) {
                EXPECT_EQ(textOf(processButton), mode.processText);
            } else {
                EXPECT_EQ(control(processButton), nullptr);
            }
            EXPECT_EQ(textOf(backButton), "Back");
            EXPECT_EQ(textOf(nextButton), "Next");
            EXPECT_EQ(currentPage, 1);
            EXPECT_FALSE(isEnabled(backButton));
            EXPECT_TRUE(isEnabled(nextButton));
            EXPECT_EQ(GetFocus(), control(nameBox));
        });
    }
}

// Back on page 1 and Next on page 5 arrive as commands although the buttons
// are disabled: they change no page but set the caption.
TEST_F(FormTest, BackAndNextPageWithCaptionAndEnableStates) {
    struct Step {
        int button;
        int page;
        const char* caption;
    };
    const Step steps[] = {
        {nextButton, 2, "Forms - Page  2"}, {nextButton, 3, "Forms - Page  3"},
        {nextButton, 4, "Forms - Page  4"}, {nextButton, 5, "Forms - Page  5"},
        {nextButton, 5, "Forms - Page  5"}, {backButton, 4, "Forms - Page  4"},
        {backButton, 3, "Forms - Page  3"}, {backButton, 2, "Forms - Page  2"},
        {backButton, 1, "Forms - Page  1"}, {backButton, 1, "Forms - Page  1"},
    };
    prepareForm(addMode, ClientRecord{});
    runForm([&] {
        for (const Step& step : steps) {
            press(step.button);
            SCOPED_TRACE(step.caption);
            EXPECT_EQ(currentPage, step.page);
            EXPECT_EQ(caption(), step.caption);
            EXPECT_EQ(isEnabled(backButton), step.page != 1);
            EXPECT_EQ(isEnabled(nextButton), step.page != pageCount);
            expectOnlyCurrentPageVisible();
        }
    });
}

TEST_F(FormTest, APageIsBuiltOnItsFirstVisitOnly) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        for (int page = 1; page <= pageCount; ++page) {
            goToPage(page);
            EXPECT_EQ(controlsOf(page), static_cast<int>(pageTable(page).count)) << "page " << page;
            if (page < pageCount) {
                EXPECT_EQ(controlsOf(page + 1), 0) << "page " << page + 1;
            }
            if (page == 2) {
                EXPECT_EQ(GetFocus(), control(302));
            }
        }
        // Going back shows the same windows again.
        const HWND city = control(206);
        goToPage(1);
        EXPECT_EQ(control(206), city);
        EXPECT_EQ(controlsOf(1), static_cast<int>(pageTable(1).count));
    });
}

// Every row of every page: created in table order, with its text, style bits,
// colours and font.
TEST_F(FormTest, PagesAreBuiltAsTheirTablesSay) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        goToPage(pageCount);
        std::vector<int> expectedOrder = {processButton, backButton, nextButton};
        for (int page = 1; page <= pageCount; ++page) {
            const PageTable& table = pageTable(page);
            for (std::size_t i = 0; i < table.count; ++i)
                expectedOrder.push_back(table.controls[i].id);
        }
        std::vector<int> order;
        for (HWND child = GetWindow(formWindow, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT))
            order.push_back(GetDlgCtrlID(child));
        EXPECT_EQ(order, expectedOrder);

        const int heading = fontNew("Font1", 9, fontBold | fontUnderline, 0, 0, 0);
        for (int page = 1; page <= pageCount; ++page) {
            const PageTable& table = pageTable(page);
            for (std::size_t i = 0; i < table.count; ++i) {
                const ControlRow& row = table.controls[i];
                SCOPED_TRACE("control " + std::to_string(row.id));
                const ControlRecord* record = findControl(control(row.id));
                ASSERT_NE(record, nullptr);
                EXPECT_EQ(textOf(row.id), (row.look & lookToday) ? todayText() : row.text);
                EXPECT_EQ(record->style & row.style, row.style);
                EXPECT_EQ(record->exStyle & row.exStyle, row.exStyle);
                const bool whiteBlack = (row.look & lookWhiteBlack) != 0;
                EXPECT_EQ(record->colours.set, whiteBlack);
                if (whiteBlack) {
                    EXPECT_EQ(record->colours.background, 0xFFFFFF);
                    EXPECT_EQ(record->colours.text, 0);
                }
                EXPECT_EQ(record->font.number() == heading, (row.look & lookHeading) != 0);
            }
        }
        const ColourState* formColours = findColours(formWindow);
        ASSERT_NE(formColours, nullptr);
        EXPECT_EQ(formColours->background, 0xFFFFFF);
    });
}

TEST_F(FormTest, EveryOpeningStartsOnPageOne) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        goToPage(4);
        closeForm();
        EXPECT_FALSE(formOpen());
    });
    prepareForm(editMode, named("Ann"));
    runForm([] {
        EXPECT_EQ(currentPage, 1);
        EXPECT_EQ(caption(), "Edit_Forms");
        EXPECT_FALSE(isEnabled(backButton));
        EXPECT_TRUE(isEnabled(nextButton));
        EXPECT_EQ(controlsOf(2), 0);
        expectOnlyCurrentPageVisible();
    });
}

TEST_F(FormTest, EntriesSurvivePaging) {
    ClientRecord record = named("Ann");
    writeText(record, fields::laxativesHowOften.span, "daily");
    prepareForm(editMode, record);
    runForm([] {
        const int box = boxOf(fields::laxativesHowOften);
        setText(nameBox, "Bea");
        goToPage(3);
        EXPECT_EQ(textOf(box), "daily");
        setText(box, "weekly");
        const int laxativesYes = boxOf(fields::takesLaxatives);
        toggle(laxativesYes);
        goToPage(4);
        goToPage(3);
        EXPECT_EQ(textOf(box), "weekly");
        EXPECT_TRUE(isChecked(laxativesYes));
        goToPage(1);
        EXPECT_EQ(textOf(nameBox), "Bea");
    });
}

TEST_F(FormTest, AddModeClosesWithoutPromptWhileTheNameIsUntouched) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        MessageBoxAnswerer answers({IDOK});
        typeInto(boxOf(fields::city), L"Rome");
        controlSetCheck(formWindow, 212, 1);
        goToPage(2);
        typeInto(302, L"pills");
        closeForm();
        EXPECT_FALSE(formOpen());
        EXPECT_TRUE(answers.seen().empty()) << answers.seen().front().text;
    });
    EXPECT_FALSE(accepted);
}

TEST_F(FormTest, AddModePromptsOnceTheNameWasEdited) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        MessageBoxAnswerer answers({IDCANCEL, IDOK});
        typeInto(nameBox, L"x\b");
        EXPECT_EQ(textOf(nameBox), "");
        closeForm();
        EXPECT_TRUE(formOpen()) << "Cancel keeps the form";
        closeForm();
        EXPECT_FALSE(formOpen());
        ASSERT_EQ(answers.seen().size(), 2u);
        const SeenMessageBox& prompt = answers.seen()[0];
        EXPECT_EQ(prompt.text, closePrompt);
        EXPECT_EQ(prompt.caption, "Closing Client Form");
        EXPECT_EQ(prompt.buttons, (std::vector<int>{IDOK, IDCANCEL}));
        EXPECT_EQ(prompt.owner, formWindow);
    });
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(fileChanged);
}

// The platform uses the low four bits of a system command; a double-click on
// the system-menu icon sends 0xF063.
TEST_F(FormTest, CloseCommandWithLowBitsSetRunsTheClosePrompt) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        MessageBoxAnswerer answers({IDCANCEL, IDOK});
        typeInto(nameBox, L"x");
        closeForm(SC_CLOSE | 3);
        EXPECT_TRUE(formOpen());
        EXPECT_EQ(answers.seen().size(), 1u);
        closeForm(SC_CLOSE | 3);
        EXPECT_FALSE(formOpen());
    });
}

TEST_F(FormTest, EditModeClosesWithoutPromptWhenNothingChanged) {
    const ClientRecord sample = sampleRecord(0);
    prepareForm(editMode, sample);
    runForm([] {
        MessageBoxAnswerer answers({IDOK});
        goToPage(pageCount);
        closeForm();
        EXPECT_FALSE(formOpen());
        EXPECT_TRUE(answers.seen().empty()) << answers.seen().front().text;
    });
    EXPECT_FALSE(formDirty);
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(fileChanged);
}

// Confirming the prompt closes the form without handing the record over: only
// the process button stores.
TEST_F(FormTest, EditModeChangeOnAnyPagePromptsAndStoresNothing) {
    struct Change {
        int page;
        std::function<void()> make;
    };
    const Change changes[] = {
        {1, [] { setText(boxOf(fields::city), "x"); }},
        {2, [] { toggle(boxOf(fields::removedOrgans)); }},
        {3, [] { setText(boxOf(fields::waterOz), " 9"); }},
        {4, [] { toggle(boxOf(fields::generalConditions)); }},
        {5, [] { controlSetOption(formWindow, 655, 658, 656); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE("page " + std::to_string(change.page));
        prepareForm(editMode, sampleRecord(0));
        runForm([&] {
            MessageBoxAnswerer answers({IDOK});
            goToPage(change.page);
            change.make();
            closeForm();
            EXPECT_FALSE(formOpen());
            ASSERT_EQ(answers.seen().size(), 1u);
            EXPECT_EQ(answers.seen()[0].text, closePrompt);
        });
        EXPECT_TRUE(formDirty);
        EXPECT_FALSE(accepted);
        EXPECT_FALSE(fileChanged);
    }
}

TEST_F(FormTest, EditModeCancelledCloseLeavesNothingAcceptedUntilProcess) {
    prepareForm(editMode, sampleRecord(1));
    runForm([] {
        MessageBoxAnswerer answers({IDCANCEL});
        setText(boxOf(fields::city), "x");
        closeForm();
        EXPECT_TRUE(formOpen());
        EXPECT_FALSE(accepted);
        press(processButton);
        EXPECT_FALSE(formOpen());
    });
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(formDirty);
    EXPECT_TRUE(fileChanged);
}

TEST_F(FormTest, EditModeCloseWithEmptyNameWarnsThenPrompts) {
    prepareForm(editMode, named("Ann"));
    runForm([] {
        MessageBoxAnswerer answers({IDOK, IDOK});
        setText(nameBox, "");
        closeForm();
        EXPECT_FALSE(formOpen());
        ASSERT_EQ(answers.seen().size(), 2u);
        EXPECT_EQ(answers.seen()[0].text, nameWarning);
        EXPECT_EQ(answers.seen()[0].caption, " ");
        EXPECT_EQ(answers.seen()[0].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(answers.seen()[1].text, closePrompt);
    });
    EXPECT_FALSE(accepted);
}

TEST_F(FormTest, ShowModeNeverPromptsAndKeepsTheRecord) {
    const ClientRecord sample = sampleRecord(0);
    prepareForm(showMode, sample);
    runForm([] {
        MessageBoxAnswerer answers({IDOK});
        EXPECT_EQ(control(processButton), nullptr);
        typeInto(nameBox, L"zz");
        setText(boxOf(fields::city), "Elsewhere");
        goToPage(2);
        typeInto(302, L"more");
        closeForm();
        EXPECT_FALSE(formOpen());
        EXPECT_TRUE(answers.seen().empty()) << answers.seen().front().text;
    });
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(formDirty);
    EXPECT_FALSE(fileChanged);
    EXPECT_TRUE(sameRecord(workingRecord, sample));
}

TEST_F(FormTest, NameCheckKeepsTheFormOnItsPage) {
    prepareForm(addMode, ClientRecord{});
    runForm([] {
        MessageBoxAnswerer answers({IDOK});
        goToPage(4);
        press(processButton);
        EXPECT_TRUE(formOpen());
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, nameWarning);
        EXPECT_EQ(answers.seen()[0].owner, formWindow);
        EXPECT_EQ(currentPage, 4);
        EXPECT_EQ(caption(), "Forms - Page  4");
        expectOnlyCurrentPageVisible();
        EXPECT_EQ(GetFocus(), control(nameBox));
        EXPECT_FALSE(accepted);
        setText(nameBox, "Zed");
        press(processButton);
        EXPECT_FALSE(formOpen());
    });
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(fileChanged);
    EXPECT_EQ(readText(workingRecord, fields::name.span), "Zed");
}

TEST_F(FormTest, ProcessInEditModeWithoutChangesLeavesFileUnchanged) {
    prepareForm(editMode, sampleRecord(1));
    runForm([] {
        goToPage(pageCount);
        press(processButton);
        EXPECT_FALSE(formOpen());
    });
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(formDirty);
    EXPECT_FALSE(fileChanged);
}
