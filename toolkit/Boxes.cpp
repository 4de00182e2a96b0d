#include "toolkit/Boxes.h"

#include "toolkit/Registry.h"
#include "toolkit/Wide.h"

namespace {

constexpr char defaultCaption[] = "Vellumor";

// Sends to the list box, or answers LB_ERR when the dialog has no such control.
LRESULT toListBox(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND list = getControl(dialog, id);
    return list ? SendMessageW(list, message, wParam, lParam) : LB_ERR;
}

// The platform counts lines from 0, the program from 1.
WPARAM platformIndex(int position) { return static_cast<WPARAM>(position - 1); }
int position(LRESULT index) { return index < 0 ? 0 : static_cast<int>(index + 1); }

} // namespace

// The box is owned by the dialog it concerns, which stays disabled while it is
// open, so no second command can start behind it.
int messageBox(std::string_view text, std::string_view caption, UINT flags, HWND owner) {
    return MessageBoxW(owner ? owner : activeDialog(), widen(text).c_str(),
                       widen(caption.empty() ? defaultCaption : caption).c_str(), flags);
}

int listBoxAdd(HWND dialog, int id, std::string_view text) {
    const LRESULT index =
        toListBox(dialog, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
    return static_cast<int>(index) + 1; // LB_ERR gives 0, LB_ERRSPACE -1
}

void listBoxSelect(HWND dialog, int id, int position) {
    toListBox(dialog, id, LB_SETCURSEL, platformIndex(position), 0);
}

int listBoxGetSelect(HWND dialog, int id, int firstPosition) {
    const int selected = position(toListBox(dialog, id, LB_GETCURSEL, 0, 0));
    return firstPosition > 0 && selected >= firstPosition ? selected : 0;
}

void listBoxDelete(HWND dialog, int id, int position) {
    toListBox(dialog, id, LB_DELETESTRING, platformIndex(position), 0);
}

int listBoxCount(HWND dialog, int id) {
    const LRESULT count = toListBox(dialog, id, LB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

std::string listBoxLine(HWND dialog, int id, int position) {
    const LRESULT length = toListBox(dialog, id, LB_GETTEXTLEN, platformIndex(position), 0);
    if (length < 0) return {};
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = toListBox(dialog, id, LB_GETTEXT, platformIndex(position),
                                     reinterpret_cast<LPARAM>(line.data()));
    line.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
    return narrow(line);
}

// A sorted list searches for each new line's place, comparing it with about
// log2(count) of its lines. A line that sorts after the last one goes to the
// end either way, which one comparison by the list's own rule (its locale, case
// ignored) tells; every line of a saved client file does, as it is in list
// order. Without redrawing, no line pays for the scroll bar and the repaint.
std::vector<int> listBoxAddLines(HWND dialog, int id, const std::vector<std::string>& lines) {
    std::vector<int> positions;
    const HWND list = getControl(dialog, id);
    if (!list) return positions;
    std::size_t characters = 0;
    for (const std::string& line : lines)
        characters += line.size() + 1;
    SendMessageW(list, LB_INITSTORAGE, lines.size(), characters * sizeof(wchar_t));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const auto locale = static_cast<LCID>(SendMessageW(list, LB_GETLOCALE, 0, 0));
    const int count = listBoxCount(dialog, id);
    bool empty = count == 0;
    std::wstring last = empty ? std::wstring() : widen(listBoxLine(dialog, id, count));
    positions.reserve(lines.size());
    for (const std::string& text : lines) {
        std::wstring line = widen(text);
        const bool atEnd = empty || CompareStringW(locale, NORM_IGNORECASE, last.c_str(), -1,
                                                   line.c_str(), -1) == CSTR_LESS_THAN;
        const LRESULT index = SendMessageW(list, atEnd ? LB_INSERTSTRING : LB_ADDSTRING,
                                           atEnd ? static_cast<WPARAM>(-1) : 0,
                                           reinterpret_cast<LPARAM>(line.c_str()));
        positions.push_back(static_cast<int>(index) + 1); // LB_ERR gives 0, LB_ERRSPACE -1
        if (index < 0) break;
        if (atEnd) {
            last = std::move(line);
            empty = false;
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE); // turning redraw back on paints nothing by itself
    return positions;
}
