#include "platform/gdi/gdi_objects.h"

#include <algorithm>
#include <unordered_map>

#include "platform/drivers/display.h"
#include "platform/api/win32_gdi.h"

namespace vesper::platform::gdi {

namespace {

struct ObjectTable {
    std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>> objects;
    // Handles start well above small integers that could be mistaken for one.
    std::uintptr_t nextHandle = 0x10000;
    HGDIOBJ stockPalette = nullptr;
    std::unordered_map<int, HGDIOBJ> stockBrushes;
};

// Kept alive past static destruction: static objects of the program delete
// their GDI objects from their destructors.
ObjectTable& Table()
{
    static auto* table = new ObjectTable;
    return *table;
}

std::uintptr_t Key(HGDIOBJ handle) { return reinterpret_cast<std::uintptr_t>(handle); }

HGDIOBJ MakeStockPalette()
{
    auto palette = std::make_unique<LogicalPalette>();
    palette->stock = true;
    palette->entries.assign(StaticColours().begin(), StaticColours().end());
    return AddObject(std::move(palette));
}

HGDIOBJ StockBrush(int index)
{
    static constexpr COLORREF kStockBrushColours[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                                       RGB(64, 64, 64), RGB(0, 0, 0), RGB(0, 0, 0)};
    if (index < WHITE_BRUSH || index > NULL_BRUSH)
        return nullptr;
    HGDIOBJ& handle = Table().stockBrushes[index];
    if (!handle) {
        auto brush = std::make_unique<SolidBrush>();
        brush->stock = true;
        brush->colour = kStockBrushColours[index];
        brush->hollow = index == NULL_BRUSH;
        handle = AddObject(std::move(brush));
    }
    return handle;
}

// Number of entries of a range [start, start + count) that lie inside a
// palette of `size` entries.
UINT ClampedCount(std::size_t size, UINT start, UINT count)
{
    if (start >= size)
        return 0;
    return static_cast<UINT>(std::min<std::size_t>(count, size - start));
}

}  // namespace

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object)
{
    ObjectTable& table = Table();
    const std::uintptr_t key = table.nextHandle++;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HGDIOBJ>(key);
}

GdiObject* FindObject(HGDIOBJ handle)
{
    ObjectTable& table = Table();
    const auto found = table.objects.find(Key(handle));
    return found == table.objects.end() ? nullptr : found->second.get();
}

LogicalPalette* FindPalette(HPALETTE palette)
{
    GdiObject* object = FindObject(palette);
    return object && object->Kind() == ObjectKind::Palette ? static_cast<LogicalPalette*>(object) : nullptr;
}

SolidBrush* FindBrush(HBRUSH brush)
{
    GdiObject* object = FindObject(brush);
    return object && object->Kind() == ObjectKind::Brush ? static_cast<SolidBrush*>(object) : nullptr;
}

HPALETTE StockPalette()
{
    ObjectTable& table = Table();
    if (!table.stockPalette)
        table.stockPalette = MakeStockPalette();
    return static_cast<HPALETTE>(table.stockPalette);
}

}  // namespace vesper::platform::gdi

using namespace vesper::platform;
using namespace vesper::platform::gdi;

HGDIOBJ GetStockObject(int i)
{
    std::lock_guard lock(GdiMutex());
    if (i == DEFAULT_PALETTE)
        return StockPalette();
    if (HGDIOBJ font = StockFont(i))
        return font;
    return StockBrush(i);
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    auto brush = std::make_unique<SolidBrush>();
    brush->colour = colour;
    std::lock_guard lock(GdiMutex());
    return static_cast<HBRUSH>(AddObject(std::move(brush)));
}

BOOL DeleteObject(HGDIOBJ ho)
{
    std::lock_guard lock(GdiMutex());
    GdiObject* object = FindObject(ho);
    if (!object || (object->selections > 0 && !object->stock))
        return FALSE;
    if (!object->stock)
        Table().objects.erase(Key(ho));
    return TRUE;
}

HPALETTE CreatePalette(const LOGPALETTE* plpal)
{
    if (!plpal || plpal->palVersion != kLogicalPaletteVersion || plpal->palNumEntries == 0 ||
        plpal->palNumEntries > kLargestLogicalPalette)
        return nullptr;
    auto palette = std::make_unique<LogicalPalette>();
    palette->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    std::lock_guard lock(GdiMutex());
    return static_cast<HPALETTE>(AddObject(std::move(palette)));
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries)
{
    std::lock_guard lock(GdiMutex());
    const LogicalPalette* palette = FindPalette(hpal);
    if (!palette)
        return 0;
    if (!pPalEntries)
        return static_cast<UINT>(palette->entries.size());
    const UINT count = ClampedCount(palette->entries.size(), iStart, cEntries);
    std::copy_n(palette->entries.begin() + iStart, count, pPalEntries);
    return count;
}

UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries)
{
    std::lock_guard lock(GdiMutex());
    LogicalPalette* palette = FindPalette(hpal);
    if (!palette || palette->stock || !pPalEntries)
        return 0;
    const UINT count = ClampedCount(palette->entries.size(), iStart, cEntries);
    std::copy_n(pPalEntries, count, palette->entries.begin() + iStart);
    if (count)
        palette->realisedOn = 0;
    return count;
}

BOOL ResizePalette(HPALETTE hpal, UINT n)
{
    std::lock_guard lock(GdiMutex());
    LogicalPalette* palette = FindPalette(hpal);
    if (!palette || palette->stock || n == 0 || n > kLargestLogicalPalette)
        return FALSE;
    palette->entries.resize(n, PALETTEENTRY{0, 0, 0, 0});
    palette->realisedOn = 0;
    return TRUE;
}
