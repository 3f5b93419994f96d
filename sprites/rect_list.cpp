#include "sprites/rect_list.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int kRectNodeBlockSize = 10;

bool Intersect(const RECT& a, const RECT& b)
{
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}

void GrowToUnion(RECT& into, const RECT& other)
{
    RECT merged;
    UnionRect(&merged, &into, &other);
    into = merged;
}

bool IsEmptyRect(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

// Merging rectangles that intersect into their union until none intersect
// ends in the same rectangles whatever the order of the merges: a merged
// rectangle always lies inside the one final rectangle that each of its
// parts ends in, since final rectangles do not intersect. So the merges can
// be done in any order, and the grid below does them in the order that is
// cheapest to find. Each final rectangle remembers the first rectangle of the
// list it grew from: that is the node the list keeps for it, as merging the
// list pairwise from the head always keeps the earlier node of a pair.
struct MergedRect {
    RECT rect;
    std::size_t first;  // list index of its first member
};

// What the merges of one thread work in, kept from one merge to the next: a
// tick merges its list every time, and the cells' lists would otherwise be
// allocated and freed again each time.
struct MergeStorage {
    std::vector<std::vector<std::uint32_t>> cells;
    std::vector<MergedRect> merged;
    std::vector<bool> alive;
    std::vector<std::uint32_t> seen;
    std::vector<std::uint32_t> large;
};

// A uniform grid of square cells over the area the rectangles cover; a
// rectangle is found through the cells it touches.
class MergeGrid {
public:
    struct CellRange {
        std::int64_t firstColumn, lastColumn, firstRow, lastRow;
        std::int64_t Count() const { return (lastColumn - firstColumn + 1) * (lastRow - firstRow + 1); }
    };

    MergeGrid(const std::vector<RECT>& rects, std::size_t nonEmpty, std::vector<std::vector<std::uint32_t>>& cells)
        : m_cells(cells)
    {
        m_left = m_top = INT64_MAX;
        std::int64_t right = INT64_MIN, bottom = INT64_MIN, sides = 0;
        for (const RECT& r : rects) {
            if (IsEmptyRect(r))
                continue;
            m_left = std::min<std::int64_t>(m_left, r.left);
            m_top = std::min<std::int64_t>(m_top, r.top);
            right = std::max<std::int64_t>(right, r.right);
            bottom = std::max<std::int64_t>(bottom, r.bottom);
            sides += std::int64_t{r.right} - r.left + r.bottom - r.top;
        }
        const std::int64_t width = right - m_left;
        const std::int64_t height = bottom - m_top;
        // Cells about as large as an average rectangle, so that each touches
        // few cells, but not so small that there are many more cells than
        // rectangles, nor more than kMaxCellsPerSide on a side.
        const auto count = static_cast<std::int64_t>(nonEmpty);
        const std::int64_t meanSide = sides / (2 * count);
        const auto spread = static_cast<std::int64_t>(
            std::ceil(std::sqrt(static_cast<double>(width) * static_cast<double>(height) / (kCellsPerRect * count))));
        m_side = std::max({std::int64_t{1}, meanSide, spread, CeilDiv(width, kMaxCellsPerSide),
                           CeilDiv(height, kMaxCellsPerSide)});
        m_columns = CeilDiv(width, m_side);
        const auto cellCount = static_cast<std::size_t>(m_columns * CeilDiv(height, m_side));
        if (m_cells.size() < cellCount)
            m_cells.resize(cellCount);
        for (std::size_t cell = 0; cell < cellCount; ++cell)
            m_cells[cell].clear();
    }

    // The cells a non-empty rectangle inside the grid's area touches.
    CellRange RangeOf(const RECT& r) const
    {
        return {(r.left - m_left) / m_side, (std::int64_t{r.right} - 1 - m_left) / m_side, (r.top - m_top) / m_side,
                (std::int64_t{r.bottom} - 1 - m_top) / m_side};
    }

    template <typename Visit>
    void ForEachCell(const CellRange& range, Visit visit)
    {
        for (std::int64_t row = range.firstRow; row <= range.lastRow; ++row)
            for (std::int64_t column = range.firstColumn; column <= range.lastColumn; ++column)
                visit(m_cells[static_cast<std::size_t>(row * m_columns + column)]);
    }

private:
    static constexpr double kCellsPerRect = 4.0;
    static constexpr std::int64_t kMaxCellsPerSide = 1024;

    static std::int64_t CeilDiv(std::int64_t value, std::int64_t divisor) { return (value + divisor - 1) / divisor; }

    std::int64_t m_left = 0;
    std::int64_t m_top = 0;
    std::int64_t m_side = 1;
    std::int64_t m_columns = 1;
    // Only the first m_columns x rows cells belong to this grid.
    std::vector<std::vector<std::uint32_t>>& m_cells;
};

// Merges the rectangles one at a time into a set of rectangles that do not
// intersect: a new rectangle absorbs every rectangle of the set it meets,
// and, when that made it larger, looks again, until it meets none; then it
// joins the set. Rectangles of the set are listed in the grid cells they
// touch, except large ones, which would fill many cells and are few (they do
// not intersect each other), so they are kept in a list of their own that
// every look reads.
class OverlapMerger {
public:
    OverlapMerger(const std::vector<RECT>& rects, std::size_t nonEmpty, MergeStorage& storage)
        : m_grid(rects, nonEmpty, storage.cells),
          m_merged(storage.merged),
          m_alive(storage.alive),
          m_seen(storage.seen),
          m_large(storage.large)
    {
        m_merged.clear();
        m_alive.clear();
        m_seen.clear();
        m_large.clear();
        m_merged.reserve(nonEmpty);
        m_alive.reserve(nonEmpty);
        m_seen.reserve(nonEmpty);
    }

    void Add(const RECT& rect, std::size_t index)
    {
        MergedRect current{rect, index};
        while (AbsorbMet(current)) {
        }
        const auto id = static_cast<std::uint32_t>(m_merged.size());
        m_merged.push_back(current);
        m_alive.push_back(true);
        m_seen.push_back(0);
        const MergeGrid::CellRange range = m_grid.RangeOf(current.rect);
        if (range.Count() > kLargeCells)
            m_large.push_back(id);
        else
            m_grid.ForEachCell(range, [id](std::vector<std::uint32_t>& cell) { cell.push_back(id); });
    }

    std::vector<MergedRect> Result() const
    {
        std::vector<MergedRect> result;
        for (std::size_t id = 0; id < m_merged.size(); ++id)
            if (m_alive[id])
                result.push_back(m_merged[id]);
        return result;
    }

private:
    // A rectangle touching more cells than this is kept in the large list.
    static constexpr std::int64_t kLargeCells = 64;

    // One look: absorbs every rectangle of the set that `current` meets.
    // True when another look is needed.
    bool AbsorbMet(MergedRect& current)
    {
        ++m_scan;
        const RECT before = current.rect;
        bool settled = false;
        const auto visit = [&](std::vector<std::uint32_t>& ids) {
            // Rectangles absorbed earlier are dropped from the list on the way.
            std::size_t kept = 0;
            for (const std::uint32_t id : ids) {
                if (!m_alive[id])
                    continue;
                ids[kept++] = id;
                if (m_seen[id] == m_scan || (m_seen[id] = m_scan, !Intersect(m_merged[id].rect, current.rect)))
                    continue;
                GrowToUnion(current.rect, m_merged[id].rect);
                current.first = std::min(current.first, m_merged[id].first);
                m_alive[id] = false;
                --kept;
                // Having grown to exactly a rectangle of the set, it meets
                // nothing else: that rectangle met nothing.
                settled = settled || EqualRect(&current.rect, &m_merged[id].rect);
            }
            ids.resize(kept);
        };
        m_grid.ForEachCell(m_grid.RangeOf(before), visit);
        visit(m_large);
        return !settled && !EqualRect(&current.rect, &before);
    }

    MergeGrid m_grid;
    std::vector<MergedRect>& m_merged;
    std::vector<bool>& m_alive;
    std::vector<std::uint32_t>& m_seen;
    std::vector<std::uint32_t>& m_large;
    std::uint32_t m_scan = 0;
};

// The final rectangles of the non-empty ones among `rects` (list order).
std::vector<MergedRect> MergeAll(const std::vector<RECT>& rects)
{
    const auto nonEmpty = static_cast<std::size_t>(
        std::count_if(rects.begin(), rects.end(), [](const RECT& r) { return !IsEmptyRect(r); }));
    if (nonEmpty == 0)
        return {};
    thread_local MergeStorage storage;
    OverlapMerger merger(rects, nonEmpty, storage);
    for (std::size_t index = 0; index < rects.size(); ++index)
        if (!IsEmptyRect(rects[index]))
            merger.Add(rects[index], index);
    return merger.Result();
}

}  // namespace

