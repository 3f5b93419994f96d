// Font objects, the text state of device contexts, text metrics and TextOutA.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "platform/drivers/display.h"
#include "platform/gdi/gdi_text_font.h"
#include "platform/win32.h"

namespace vesper::platform::gdi {

namespace {

constexpr LONG kLargestFontHeight = 16384;

LOGFONTA MakeLogFont(LONG height, LONG weight, BYTE pitchAndFamily, const char* face)
{
    LOGFONTA logical{};
    logical.lfHeight = height;
    logical.lfWeight = weight;
    logical.lfPitchAndFamily = pitchAndFamily;
    std::strncpy(logical.lfFaceName, face, LF_FACESIZE - 1);
    return logical;
}

// The stock fonts as Windows 95 has them: the bold system font with a
// 16-pixel cell, the 8-point dialog font and a fixed-pitch font.
std::optional<LOGFONTA> StockFontDescription(int index)
{
    switch (index) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        return MakeLogFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System");
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT:
        return MakeLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
    case ANSI_FIXED_FONT:
    case OEM_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        return MakeLogFont(-13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier New");
    default:
        return std::nullopt;
    }
}

HGDIOBJ AddFont(const LOGFONTA& logical, bool stock)
{
    auto font = std::make_unique<Font>();
    font->logical = logical;
    font->stock = stock;
    return AddObject(std::move(font));
}

void SelectFont(DeviceContext& context, HFONT font)
{
    if (Font* previous = FindFont(context.font))
        --previous->selections;
    context.font = font;
    if (Font* selected = FindFont(font))
        ++selected->selections;
}

// Blends a coverage mask onto the display at a screen position, cut to `area`.
void PaintCoverage(const GlyphCoverage& glyphs, POINT at, const RECT& area, const BYTE textPixel[4], Display& display)
{
    constexpr int kOpaqueFrom = 128;
    const Surface surface = display.Pixels();
    RECT changed{0, 0, 0, 0};
    for (int y = std::max<LONG>(0, area.top - at.y); y < glyphs.height && at.y + y < area.bottom; ++y) {
        for (int x = std::max<LONG>(0, area.left - at.x); x < glyphs.width && at.x + x < area.right; ++x) {
            const int cover = glyphs.coverage[static_cast<std::size_t>(y) * glyphs.width + x];
            if (cover == 0)
                continue;
            BYTE* pixel = surface.Row(at.y + y) + (at.x + x) * surface.bytesPerPixel;
            if (surface.bytesPerPixel == 1) {
                if (cover >= kOpaqueFrom)
                    pixel[0] = textPixel[0];
            } else {
                for (int channel = 0; channel < 3; ++channel)
                    pixel[channel] =
                        static_cast<BYTE>((pixel[channel] * (255 - cover) + textPixel[channel] * cover + 127) / 255);
            }
            const RECT dot{at.x + x, at.y + y, at.x + x + 1, at.y + y + 1};
            UnionRect(&changed, &changed, &dot);
        }
    }
    if (!IsRectEmpty(&changed))
        display.AreaChanged(changed);
}

}  // namespace

Font* FindFont(HGDIOBJ handle)
{
    GdiObject* object = FindObject(handle);
    return object && object->Kind() == ObjectKind::Font ? static_cast<Font*>(object) : nullptr;
}

HGDIOBJ StockFont(int index)
{
    static auto* stock = new std::map<int, HGDIOBJ>;
    const std::optional<LOGFONTA> description = StockFontDescription(index);
    if (!description)
        return nullptr;
    HGDIOBJ& handle = (*stock)[index];
    if (!handle)
        handle = AddFont(*description, true);
    return handle;
}

const Font& SelectedFont(const DeviceContext& context)
{
    if (const Font* font = FindFont(context.font))
        return *font;
    return *FindFont(StockFont(SYSTEM_FONT));
}

void ReleaseFontSelection(DeviceContext& context)
{
    SelectFont(context, nullptr);
}

bool PaintText(const DeviceContext& context, POINT at, std::string_view text, const RECT* clip)
{
    const FontFace* face = FaceOf(SelectedFont(context).logical);
    if (!face)
        return false;
    Display& display = CurrentDisplay();
    RECT limit = ScreenArea(display);
    if (clip) {
        RECT onScreen = *clip;
        OffsetRect(&onScreen, context.origin.x, context.origin.y);
        IntersectRect(&limit, &limit, &onScreen);
    }
    const POINT screen{at.x + context.origin.x, at.y + context.origin.y};
    const SIZE extent = face->Measure(text);
    const RECT cell{screen.x, screen.y, screen.x + extent.cx, screen.y + extent.cy};
    BYTE backgroundPixel[4]{};
    DevicePixelOf(context.backgroundColour, context, display, backgroundPixel);
    BYTE textPixel[4]{};
    DevicePixelOf(context.textColour, context, display, textPixel);
    std::optional<GlyphCoverage> glyphs;
    const Surface surface = display.Pixels();
    ForEachVisiblePart(context, display, limit, [&](const RECT& part) {
        RECT box;
        if (context.backgroundMode == OPAQUE && IntersectRect(&box, &cell, &part)) {
            FillArea(surface, box, backgroundPixel);
            display.AreaChanged(box);
        }
        if (!glyphs)
            glyphs = face->Render(text);
        PaintCoverage(*glyphs, screen, part, textPixel, display);
    });
    return true;
}

}  // namespace vesper::platform::gdi

