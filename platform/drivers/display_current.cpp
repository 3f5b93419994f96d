// The Display base and the choice of the current display.
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/drivers/display.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/sdl/sdl_choice.h"

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

// Reads a decimal number up to `separator` (or the end when separator is 0).
std::optional<int> ReadNumber(std::string_view& text, char separator)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (separator) {
        if (text.empty() || text.front() != separator)
            return std::nullopt;
        text.remove_prefix(1);
    }
    return value;
}

std::unique_ptr<Display> DisplayFromEnvironment()
{
    if (auto chosen = sdl::SdlDisplayFromEnvironment())
        return chosen;
    DisplayMode mode;
    if (const char* setting = std::getenv("VESPER_DISPLAY");
        setting && *setting && sdl::WishOf(setting) == sdl::Wish::Headless) {
        if (const auto parsed = ParseHeadlessDisplaySpec(setting))
            mode = *parsed;
        else
            std::fprintf(stderr, "vesper: VESPER_DISPLAY=\"%s\" is neither sdl nor headless:<width>x<height>x<8|24|32>; "
                                 "using headless:1024x768x32\n", setting);
    }
    return std::make_unique<HeadlessDisplay>(mode);
}

}  // namespace

bool IsSupportedMode(const DisplayMode& mode)
{
    const auto sideFits = [](int side) { return side >= 1 && side <= kLargestDisplaySide; };
    return sideFits(mode.width) && sideFits(mode.height) &&
           (mode.bitsPerPixel == 8 || mode.bitsPerPixel == 24 || mode.bitsPerPixel == 32);
}

std::optional<DisplayMode> ParseHeadlessDisplaySpec(std::string_view text)
{
    constexpr std::string_view prefix = "headless:";
    if (!text.starts_with(prefix))
        return std::nullopt;
    text.remove_prefix(prefix.size());
    const auto width = ReadNumber(text, 'x');
    const auto height = width ? ReadNumber(text, 'x') : std::nullopt;
    const auto bits = height ? ReadNumber(text, 0) : std::nullopt;
    if (!bits || !text.empty())
        return std::nullopt;
    const DisplayMode mode{*width, *height, *bits};
    return IsSupportedMode(mode) ? std::optional(mode) : std::nullopt;
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

COLORREF Display::ColorAt(int x, int y)
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
    if (!display)
        display = DisplayFromEnvironment();
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