CRectList::CRectList() : CObList(kRectNodeBlockSize) {}

CRectList::RectNode& CRectList::NodeOf(CObject* element)
{
    return *static_cast<RectNode*>(element);
}

RECT& CRectList::GetRectAt(POSITION pos) const
{
    return NodeOf(GetAt(pos)).rect;
}

RECT& CRectList::GetNextRect(POSITION& pos) const
{
    return NodeOf(GetNext(pos)).rect;
}

void CRectList::AddRect(const RECT* r)
{
    if (!IsEmpty()) {
        RECT& head = GetRectAt(GetHeadPosition());
        if (Intersect(head, *r)) {
            GrowToUnion(head, *r);
            return;
        }
    }
    AddHead(new RectNode(*r));
}

void CRectList::MergeOverlaps()
{
    if (GetCount() < 2)
        return;
    std::vector<RECT> rects;
    rects.reserve(static_cast<std::size_t>(GetCount()));
    for (POSITION pos = GetHeadPosition(); pos;)
        rects.push_back(GetNextRect(pos));

    // The first member of each merged group keeps its node and takes the
    // group's rectangle; the other members' nodes go. Empty rectangles never
    // intersect anything and stay as they are.
    std::vector<const RECT*> leading(rects.size(), nullptr);
    const std::vector<MergedRect> merged = MergeAll(rects);
    for (const MergedRect& group : merged)
        leading[group.first] = &group.rect;
    std::size_t index = 0;
    for (POSITION pos = GetHeadPosition(); pos; ++index) {
        const POSITION current = pos;
        RECT& rect = GetNextRect(pos);
        if (IsEmptyRect(rect))
            continue;
        if (leading[index]) {
            rect = *leading[index];
            continue;
        }
        delete GetAt(current);
        RemoveAt(current);
    }
}

void CRectList::DeleteAllRects()
{
    for (POSITION pos = GetHeadPosition(); pos;)
        delete GetNext(pos);
    RemoveAll();
}
