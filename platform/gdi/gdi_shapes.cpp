// Pixel values of colours, the system colour brushes and the outlines that
// controls are drawn with: FrameRect, DrawEdge and DrawFocusRect.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/drivers/display.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/win32.h"

namespace vesper::platform::gdi {

namespace {

constexpr COLORREF kPaletteIndexFlag = 0x01000000;
constexpr int kLastSystemColour = COLOR_3DLIGHT;

}  // namespace

void DevicePixelOf(COLORREF colour, const DeviceContext& context, Display& display, BYTE pixel[4])
{
    if (colour & kPaletteIndexFlag) {
        const LogicalPalette* palette = FindPalette(context.palette);
        const std::size_t index = std::min<std::size_t>(LOWORD(colour), palette->entries.size() - 1);
        if (display.HasPalette()) {
            pixel[0] = TranslationOf(*palette, display)[index];
            return;
        }
        const PALETTEENTRY& entry = palette->entries[index];
        colour = RGB(entry.peRed, entry.peGreen, entry.peBlue);
    }
    if (display.HasPalette()) {
        pixel[0] = display.Palette().Nearest(GetRValue(colour), GetGValue(colour), GetBValue(colour));
        return;
    }
    pixel[0] = GetBValue(colour);
    pixel[1] = GetGValue(colour);
    pixel[2] = GetRValue(colour);
    pixel[3] = 0;
}

void FillArea(const Surface& surface, const RECT& area, const BYTE pixel[4])
{
    if (area.right <= area.left || surface.bytesPerPixel <= 0)
        return;
    const auto pixelBytes = static_cast<std::size_t>(surface.bytesPerPixel);
    const std::size_t rowBytes = static_cast<std::size_t>(area.right - area.left) * pixelBytes;
    const bool oneByteValue = std::all_of(pixel, pixel + pixelBytes, [&](BYTE b) { return b == pixel[0]; });
    for (LONG y = area.top; y < area.bottom; ++y) {
        BYTE* row = surface.Row(y) + area.left * surface.bytesPerPixel;
        if (oneByteValue) {
            std::memset(row, pixel[0], rowBytes);
            continue;
        }
        // The pixel, then what is filled so far copied after itself.
        std::memcpy(row, pixel, pixelBytes);
        for (std::size_t filled = pixelBytes; filled < rowBytes;) {
            const std::size_t more = std::min(filled, rowBytes - filled);
            std::memcpy(row + filled, row, more);
            filled += more;
        }
    }
}

}  // namespace vesper::platform::gdi

using namespace vesper::platform;
using namespace vesper::platform::gdi;

HBRUSH GetSysColorBrush(int nIndex)
{
    if (nIndex < 0 || nIndex > kLastSystemColour)
        return nullptr;
    const COLORREF colour = GetSysColor(nIndex);
    std::lock_guard lock(GdiMutex());
    static auto* brushes = new std::map<int, HGDIOBJ>;
    HGDIOBJ& handle = (*brushes)[nIndex];
    if (!handle) {
        auto brush = std::make_unique<SolidBrush>();
        brush->stock = true;
        brush->colour = colour;
        handle = AddObject(std::move(brush));
    }
    return static_cast<HBRUSH>(handle);
}

BOOL InflateRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc)
        return FALSE;
    lprc->left -= dx;
    lprc->top -= dy;
    lprc->right += dx;
    lprc->bottom += dy;
    return TRUE;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    if (!lprc || IsRectEmpty(lprc))
        return 0;
    const RECT& r = *lprc;
    const RECT sides[] = {{r.left, r.top, r.right, r.top + 1},
                          {r.left, r.bottom - 1, r.right, r.bottom},
                          {r.left, r.top, r.left + 1, r.bottom},
                          {r.right - 1, r.top, r.right, r.bottom}};
    int result = 1;
    for (const RECT& side : sides)
        result &= FillRect(hDC, &side, hbr);
    return result;
}

