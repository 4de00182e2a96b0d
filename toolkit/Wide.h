// The toolkit's boundary to the platform's 16-bit window texts: the program's
// Windows-1252 strings widened for the ...W calls and narrowed back.
#pragma once

#include "toolkit/text/Text.h"

#include <string>
#include <string_view>

inline std::wstring widen(std::string_view text) {
    const std::u16string wide = win1252ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string narrow(std::wstring_view text) {
    return utf16ToWin1252(std::u16string(text.begin(), text.end()));
}
