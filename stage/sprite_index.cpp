#include "stage/sprite_index.h"

#include <algorithm>

namespace {

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool IsEmpty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

}  // namespace

SpriteIndex::SpriteIndex(std::vector<Entry> sprites, const RECT& frame) : m_frame(frame)
{
    if (IsEmpty(frame))
        return;
    m_columns = (frame.right - frame.left + kCellSide - 1) / kCellSide;
    m_rows = (frame.bottom - frame.top + kCellSide - 1) / kCellSide;
    for (const Entry& entry : sprites)
        if (!IsEmpty(entry.rect) && Overlap(entry.rect, frame))
            m_sprites.push_back(entry);

    // Count each cell's sprites, turn the counts into start positions, then
    // fill the cells in painting order.
    const auto cellCount = static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows);
    m_cellStart.assign(cellCount + 1, 0);
    const auto forEachCell = [&](const RECT& rect, auto visit) {
        CellRange range;
        if (!RangeOf(rect, range))
            return;
        for (LONG row = range.firstRow; row <= range.lastRow; ++row)
            for (LONG column = range.firstColumn; column <= range.lastColumn; ++column)
                visit(static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column));
    };
    for (const Entry& entry : m_sprites)
        forEachCell(entry.rect, [&](std::size_t cell) { ++m_cellStart[cell + 1]; });
    for (std::size_t cell = 0; cell < cellCount; ++cell)
        m_cellStart[cell + 1] += m_cellStart[cell];
    m_cellSprites.resize(m_cellStart[cellCount]);
    std::vector<std::uint32_t> filled(m_cellStart.begin(), m_cellStart.end() - 1);
    for (std::uint32_t number = 0; number < m_sprites.size(); ++number)
        forEachCell(m_sprites[number].rect, [&](std::size_t cell) { m_cellSprites[filled[cell]++] = number; });
    m_takenBy.assign(m_sprites.size(), 0);
}

bool SpriteIndex::RangeOf(const RECT& r, CellRange& range) const
{
    RECT inside;
    if (!IntersectRect(&inside, &r, &m_frame))
        return false;
    range.firstColumn = (inside.left - m_frame.left) / kCellSide;
    range.lastColumn = (inside.right - 1 - m_frame.left) / kCellSide;
    range.firstRow = (inside.top - m_frame.top) / kCellSide;
    range.lastRow = (inside.bottom - 1 - m_frame.top) / kCellSide;
    return true;
}

const std::vector<CSprite*>& SpriteIndex::SpritesIn(const RECT& area)
{
    m_result.clear();
    m_found.clear();
    CellRange range;
    if (!RangeOf(area, range))
        return m_result;
    ++m_query;
    for (LONG row = range.firstRow; row <= range.lastRow; ++row)
        for (LONG column = range.firstColumn; column <= range.lastColumn; ++column) {
            const std::size_t cell = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                                     static_cast<std::size_t>(column);
            for (std::uint32_t at = m_cellStart[cell]; at < m_cellStart[cell + 1]; ++at) {
                const std::uint32_t number = m_cellSprites[at];
                if (m_takenBy[number] == m_query || !Overlap(m_sprites[number].rect, area))
                    continue;
                m_takenBy[number] = m_query;
                m_found.push_back(number);
            }
        }
    // Cells are read one after another, so sprites from several cells come
    // out of order: back into painting order.
    if (range.firstColumn != range.lastColumn || range.firstRow != range.lastRow)
        std::sort(m_found.begin(), m_found.end());
    for (const std::uint32_t number : m_found)
        m_result.push_back(m_sprites[number].sprite);
    return m_result;
}
