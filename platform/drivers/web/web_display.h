// The screen of the browser: a true-colour display whose pixels live in the
// module's memory and whose every changed area goes at once, as RGBA bytes
// (red, green, blue, opaque alpha, rows top first), to a presenter; in the
// page that is the canvas (one putImageData per area).
#pragma once

#include "platform/internal.h"

#include <functional>
#include <memory>
#include <vector>

#include "platform/drivers/display.h"

namespace vesper::platform {

// The area's pixels of a true-colour surface (blue, green, red, unused) as
// RGBA into `rgba`, which holds width x height x 4 bytes of the area. The
// area lies inside the surface.
void CopyAreaAsRgba(const Surface& surface, const RECT& area, BYTE* rgba);

// Shows `rgba` (the area's pixels as CopyAreaAsRgba writes them) at the area.
using RgbaPresenter = std::function<void(const BYTE* rgba, const RECT& area)>;

class WebDisplay : public Display {
public:
    // Always 32 bits per pixel, whatever `mode` says: the canvas has no palette.
    WebDisplay(const DisplayMode& mode, RgbaPresenter presenter);

    Surface Pixels() override;
    void AreaChanged(const RECT& area) override;

    // Areas presented since the display was made (a measure for the page).
    long long AreasPresented() const { return m_areasPresented; }

private:
    std::vector<BYTE> m_pixels;
    std::vector<BYTE> m_rgba;
    RgbaPresenter m_presenter;
    long long m_areasPresented = 0;
};

}  // namespace vesper::platform
