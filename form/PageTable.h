// The questionnaire's pages as constant tables: one row per control, in
// creation order. The page builder walks these rows and nothing else.
#pragma once

#include "toolkit/Dialog.h"

#include <cstddef>

enum ControlLook : unsigned {
    lookPlain = 0,      // the platform's colours
    lookWhiteBlack = 1, // background white, text black
    lookHeading = 2,    // the heading font (after the colours)
    lookToday = 4,      // initial text is today's date, MM-DD-YYYY
};

struct ControlRow {
    int id;
    ControlKind kind;
    const char* text;
    short x, y, width, height; // dialog units
    DWORD style;               // 0: the kind's default
    DWORD exStyle;
    unsigned look; // ControlLook bits
};

struct PageTable {
    const ControlRow* controls;
    std::size_t count;
};

constexpr int pageCount = 5;

// The identifiers of page p run from 100p + 101 to 100p + 100 + pageIdRangeSizes[p].
constexpr int pageIdRangeSizes[pageCount + 1] = {0, 40, 28, 65, 63, 60};
constexpr int pageFirstId(int page) { return 100 * page + 101; }

extern const PageTable page1Table;
extern const PageTable page2Table;
extern const PageTable page3Table;
extern const PageTable page4Table;
extern const PageTable page5Table;

// Page p, 1..5; any other page has no controls.
const PageTable& pageTable(int page);
