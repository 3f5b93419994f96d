// The screen that GDI draws on. A Display owns the pixels of the whole screen
// and, on 256-colour modes, the system palette; backends differ only in where
// the pixels end up (memory for tests, a window later).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/gdi/display_palette.h"
#include "platform/api/win32_types.h"

namespace vesper::platform {

struct DisplayMode {
    int width = 1024;
    int height = 768;
    // 8 is a palette display; 24 and 32 are true colour.
    int bitsPerPixel = 32;

    bool operator==(const DisplayMode&) const = default;
};

inline constexpr int kLargestDisplaySide = 16384;

// Whether the mode is one a display can have: sides from 1 to
// kLargestDisplaySide, 8, 24 or 32 bits per pixel.
bool IsSupportedMode(const DisplayMode& mode);

// The pixels of a display. Palette displays keep one system palette index per
// pixel; true-colour displays keep four bytes per pixel, blue, green, red and
// one unused, whatever their nominal depth. Row 0 is the top of the screen.
struct Surface {
    BYTE* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;

    BYTE* Row(int y) const { return pixels + y * stride; }
};

class Display {
public:
    explicit Display(const DisplayMode& mode);
    virtual ~Display() = default;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    const DisplayMode& Mode() const { return m_mode; }
    bool HasPalette() const { return m_mode.bitsPerPixel == 8; }
    // Distinguishes this display from every other one made in the process, so
    // that a palette realised on an earlier display is not trusted here.
    std::uint64_t Serial() const { return m_serial; }

    // Only palette displays use it; true-colour displays keep one anyway so
    // that palette calls need no special case.
    SystemPalette& Palette() { return m_palette; }
    const SystemPalette& Palette() const { return m_palette; }

    virtual Surface Pixels() = 0;
    // GDI has written the area (screen coordinates, already inside the screen).
    virtual void AreaChanged(const RECT& area) = 0;

    bool Contains(int x, int y) const;
    // The system palette index at a pixel (0 off the screen or on true colour).
    BYTE IndexAt(int x, int y);
    // The colour shown at a pixel (kNoColour off the screen).
    static constexpr COLORREF kNoColour = 0xFFFFFFFF;
    COLORREF ColourAt(int x, int y);

private:
    DisplayMode m_mode;
    std::uint64_t m_serial;
    SystemPalette m_palette;
};

// One lock serialises all GDI state and the choice of display.
std::recursive_mutex& GdiMutex();

// The display GDI draws on. Made on first use by the backend VESPER_DISPLAY
// chooses (platform/drivers/backends.h). The reference stays valid until the display is replaced.
Display& CurrentDisplay();
// Replaces the display; device contexts stay valid and draw on the new one.
// Null makes the next use read VESPER_DISPLAY again.
void UseDisplay(std::unique_ptr<Display> display);

// Called after a realisation changed the system palette, with the window
// whose device context realised it (null for the screen), so that a window
// layer can tell the other windows. Returns the previous handler.
using PaletteChangedHandler = std::function<void(HWND changedBy)>;
PaletteChangedHandler SetPaletteChangedHandler(PaletteChangedHandler handler);
// Calls the handler; GDI does this without holding GdiMutex.
void NotifyPaletteChanged(HWND changedBy);

}  // namespace vesper::platform
