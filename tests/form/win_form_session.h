// Drives the intake form in-process, as the main window and a user would: sets
// the exchange state, opens the form and runs a test's steps inside the form's
// own modal loop.
#pragma once

#include "WindowsTest.h"
#include "form/IntakeForm.h"
#include "records/ClientFields.h"
#include "records/ClientRecord.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

// The fixture of the form tests: page control counts set as at start-up.
class FormTest : public WindowsTest {
  protected:
    void SetUp() override;
};

// What the main window sets before it opens the form: the mode, the record as
// working record and unedited copy, the client (1 unless adding) and cleared
// flags.
void prepareForm(FormMode mode, const ClientRecord& record);
// Opens the prepared form and runs `steps` inside its loop once page 1 is
// built; a form the steps leave open is ended afterwards. Returns when closed.
void runForm(const std::function<void()>& steps);
bool formOpen();

HWND control(int id);
std::string caption();
std::string textOf(int id);
void setText(int id, std::string_view text);
// Types each character as a key press would (WM_CHAR), at the caret.
void typeInto(int id, std::wstring_view characters);
// Types `text` into `box` as the keyboard delivers it: a line break is one
// Return.
void typeKeys(HWND box, const std::wstring& text);
// A click command from button `id`, sent whether the button is enabled or not.
void press(int id);
void closeForm(WPARAM command = SC_CLOSE);
// Next (or Back) until `page` is current.
void goToPage(int page);
bool isVisible(int id);
bool isEnabled(int id);
bool isChecked(int id);

// An otherwise empty record with this name.
ClientRecord named(std::string_view name);

// The first control id of a field's binding; 0 when the form has none.
int boxOf(const FieldInfo& field);

// The working record equals `expected`; a failure names each differing field.
void expectWorkingRecord(const ClientRecord& expected);

// A record with a value in every field of the form, for round trips through
// the controls; variants 0..2 differ in every field kind.
ClientRecord sampleRecord(int variant);
