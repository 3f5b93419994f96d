// A display that exists only in memory: tests choose its size and depth, draw
// through GDI and read the pixels back.
#pragma once

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

// Makes a headless display of the given mode current and returns it. An
// unsupported mode falls back to the default 1024x768x32.
HeadlessDisplay& UseHeadlessDisplay(const DisplayMode& mode);

}  // namespace vesper::platform
