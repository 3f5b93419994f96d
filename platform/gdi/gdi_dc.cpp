// Device contexts, device capabilities and the palette calls that go through
// a device context.
#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/drivers/display.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/win32.h"

namespace vesper::platform::gdi {

namespace {

struct ContextTable {
    std::unordered_map<std::uintptr_t, DeviceContext> contexts;
    // Kept apart from the object handles, so an HDC is never taken for an HGDIOBJ.
    std::uintptr_t nextHandle = 0x80000000;
    WindowAreaProvider windowArea;
};

ContextTable& Contexts()
{
    static auto* table = new ContextTable;
    return *table;
}

std::uintptr_t Key(HDC dc) { return reinterpret_cast<std::uintptr_t>(dc); }

// A palette selected into a context is counted so that it cannot be deleted
// while the context may still draw with it.
void Select(DeviceContext& context, HPALETTE palette)
{
    if (LogicalPalette* previous = FindPalette(context.palette))
        --previous->selections;
    context.palette = palette;
    if (LogicalPalette* selected = FindPalette(palette))
        ++selected->selections;
}

HDC OpenContext(DeviceContext context)
{
    ContextTable& table = Contexts();
    const std::uintptr_t key = table.nextHandle++;
    auto& stored = table.contexts.emplace(key, std::move(context)).first->second;
    Select(stored, StockPalette());
    return reinterpret_cast<HDC>(key);
}

constexpr int kPlanes = 1;
constexpr int kReservedEntries = 20;
// A palette display reports all 256 colours, not only the 20 static ones some
// versions of Windows report, so that code building identity palettes (which
// asks for 256) works on it.
constexpr int kPaletteDisplayColours = 256;
constexpr int kTrueColourNumColours = -1;

}  // namespace

DeviceContext* FindDC(HDC dc)
{
    ContextTable& table = Contexts();
    const auto found = table.contexts.find(Key(dc));
    return found == table.contexts.end() ? nullptr : &found->second;
}

RECT ScreenArea(const Display& display)
{
    return RECT{0, 0, display.Mode().width, display.Mode().height};
}

RECT DrawableArea(const DeviceContext& context, const Display& display)
{
    if (!context.clip)
        return ScreenArea(display);
    RECT box{0, 0, 0, 0};
    ForEachVisiblePart(context, display, ScreenArea(display), [&](const RECT& part) { UnionRect(&box, &box, &part); });
    return box;
}

std::vector<BYTE> TranslationOf(const LogicalPalette& palette, const Display& display)
{
    if (palette.realisedOn == display.Serial())
        return palette.toSystem;
    return display.Palette().RealizeBackground(palette.entries).toSystem;
}

WindowAreaProvider SetWindowAreaProvider(WindowAreaProvider provider)
{
    std::lock_guard lock(GdiMutex());
    return std::exchange(Contexts().windowArea, std::move(provider));
}

}  // namespace vesper::platform::gdi

using namespace vesper::platform;
using namespace vesper::platform::gdi;

HDC GetDC(HWND hWnd)
{
    std::lock_guard lock(GdiMutex());
    DeviceContext context;
    if (hWnd) {
        const WindowAreaProvider& windowArea = Contexts().windowArea;
        std::optional<WindowArea> area = windowArea ? windowArea(hWnd) : std::nullopt;
        if (!area)
            return nullptr;
        context.window = hWnd;
        context.origin = POINT{area->client.left, area->client.top};
        context.clip = std::move(area->visible);
    }
    return OpenContext(std::move(context));
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    std::lock_guard lock(GdiMutex());
    DeviceContext* context = FindDC(hDC);
    if (!context || context->window != hWnd)
        return 0;
    Select(*context, nullptr);
    ReleaseFontSelection(*context);
    Contexts().contexts.erase(Key(hDC));
    return 1;
}

int GetDeviceCaps(HDC hdc, int index)
{
    std::lock_guard lock(GdiMutex());
    if (!FindDC(hdc))
        return 0;
    const Display& display = CurrentDisplay();
    const bool palette = display.HasPalette();
    switch (index) {
    case HORZRES:
        return display.Mode().width;
    case VERTRES:
        return display.Mode().height;
    case BITSPIXEL:
        return display.Mode().bitsPerPixel;
    case PLANES:
        return kPlanes;
    case NUMCOLORS:
        return palette ? kPaletteDisplayColours : kTrueColourNumColours;
    case RASTERCAPS:
        return (palette ? RC_PALETTE : 0) | RC_STRETCHDIB | RC_DI_BITMAP;
    case SIZEPALETTE:
        return palette ? kSystemPaletteSize : 0;
    case NUMRESERVED:
        return kReservedEntries;
    default:
        return 0;
    }
}

