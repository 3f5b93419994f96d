// The GDI object table behind HGDIOBJ handles. A handle is a number that is
// never reused, looked up in the table on every call, so a stale or forged
// handle fails like an invalid handle instead of reaching freed memory.
// Everything here is called with GdiMutex() held.
#pragma once

#include "platform/internal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/gdi/gdi_region.h"
#include "platform/win32.h"

namespace vesper::platform {
class Display;
struct Surface;
}

namespace vesper::platform::gdi {

inline constexpr UINT kLogicalPaletteVersion = 0x300;
inline constexpr UINT kLargestLogicalPalette = 1024;

enum class ObjectKind { Palette, Brush, Font };

struct GdiObject {
    virtual ~GdiObject() = default;
    virtual ObjectKind Kind() const = 0;

    bool stock = false;
    // How many device contexts have it selected; such an object cannot be deleted.
    int selections = 0;
};

struct LogicalPalette final : GdiObject {
    ObjectKind Kind() const override { return ObjectKind::Palette; }

    std::vector<PALETTEENTRY> entries;
    // The system entry of each logical entry as last realised on the display
    // with serial `realisedOn`, which is 0 when the palette was never realised
    // or has changed since.
    std::vector<BYTE> toSystem;
    std::uint64_t realisedOn = 0;
};

struct SolidBrush final : GdiObject {
    ObjectKind Kind() const override { return ObjectKind::Brush; }

    COLORREF colour = 0;
    // The stock hollow brush paints nothing.
    bool hollow = false;
};

// A device context: where its coordinate (0, 0) lies on the screen, the
// screen area it may draw in, and its selections.
struct DeviceContext {
    HWND window = nullptr;
    POINT origin{0, 0};
    // Screen coordinates; none = the whole screen, whatever its size.
    std::optional<Region> clip;
    HPALETTE palette = nullptr;
    bool forceBackground = false;
    int stretchMode = BLACKONWHITE;
    // Text state; a null font is the stock SYSTEM_FONT.
    HFONT font = nullptr;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backgroundColour = RGB(255, 255, 255);
    int backgroundMode = OPAQUE;
};

DeviceContext* FindDC(HDC dc);
// Takes the font out of a context that is going away.
void ReleaseFontSelection(DeviceContext& context);
// The whole screen: from (0, 0) to the display's size.
RECT ScreenArea(const Display& display);

// Calls draw(part) for each piece of `area` (screen coordinates) that the
// context may draw on; the pieces are disjoint and never empty. With the
// whole screen or one rectangle to draw in, that is at most one call.
template <typename Draw>
void ForEachVisiblePart(const DeviceContext& context, const Display& display, const RECT& area, Draw&& draw)
{
    const RECT screen = ScreenArea(display);
    RECT onScreen;
    if (!IntersectRect(&onScreen, &area, &screen))
        return;
    if (!context.clip) {
        draw(onScreen);
        return;
    }
    for (const RECT& visible : context.clip->Rects()) {
        RECT part;
        if (IntersectRect(&part, &onScreen, &visible))
            draw(part);
    }
}

// The smallest rectangle holding everything the context may draw on (screen
// coordinates, possibly empty).
RECT DrawableArea(const DeviceContext& context, const Display& display);

// How the palette's indexes reach the system palette of the display: the
// translation of its last realisation there, or, when it was not realised
// there since it last changed, each entry's nearest system colour.
std::vector<BYTE> TranslationOf(const LogicalPalette& palette, const Display& display);

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object);
GdiObject* FindObject(HGDIOBJ handle);
LogicalPalette* FindPalette(HPALETTE palette);
SolidBrush* FindBrush(HBRUSH brush);
// The stock font objects (SYSTEM_FONT, DEFAULT_GUI_FONT ...); null for
// another index.
HGDIOBJ StockFont(int index);

// The pixel value a colour is shown with on the display, through the
// context's palette for palette-index colours; `pixel` receives
// display.Pixels().bytesPerPixel bytes.
void DevicePixelOf(COLORREF colour, const DeviceContext& context, Display& display, BYTE pixel[4]);
// Fills an area of the surface (inside it) with one such pixel value, a row
// at a time: the erase of a full screen is tens of megabytes.
void FillArea(const Surface& surface, const RECT& area, const BYTE pixel[4]);
HPALETTE StockPalette();

// Where a window's device context draws: `client` is the window's client
// area on the screen (its top left is the context's origin) and `visible` the
// part of it the window may draw in (a child is cut to its parents, and the
// windows in front of it are cut out).
struct WindowArea {
    WindowArea(const RECT& area) : client(area), visible(area) {}
    WindowArea(const RECT& clientArea, Region visibleArea) : client(clientArea), visible(std::move(visibleArea)) {}

    RECT client;
    Region visible;
};

// The screen area of a window's client area, for GetDC with a window; none
// when there is no such window. The window layer installs it; until then only
// the screen has a device context. It is called with GdiMutex() held.
// Returns the previous provider.
using WindowAreaProvider = std::function<std::optional<WindowArea>(HWND)>;
WindowAreaProvider SetWindowAreaProvider(WindowAreaProvider provider);

}  // namespace vesper::platform::gdi
