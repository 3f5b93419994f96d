#include "platform/gdi/gdi_region.h"

#include <algorithm>

#include "platform/win32.h"

namespace vesper::platform::gdi {

Region::Region(const RECT& rect)
{
    if (!IsRectEmpty(&rect))
        m_rects.push_back(rect);
}

RECT Region::Box() const
{
    RECT box{0, 0, 0, 0};
    for (const RECT& rect : m_rects)
        UnionRect(&box, &box, &rect);
    return box;
}

void Region::Intersect(const RECT& rect)
{
    for (RECT& piece : m_rects)
        IntersectRect(&piece, &piece, &rect);
    std::erase_if(m_rects, [](const RECT& piece) { return IsRectEmpty(&piece); });
}

void Region::Subtract(const RECT& rect)
{
    std::vector<RECT> kept;
    kept.reserve(m_rects.size());
    for (const RECT& piece : m_rects) {
        RECT cut;
        if (!IntersectRect(&cut, &piece, &rect)) {
            kept.push_back(piece);
            continue;
        }
        // What is left of the piece: the full-width bands above and below
        // the cut, and the parts beside it between them.
        const RECT remains[] = {{piece.left, piece.top, piece.right, cut.top},
                                {piece.left, cut.bottom, piece.right, piece.bottom},
                                {piece.left, cut.top, cut.left, cut.bottom},
                                {cut.right, cut.top, piece.right, cut.bottom}};
        for (const RECT& remain : remains)
            if (!IsRectEmpty(&remain))
                kept.push_back(remain);
    }
    m_rects = std::move(kept);
}

}  // namespace vesper::platform::gdi
