#include "toolkit/Appearance.h"

#include "toolkit/Painting.h"
#include "toolkit/Registry.h"
#include "toolkit/Wide.h"

#include <cmath>
#include <map>
#include <string>
#include <tuple>

namespace {

// Colours ------------------------------------------------------------------

// One brush per explicit background colour, alive while some window uses it.
SharedBrush brushFor(COLORREF colour) {
    static std::map<COLORREF, std::weak_ptr<std::remove_pointer_t<HBRUSH>>> brushes;
    std::weak_ptr<std::remove_pointer_t<HBRUSH>>& slot = brushes[colour];
    if (SharedBrush existing = slot.lock()) return existing;
    HBRUSH created = CreateSolidBrush(colour);
    if (!created) return nullptr;
    SharedBrush brush(created, [](HBRUSH unused) { DeleteObject(unused); });
    slot = brush;
    return brush;
}

// A negative colour other than the special ones means the platform's colour;
// others keep their 24 bits of 0x00BBGGRR.
long explicitOr(long colour) { return colour < 0 ? colorSystemDefault : colour & 0xFFFFFF; }

// The platform's colours for each colour message, WM_CTLCOLORMSGBOX first.
struct SystemColours {
    int text;
    int background;
};
constexpr SystemColours systemColours[] = {
    {COLOR_MENUTEXT, COLOR_MENU},      {COLOR_WINDOWTEXT, COLOR_WINDOW},
    {COLOR_WINDOWTEXT, COLOR_WINDOW},  {COLOR_BTNTEXT, COLOR_BTNFACE},
    {COLOR_WINDOWTEXT, COLOR_BTNFACE}, {COLOR_WINDOWTEXT, COLOR_SCROLLBAR},
    {COLOR_WINDOWTEXT, COLOR_BTNFACE},
};

INT_PTR brushAnswer(HGDIOBJ brush) { return reinterpret_cast<INT_PTR>(brush); }

// Fonts --------------------------------------------------------------------

struct FontDescription {
    std::string face;
    float points;
    LONG weight;
    BYTE italic;
    BYTE underline;
    BYTE strikeOut;
    BYTE charSet;
    BYTE pitchAndFamily;
    LONG escapement;

    auto key() const {
        return std::tie(face, points, weight, italic, underline, strikeOut, charSet, pitchAndFamily,
                        escapement);
    }
    bool operator==(const FontDescription& other) const { return key() == other.key(); }
};

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct RegisteredFont {
    FontDescription description;
    std::shared_ptr<const int> hold; // its number; every other copy is a control's use
    UniqueFont object;               // made on first use, kept for the run
};

// Font n is element n - 1; font 1 is the dialog font.
std::vector<RegisteredFont>& fonts() {
    static std::vector<RegisteredFont> registry = [] {
        std::vector<RegisteredFont> initial(1);
        initial[0].description = {dialogFontFace, dialogFontPoints, FW_NORMAL, 0, 0, 0, 0, 0, 0};
        initial[0].hold = std::make_shared<const int>(1);
        return initial;
    }();
    return registry;
}

RegisteredFont* registeredFont(int number) {
    if (number == 0) number = 1;
    return number >= 1 && static_cast<std::size_t>(number) <= fonts().size() ? &fonts()[number - 1]
                                                                             : nullptr;
}

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
    ScreenDc() = default;
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
};

// The negative height asks for the character height without internal leading.
LONG characterHeight(float points) {
    const double pixels =
        GetDeviceCaps(ScreenDc().dc, LOGPIXELSY) * static_cast<double>(points) / 72;
    return std::isfinite(pixels) ? -std::lround(std::fmin(std::fmax(pixels, -32767), 32767)) : 0;
}

HFONT fontObject(RegisteredFont& font) {
    if (!font.object) {
        const FontDescription& d = font.description;
        LOGFONTW logical{};
        logical.lfHeight = characterHeight(d.points);
        logical.lfEscapement = d.escapement;
        logical.lfOrientation = d.escapement;
        logical.lfWeight = d.weight;
        logical.lfItalic = d.italic;
        logical.lfUnderline = d.underline;
        logical.lfStrikeOut = d.strikeOut;
        logical.lfCharSet = d.charSet;
        logical.lfPitchAndFamily = d.pitchAndFamily;
        widen(d.face).copy(logical.lfFaceName, LF_FACESIZE - 1);
        font.object.reset(CreateFontIndirectW(&logical));
    }
    return font.object.get();
}

} // namespace

void controlSetColor(HWND dialog, int id, long background, long text) {
    ColourState* state = findColours(controlOrDialog(dialog, id));
    if (!state) return;
    ColourState next;
    next.set = true;
    next.text = explicitOr(text);
    next.background = background == colorTransparent ? colorTransparent : explicitOr(background);
    if (next.background >= 0) {
        next.brush = brushFor(static_cast<COLORREF>(next.background));
        if (!next.brush) next.background = colorSystemDefault;
    }
    *state = std::move(next);
}

INT_PTR colourAnswer(UINT message, HDC dc, HWND window) {
    const ColourState* state = findColours(window);
    if (!state || !state->set) return 0;
    const SystemColours& system = systemColours[message - WM_CTLCOLORMSGBOX];
    SetTextColor(dc, state->text == colorSystemDefault ? GetSysColor(system.text)
                                                       : static_cast<COLORREF>(state->text));
    if (state->background == colorTransparent) {
        SetBkMode(dc, TRANSPARENT);
        return brushAnswer(GetStockObject(HOLLOW_BRUSH));
    }
    if (state->background == colorSystemDefault) {
        SetBkColor(dc, GetSysColor(system.background));
        return brushAnswer(GetSysColorBrush(system.background));
    }
    SetBkColor(dc, static_cast<COLORREF>(state->background));
    return brushAnswer(state->brush.get());
}

int fontNew(std::string_view face, float points, unsigned style, int charSet, int pitchAndFamily,
            int escapement) {
    const FontDescription description{std::string(face.substr(0, LF_FACESIZE - 1)),
                                      points == 0 ? dialogFontPoints : points,
                                      style & fontBold ? FW_BOLD : FW_NORMAL,
                                      static_cast<BYTE>((style & fontItalic) != 0),
                                      static_cast<BYTE>((style & fontUnderline) != 0),
                                      static_cast<BYTE>((style & fontStrikeOut) != 0),
                                      static_cast<BYTE>(charSet),
                                      static_cast<BYTE>(pitchAndFamily),
                                      escapement};
    std::vector<RegisteredFont>& registry = fonts();
    for (std::size_t i = 0; i < registry.size(); ++i)
        if (registry[i].description == description) return static_cast<int>(i + 1);
    const int number = static_cast<int>(registry.size() + 1);
    registry.push_back({description, std::make_shared<const int>(number), nullptr});
    return number;
}

void controlSetFont(HWND dialog, int id, int fontNumber) {
    HWND control = getControl(dialog, id);
    ControlRecord* record = findControl(control);
    RegisteredFont* font = registeredFont(fontNumber);
    if (!record || !font) return;
    HFONT object = fontObject(*font);
    if (!object) return;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(object), TRUE);
    record->font.hold = font->hold; // and the font it had before loses a user
}

int fontUsers(int fontNumber) {
    const RegisteredFont* font = registeredFont(fontNumber);
    return font ? static_cast<int>(font->hold.use_count()) - 1 : 0;
}