using namespace vesper::platform;
using namespace vesper::platform::gdi;

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    LOGFONTA logical{};
    logical.lfHeight = cHeight;
    logical.lfWidth = cWidth;
    logical.lfEscapement = cEscapement;
    logical.lfOrientation = cOrientation;
    logical.lfWeight = cWeight;
    logical.lfItalic = bItalic ? 1 : 0;
    logical.lfUnderline = bUnderline ? 1 : 0;
    logical.lfStrikeOut = bStrikeOut ? 1 : 0;
    logical.lfCharSet = static_cast<BYTE>(iCharSet);
    logical.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    logical.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    logical.lfQuality = static_cast<BYTE>(iQuality);
    logical.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName)
        std::strncpy(logical.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&logical);
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf)
{
    if (!lplf || std::abs(static_cast<long long>(lplf->lfHeight)) > kLargestFontHeight || lplf->lfWeight < 0 ||
        lplf->lfWeight > 1000)
        return nullptr;
    LOGFONTA logical = *lplf;
    logical.lfFaceName[LF_FACESIZE - 1] = '\0';
    std::lock_guard lock(GdiMutex());
    return static_cast<HFONT>(AddFont(logical, false));
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv)
{
    std::lock_guard lock(GdiMutex());
    const Font* font = FindFont(h);
    if (!font)
        return 0;
    if (!pv)
        return sizeof(LOGFONTA);
    const int count = std::clamp(c, 0, static_cast<int>(sizeof(LOGFONTA)));
    std::memcpy(pv, &font->logical, static_cast<std::size_t>(count));
    return count;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    std::lock_guard lock(GdiMutex());
    DeviceContext* context = FindDC(hdc);
    if (!context || !FindFont(h))
        return nullptr;
    const HGDIOBJ previous = context->font ? context->font : StockFont(SYSTEM_FONT);
    SelectFont(*context, static_cast<HFONT>(h));
    return previous;
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm)
{
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    const FontFace* face = context ? FaceOf(SelectedFont(*context).logical) : nullptr;
    if (!face || !lptm)
        return FALSE;
    *lptm = face->Metrics();
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, SIZE* psizl)
{
    if (!psizl || c < 0 || (!lpString && c > 0))
        return FALSE;
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    const FontFace* face = context ? FaceOf(SelectedFont(*context).logical) : nullptr;
    if (!face)
        return FALSE;
    *psizl = face->Measure(std::string_view(lpString ? lpString : "", static_cast<std::size_t>(c)));
    return TRUE;
}

int GetTextFaceA(HDC hdc, int c, LPSTR lpName)
{
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    const FontFace* face = context ? FaceOf(SelectedFont(*context).logical) : nullptr;
    if (!face)
        return 0;
    const std::string name = face->FamilyName();
    if (!lpName)
        return static_cast<int>(name.size()) + 1;
    if (c <= 0)
        return 0;
    const std::size_t count = std::min(name.size(), static_cast<std::size_t>(c - 1));
    std::memcpy(lpName, name.data(), count);
    lpName[count] = '\0';
    return static_cast<int>(count);
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    if (c < 0 || (!lpString && c > 0))
        return FALSE;
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    if (!context)
        return FALSE;
    return PaintText(*context, POINT{x, y}, std::string_view(lpString ? lpString : "", static_cast<std::size_t>(c)),
                     nullptr);
}

namespace {

template <typename Value>
Value ExchangeTextState(HDC hdc, Value DeviceContext::*field, Value value, Value failure)
{
    std::lock_guard lock(GdiMutex());
    DeviceContext* context = FindDC(hdc);
    return context ? std::exchange(context->*field, value) : failure;
}

template <typename Value>
Value ReadTextState(HDC hdc, Value DeviceContext::*field, Value failure)
{
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    return context ? context->*field : failure;
}

}  // namespace

COLORREF SetTextColor(HDC hdc, COLORREF colour)
{
    return ExchangeTextState(hdc, &DeviceContext::textColour, colour, CLR_INVALID);
}

COLORREF GetTextColor(HDC hdc)
{
    return ReadTextState(hdc, &DeviceContext::textColour, CLR_INVALID);
}

COLORREF SetBkColor(HDC hdc, COLORREF colour)
{
    return ExchangeTextState(hdc, &DeviceContext::backgroundColour, colour, CLR_INVALID);
}

COLORREF GetBkColor(HDC hdc)
{
    return ReadTextState(hdc, &DeviceContext::backgroundColour, CLR_INVALID);
}

int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return ExchangeTextState(hdc, &DeviceContext::backgroundMode, mode, 0);
}

int GetBkMode(HDC hdc)
{
    return ReadTextState(hdc, &DeviceContext::backgroundMode, 0);
}
