// The intake form and the state through which it exchanges one client with the
// main window.
#pragma once

#include "form/PageTable.h"
#include "records/ClientRecord.h"

#include <windows.h>

#include <string_view>

// What the form is opened for; noMode before it is first opened.
enum FormMode : int { noMode = 0, addMode = 1, editMode = 2, showMode = 3 };

// The form's own controls, besides the pages' (form/PageTable.h), and the name
// box, which collection checks and which gets the caret after a rejection.
constexpr int processButton = 150;
constexpr int backButton = 151;
constexpr int nextButton = 152;
constexpr int nameBox = 202;

extern HWND mainWindow; // the form's owner, set by the main window
extern HWND formWindow; // the open form, nullptr when closed
extern FormMode formMode;
extern int currentClient; // 1-based, 0 while adding
extern ClientRecord workingRecord;
extern ClientRecord uneditedCopy;
extern bool accepted; // set by a collection that passed the name check
extern bool formDirty;
extern bool pageBuilt[pageCount + 1];        // pages 1..5
extern int pageControlCounts[pageCount + 1]; // pages 1..5, set at start-up to pageIdRangeSizes
extern int currentPage;                      // 0 before the first page is shown

// Shows the form modally for "Add_", "Edit_" or "Client_" and returns when it
// has closed.
void openIntakeForm(std::string_view mode);

// Hides the current page and shows page p, building it on its first visit.
void showPage(int page);

// Fill page p's controls from the working record; collect every built page
// into it. collect returns false when the name is missing (after telling the
// user).
void fillPage(int page);
bool collect();
// Reads every built page into `record`, the name too, without the name check.
void collectBuiltPages(ClientRecord& record);

// Whether the open form holds answers the user has not processed: in add mode
// the dirty flag, in edit mode any control that differs from the unedited
// copy. Shows nothing and changes nothing; false when no form is open.
bool formHoldsUnprocessedAnswers();