int GetClipBox(HDC hdc, LPRECT lprect)
{
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    if (!context || !lprect)
        return ERROR;
    const Display& display = CurrentDisplay();
    RECT box = DrawableArea(*context, display);
    if (IsRectEmpty(&box)) {
        SetRectEmpty(lprect);
        return NULLREGION;
    }
    int pieces = 0;
    if (context->clip && context->clip->Rects().size() > 1)
        ForEachVisiblePart(*context, display, box, [&](const RECT&) { ++pieces; });
    OffsetRect(&box, -context->origin.x, -context->origin.y);
    *lprect = box;
    return pieces > 1 ? COMPLEXREGION : SIMPLEREGION;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    {
        std::lock_guard lock(GdiMutex());
        DeviceContext* context = FindDC(hdc);
        if (!context)
            return ERROR;
        RECT area{left, top, right, bottom};
        OffsetRect(&area, context->origin.x, context->origin.y);
        if (!context->clip)
            context->clip = Region(ScreenArea(CurrentDisplay()));
        context->clip->Intersect(area);
    }
    RECT box;
    return GetClipBox(hdc, &box);
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd)
{
    std::lock_guard lock(GdiMutex());
    DeviceContext* context = FindDC(hdc);
    if (!context || !FindPalette(hPal))
        return nullptr;
    const HPALETTE previous = context->palette;
    Select(*context, hPal);
    context->forceBackground = bForceBkgd != FALSE;
    return previous;
}

UINT RealizePalette(HDC hdc)
{
    UINT changed = 0;
    HWND window = nullptr;
    {
        std::lock_guard lock(GdiMutex());
        const DeviceContext* context = FindDC(hdc);
        if (!context)
            return GDI_ERROR;
        Display& display = CurrentDisplay();
        if (!display.HasPalette())
            return 0;
        LogicalPalette& palette = *FindPalette(context->palette);
        SystemPalette& system = display.Palette();
        Realisation realisation = context->forceBackground ? system.RealizeBackground(palette.entries)
                                                           : system.RealizeForeground(palette.entries);
        palette.toSystem = std::move(realisation.toSystem);
        palette.realisedOn = display.Serial();
        changed = realisation.changedEntries;
        window = context->window;
    }
    if (changed)
        NotifyPaletteChanged(window);
    return changed;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries)
{
    std::lock_guard lock(GdiMutex());
    if (!FindDC(hdc) || !CurrentDisplay().HasPalette())
        return 0;
    if (!pPalEntries)
        return kSystemPaletteSize;
    if (iStart >= static_cast<UINT>(kSystemPaletteSize))
        return 0;
    const UINT count = std::min<UINT>(cEntries, kSystemPaletteSize - iStart);
    const auto& entries = CurrentDisplay().Palette().Entries();
    std::copy_n(entries.begin() + iStart, count, pPalEntries);
    return count;
}

UINT SetSystemPaletteUse(HDC hdc, UINT use)
{
    UINT previous = SYSPAL_ERROR;
    bool changed = false;
    {
        std::lock_guard lock(GdiMutex());
        if (!FindDC(hdc) || !CurrentDisplay().HasPalette())
            return SYSPAL_ERROR;
        SystemPalette& system = CurrentDisplay().Palette();
        const std::uint64_t generation = system.Generation();
        previous = system.SetUse(use);
        changed = system.Generation() != generation;
    }
    if (changed)
        NotifyPaletteChanged(nullptr);
    return previous;
}

UINT GetSystemPaletteUse(HDC hdc)
{
    std::lock_guard lock(GdiMutex());
    if (!FindDC(hdc) || !CurrentDisplay().HasPalette())
        return SYSPAL_ERROR;
    return CurrentDisplay().Palette().Use();
}

int SetStretchBltMode(HDC hdc, int mode)
{
    std::lock_guard lock(GdiMutex());
    DeviceContext* context = FindDC(hdc);
    if (!context || mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    return std::exchange(context->stretchMode, mode);
}

int GetStretchBltMode(HDC hdc)
{
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    return context ? context->stretchMode : 0;
}
