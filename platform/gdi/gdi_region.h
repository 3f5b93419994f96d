// The screen area a device context may draw in, as a set of disjoint
// rectangles: a window's client area less the windows in front of it. The
// areas met in practice have a handful of pieces, so a plain list serves.
#pragma once

#include "platform/internal.h"

#include <span>
#include <vector>

#include "platform/api/win32_types.h"

namespace vesper::platform::gdi {

class Region {
public:
    // Empty.
    Region() = default;
    // The rectangle; empty when the rectangle is.
    explicit Region(const RECT& rect);

    bool IsEmpty() const { return m_rects.empty(); }
    // Disjoint, none of them empty, in no particular order.
    std::span<const RECT> Rects() const { return m_rects; }
    // The smallest rectangle holding the region; empty for an empty region.
    RECT Box() const;

    // Keeps only what lies inside the rectangle.
    void Intersect(const RECT& rect);
    // Takes out what lies inside the rectangle.
    void Subtract(const RECT& rect);

private:
    std::vector<RECT> m_rects;
};

}  // namespace vesper::platform::gdi
