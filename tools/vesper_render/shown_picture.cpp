#include "tools/vesper_render/shown_picture.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vesper::tools {

namespace {

// The colour table's black, which fills the border; its nearest entry when
// the table has no pure black.
BYTE BlackIndex(const CDIB8BPP& frame)
{
    const RGBQUAD* table = frame.GetColorTable();
    int best = 0;
    int bestDistance = 3 * 255 + 1;
    for (int i = 0; i < 256; ++i) {
        const int distance = table[i].rgbRed + table[i].rgbGreen + table[i].rgbBlue;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<BYTE>(best);
}

}  // namespace

std::unique_ptr<CDIB8BPP> MagnifiedFrame(const CDIB8BPP& frame, const StageLayout& layout)
{
    std::unique_ptr<CDIB8BPP> shown(new (std::nothrow) CDIB8BPP);
    if (!shown || !shown->Create(layout.area.cx, layout.area.cy) || frame.GetWidth() != layout.stage.cx ||
        frame.GetHeight() != layout.stage.cy)
        return nullptr;
    std::memcpy(shown->GetColorTable(), frame.GetColorTable(), 256 * sizeof(RGBQUAD));
    const BYTE black = BlackIndex(frame);
    for (int y = 0; y < layout.area.cy; ++y)
        std::memset(shown->PixelAddress(0, y), black, static_cast<std::size_t>(layout.area.cx));

    const int k = layout.factor;
    for (int y = 0; y < layout.stage.cy; ++y) {
        const BYTE* source = frame.PixelAddress(0, y);
        const int top = layout.origin.y + y * k;
        BYTE* first = shown->PixelAddress(layout.origin.x, top);
        for (int x = 0; x < layout.stage.cx; ++x)
            std::fill_n(first + x * k, k, source[x]);
        for (int copy = 1; copy < k; ++copy)
            std::memcpy(shown->PixelAddress(layout.origin.x, top + copy), first,
                        static_cast<std::size_t>(layout.stage.cx) * k);
    }
    return shown;
}

}  // namespace vesper::tools
