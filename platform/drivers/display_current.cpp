// The Display base and the choice of the current display.
#include <atomic>
#include <cstdlib>
#include <utility>

#include "platform/drivers/display.h"
#include "platform/drivers/backends.h"

namespace vesper::platform {

namespace {

std::atomic<std::uint64_t> nextSerial{1};
// Kept alive past static destruction: static objects of the program release
// their GDI objects from their destructors.
std::unique_ptr<Display>& CurrentSlot()
{
    static auto* slot = new std::unique_ptr<Display>;
    return *slot;
}

struct PaletteChangedListener {
    std::mutex mutex;
    PaletteChangedHandler handler;
};

PaletteChangedListener& Listener()
{
    static auto* listener = new PaletteChangedListener;
    return *listener;
}

}  // namespace

bool IsSupportedMode(const DisplayMode& mode)
{
    const auto sideFits = [](int side) { return side >= 1 && side <= kLargestDisplaySide; };
    return sideFits(mode.width) && sideFits(mode.height) &&
           (mode.bitsPerPixel == 8 || mode.bitsPerPixel == 24 || mode.bitsPerPixel == 32);
}

Display::Display(const DisplayMode& mode) : m_mode(mode), m_serial(nextSerial++) {}

bool Display::Contains(int x, int y) const
{
    return x >= 0 && y >= 0 && x < m_mode.width && y < m_mode.height;
}

BYTE Display::IndexAt(int x, int y)
{
    if (!HasPalette() || !Contains(x, y))
        return 0;
    return Pixels().Row(y)[x];
}

COLORREF Display::ColourAt(int x, int y)
{
    if (!Contains(x, y))
        return kNoColour;
    const Surface surface = Pixels();
    const BYTE* pixel = surface.Row(y) + x * surface.bytesPerPixel;
    if (HasPalette()) {
        const PALETTEENTRY& entry = m_palette.Entries()[*pixel];
        return RGB(entry.peRed, entry.peGreen, entry.peBlue);
    }
    return RGB(pixel[2], pixel[1], pixel[0]);
}

std::recursive_mutex& GdiMutex()
{
    static auto* mutex = new std::recursive_mutex;
    return *mutex;
}

Display& CurrentDisplay()
{
    std::lock_guard lock(GdiMutex());
    std::unique_ptr<Display>& display = CurrentSlot();
    if (!display) {
        const BackendChoice choice = ChooseBackend(std::getenv("VESPER_DISPLAY"));
        display = choice.entry->makeDisplay(choice.setting);
    }
    return *display;
}

void UseDisplay(std::unique_ptr<Display> display)
{
    std::lock_guard lock(GdiMutex());
    CurrentSlot() = std::move(display);
}

PaletteChangedHandler SetPaletteChangedHandler(PaletteChangedHandler handler)
{
    std::lock_guard lock(Listener().mutex);
    return std::exchange(Listener().handler, std::move(handler));
}

void NotifyPaletteChanged(HWND changedBy)
{
    PaletteChangedHandler handler;
    {
        std::lock_guard lock(Listener().mutex);
        handler = Listener().handler;
    }
    if (handler)
        handler(changedBy);
}

}  // namespace vesper::platform
