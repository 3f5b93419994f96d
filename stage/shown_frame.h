// What the stage last copied to its window, pixel by pixel: a copy of the
// frame's indexes as shown. A tick's changed rectangle is mostly unchanged
// pixels (a sprite moved by a pixel alters little more than its outline), so
// a copy narrowed to the pixels that do differ sends a fraction of them, which
// counts most when every frame pixel is magnified into a block of the screen.
#pragma once

#include <vector>

#include "imaging/dib8bpp.h"
#include "platform/win32.h"

class ShownFrame {
public:
    // Nothing is known to be shown: the next copies are whole.
    void Forget();

    // The parts of `area` (frame pixels, inside the frame) whose pixels
    // differ from what was last shown, few and a little larger than the
    // exact difference where one rectangle costs less than two; they are
    // recorded as shown. All of `area` when nothing is known of it yet.
    std::vector<RECT> Changes(const CDIB8BPP& frame, const RECT& area);
    // Records the area of the frame (inside it) as shown; the whole frame
    // recorded at once makes it known.
    void Shown(const CDIB8BPP& frame, const RECT& area);

private:
    // Whether the copy holds the whole frame as shown.
    bool Knows(const CDIB8BPP& frame) const;

    // Rows of m_width indexes, top row first.
    std::vector<BYTE> m_pixels;
    int m_width = 0;
    int m_height = 0;
    // Set once the whole frame has been recorded at once.
    bool m_known = false;
};
