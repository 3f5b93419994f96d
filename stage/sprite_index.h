// The stage's sprites by where they are, for recomposing many small areas:
// a grid of square cells over the frame lists, for each cell, the sprites
// that reach into it, so that an area meets only the sprites of its own
// cells instead of every sprite of the stage.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"

class CSprite;

class SpriteIndex {
public:
    // A sprite with the rectangle it covers; the rectangle must not change
    // while the index is in use.
    struct Entry {
        CSprite* sprite;
        RECT rect;
    };

    // Sprites in painting order, back to front, over a frame of the given
    // area. Sprites outside the frame are left out: they never show.
    SpriteIndex(std::vector<Entry> sprites, const RECT& frame);

    // The sprites whose rectangles intersect the area, in painting order.
    const std::vector<CSprite*>& SpritesIn(const RECT& area);

private:
    static constexpr LONG kCellSide = 64;

    struct CellRange {
        LONG firstColumn, lastColumn, firstRow, lastRow;
    };
    // The cells the part of a rectangle inside the frame touches; false
    // when no part of it is inside.
    bool RangeOf(const RECT& r, CellRange& range) const;

    std::vector<Entry> m_sprites;
    RECT m_frame;
    LONG m_columns = 0;
    LONG m_rows = 0;
    // Cell c lists m_cellSprites[m_cellStart[c]] .. [m_cellStart[c + 1] - 1],
    // sprite numbers in painting order.
    std::vector<std::uint32_t> m_cellStart;
    std::vector<std::uint32_t> m_cellSprites;
    // Per sprite, the last query that took it, so that a sprite listed in
    // several cells is taken once.
    std::vector<std::uint32_t> m_takenBy;
    std::uint32_t m_query = 0;
    std::vector<std::uint32_t> m_found;
    std::vector<CSprite*> m_result;
};