namespace {

// One band of an edge: the top and left sides in one colour, the bottom and
// right sides in another; the rectangle shrinks by the sides drawn.
void DrawBand(HDC dc, RECT& r, UINT sides, int topLeftColour, int bottomRightColour)
{
    HBRUSH topLeft = GetSysColorBrush(topLeftColour);
    HBRUSH bottomRight = GetSysColorBrush(bottomRightColour);
    if (sides & BF_BOTTOM) {
        const RECT line{r.left, r.bottom - 1, r.right, r.bottom};
        FillRect(dc, &line, bottomRight);
    }
    if (sides & BF_RIGHT) {
        const RECT line{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &line, bottomRight);
    }
    if (sides & BF_TOP) {
        const RECT line{r.left, r.top, r.right - ((sides & BF_RIGHT) ? 1 : 0), r.top + 1};
        FillRect(dc, &line, topLeft);
    }
    if (sides & BF_LEFT) {
        const RECT line{r.left, r.top, r.left + 1, r.bottom - ((sides & BF_BOTTOM) ? 1 : 0)};
        FillRect(dc, &line, topLeft);
    }
    r.left += (sides & BF_LEFT) ? 1 : 0;
    r.top += (sides & BF_TOP) ? 1 : 0;
    r.right -= (sides & BF_RIGHT) ? 1 : 0;
    r.bottom -= (sides & BF_BOTTOM) ? 1 : 0;
}

}  // namespace

BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags)
{
    if (!qrc)
        return FALSE;
    RECT r = *qrc;
    const UINT sides = grfFlags & BF_RECT;
    if (edge & BDR_RAISEDOUTER)
        DrawBand(hdc, r, sides, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    else if (edge & BDR_SUNKENOUTER)
        DrawBand(hdc, r, sides, COLOR_3DSHADOW, COLOR_3DHILIGHT);
    if (edge & BDR_RAISEDINNER)
        DrawBand(hdc, r, sides, COLOR_3DHILIGHT, COLOR_3DSHADOW);
    else if (edge & BDR_SUNKENINNER)
        DrawBand(hdc, r, sides, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    if ((grfFlags & BF_MIDDLE) && !IsRectEmpty(&r))
        FillRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
    if (grfFlags & BF_ADJUST)
        *qrc = r;
    return TRUE;
}

BOOL DrawFocusRect(HDC hDC, const RECT* lprc)
{
    if (!lprc)
        return FALSE;
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hDC);
    if (!context)
        return FALSE;
    Display& display = CurrentDisplay();
    RECT r = *lprc;
    OffsetRect(&r, context->origin.x, context->origin.y);
    const Surface surface = display.Pixels();
    // The dots lie on the rectangle's first and last rows and columns, which
    // are one row or column when it is that thin or thinner.
    const RECT outline{r.left, r.top, std::max(r.right, r.left + 1), std::max(r.bottom, r.top + 1)};
    // Each visible part inverts the dots that lie in it. Palette displays keep
    // the static colours so that index ^ 0xFF is the inverse colour;
    // true-colour pixels invert their channels.
    ForEachVisiblePart(*context, display, outline, [&](const RECT& part) {
        const auto invert = [&](LONG x, LONG y) {
            const POINT point{x, y};
            if (!PtInRect(&part, point))
                return;
            BYTE* pixel = surface.Row(y) + x * surface.bytesPerPixel;
            for (int channel = 0; channel < std::min(surface.bytesPerPixel, 3); ++channel)
                pixel[channel] ^= 0xFF;
        };
        // Dots on every other pixel, going round the rectangle.
        for (LONG x = r.left; x < r.right; x += 2) {
            invert(x, r.top);
            if (r.bottom - 1 > r.top)
                invert(x, r.bottom - 1);
        }
        for (LONG y = r.top + 2; y < r.bottom - 1; y += 2) {
            invert(r.left, y);
            if (r.right - 1 > r.left)
                invert(r.right - 1, y);
        }
        display.AreaChanged(part);
    });
    return TRUE;
}
