#include "toolkit/DialogTemplate.h"

#include "toolkit/Appearance.h"

#include <algorithm>
#include <limits>
#include <string_view>

short clampUnits(long long units) {
    return static_cast<short>(std::clamp<long long>(units, std::numeric_limits<short>::min(),
                                                    std::numeric_limits<short>::max()));
}

// DLGTEMPLATE is a sequence of WORDs that must start on a DWORD boundary (the
// vector's storage does); with no controls following, nothing else needs padding.
std::vector<WORD> dialogTemplate(DWORD style, DWORD exStyle, short x, short y, short width,
                                 short height) {
    std::vector<WORD> words;
    const auto addDword = [&](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    const auto addText = [&](std::string_view ascii) {
        words.insert(words.end(), ascii.begin(), ascii.end());
        words.push_back(0);
    };
    addDword(style);
    addDword(exStyle);
    words.push_back(0); // no controls
    for (short value : {x, y, width, height})
        words.push_back(static_cast<WORD>(value));
    words.push_back(0); // no menu
    words.push_back(0); // the default dialog class
    addText(" ");
    words.push_back(dialogFontPoints);
    addText(dialogFontFace);
    return words;
}
