// The sprite index against a plain filter of every sprite: the same sprites,
// in the same painting order, for areas of every size and place.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "sprites/sprite.h"
#include "stage/sprite_index.h"
#include "tests/stage/stage_test_support.h"

namespace {

using vesper::test::RandomRect;

struct IndexCase {
    std::vector<std::unique_ptr<CSprite>> owned;
    std::vector<SpriteIndex::Entry> entries;

    void Add(const RECT& rect)
    {
        owned.push_back(std::make_unique<CSprite>());
        entries.push_back({owned.back().get(), rect});
    }

    std::vector<CSprite*> Expected(const RECT& area, const RECT& frame) const
    {
        std::vector<CSprite*> found;
        RECT inFrame, common;
        if (!IntersectRect(&inFrame, &area, &frame))
            return found;
        for (const SpriteIndex::Entry& entry : entries)
            if (IntersectRect(&common, &entry.rect, &inFrame))
                found.push_back(entry.sprite);
        return found;
    }
};

TEST(SpriteIndexTest, FindsWhatAPlainFilterFindsInPaintingOrder)
{
    std::mt19937 random(31);
    for (const RECT frame : {RECT{0, 0, 1920, 1080}, RECT{0, 0, 130, 70}, RECT{0, 0, 1, 1}}) {
        IndexCase sprites;
        const int width = frame.right, height = frame.bottom;
        for (int i = 0; i < 400; ++i)
            sprites.Add(RandomRect(random, width, height, i % 10 == 0 ? 700 : 60));
        sprites.Add(RECT{-500, -500, 5000, 5000});  // over everything
        sprites.Add(RECT{40, 40, 40, 90});          // empty
        SpriteIndex index(sprites.entries, frame);
        for (int i = 0; i < 500; ++i) {
            const RECT area = RandomRect(random, width, height, i % 7 == 0 ? 2000 : 100);
            ASSERT_EQ(index.SpritesIn(area), sprites.Expected(area, frame))
                << "frame " << frame.right << "x" << frame.bottom << ", area " << area.left << ", " << area.top
                << ", " << area.right << ", " << area.bottom;
        }
    }
}

}  // namespace
