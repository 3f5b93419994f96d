// A display that exists only in memory: tests choose its size and depth, draw
// through GDI and read the pixels back.
#pragma once

#include "platform/internal.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/drivers/display.h"

namespace vesper::platform {

class HeadlessDisplay : public Display {
public:
    explicit HeadlessDisplay(const DisplayMode& mode);

    Surface Pixels() override;
    void AreaChanged(const RECT& area) override;

    // The smallest rectangle holding every area written since the display was
    // made or the last ForgetChangedArea (empty when nothing was written).
    RECT ChangedArea() const { return m_changed; }
    void ForgetChangedArea() { m_changed = RECT{0, 0, 0, 0}; }

private:
    std::vector<BYTE> m_pixels;
    RECT m_changed{0, 0, 0, 0};
};

// Reads "headless:<width>x<height>x<bits>", the form of VESPER_DISPLAY.
std::optional<DisplayMode> ParseHeadlessDisplaySpec(std::string_view text);

// The headless backend's display for the VESPER_DISPLAY value that chose it:
// the mode it names, or 1024x768x32 when it was chosen without a value (or,
// with a warning, when the value cannot be read).
std::unique_ptr<Display> MakeHeadlessDisplay(std::string_view setting);

// Makes a headless display of the given mode current and returns it. An
// unsupported mode falls back to the default 1024x768x32.
HeadlessDisplay& UseHeadlessDisplay(const DisplayMode& mode);

}  // namespace vesper::platform
