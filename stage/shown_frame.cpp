#include "stage/shown_frame.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

// Frame pixels across one column of the comparison: a changed pixel makes
// at most this much of its row be sent.
constexpr int kColumnWidth = 32;
// The copy's rows are far apart and seldom in the cache: each row's bytes
// are fetched this many rows ahead of their comparing, a cache line at a time.
constexpr int kPrefetchRows = 4;
constexpr int kCacheLine = 64;
// Frame pixels that a rectangle may take in unchanged when that saves a
// separate rectangle: sending one costs the display about as much as a few
// hundred pixels.
constexpr long long kMergeSlack = 256;

long long AreaOf(const RECT& r)
{
    return static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
}

// Adds a rectangle to the list, merged with every one near enough that one
// rectangle over both takes in little that neither covers.
void AddMerged(std::vector<RECT>& rects, RECT added)
{
    for (std::size_t i = 0; i < rects.size();) {
        RECT both;
        UnionRect(&both, &rects[i], &added);
        if (AreaOf(both) - AreaOf(rects[i]) - AreaOf(added) <= kMergeSlack) {
            added = both;
            rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(i));
            i = 0;
        } else {
            ++i;
        }
    }
    rects.push_back(added);
}

}  // namespace

void ShownFrame::Forget()
{
    m_known = false;
}

bool ShownFrame::Knows(const CDIB8BPP& frame) const
{
    return m_known && frame.GetWidth() == m_width && frame.GetHeight() == m_height;
}

void ShownFrame::Shown(const CDIB8BPP& frame, const RECT& area)
{
    const int width = frame.GetWidth();
    const int height = frame.GetHeight();
    const bool whole = area.left <= 0 && area.top <= 0 && area.right >= width && area.bottom >= height;
    if (width != m_width || height != m_height) {
        m_known = false;
        if (!whole)
            return;
        m_width = width;
        m_height = height;
        m_pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    }
    const int left = std::max<int>(area.left, 0);
    const int right = std::min<int>(area.right, width);
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, height) && left < right; ++y)
        std::memcpy(&m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(left)],
                    frame.PixelAddress(left, y), static_cast<std::size_t>(right - left));
    m_known = m_known || whole;
}

std::vector<RECT> ShownFrame::Changes(const CDIB8BPP& frame, const RECT& area)
{
    if (!Knows(frame)) {
        Shown(frame, area);
        return {area};
    }
    std::vector<RECT> changes;
    if (IsRectEmpty(&area))
        return changes;
    // Per column, the rectangle of changed pixels in the rows so far, until
    // a row with none in that column ends it.
    const int columns = (area.right - area.left + kColumnWidth - 1) / kColumnWidth;
    std::vector<std::optional<RECT>> open(static_cast<std::size_t>(columns));
    const auto end = [&](std::optional<RECT>& run) {
        if (run)
            AddMerged(changes, *std::exchange(run, std::nullopt));
    };
    for (int y = area.top; y < area.bottom; ++y) {
        const BYTE* now = frame.PixelAddress(area.left, y);
        BYTE* shown = &m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                                static_cast<std::size_t>(area.left)];
        if (y + kPrefetchRows < area.bottom)
            for (int x = 0; x < area.right - area.left; x += kCacheLine)
                __builtin_prefetch(shown + static_cast<std::ptrdiff_t>(kPrefetchRows) * m_width + x);
        for (int c = 0; c < columns; ++c) {
            const int from = c * kColumnWidth;
            const int to = std::min<int>(from + kColumnWidth, area.right - area.left);
            std::optional<RECT>& run = open[static_cast<std::size_t>(c)];
            if (std::memcmp(now + from, shown + from, static_cast<std::size_t>(to - from)) == 0) {
                end(run);
                continue;
            }
            int first = from;
            while (now[first] == shown[first])
                ++first;
            int last = to - 1;
            while (now[last] == shown[last])
                --last;
            std::memcpy(shown + first, now + first, static_cast<std::size_t>(last + 1 - first));
            const RECT row{area.left + first, y, area.left + last + 1, y + 1};
            if (run)
                UnionRect(&*run, &*run, &row);
            else
                run = row;
        }
    }
    for (std::optional<RECT>& run : open)
        end(run);
    return changes;
}
