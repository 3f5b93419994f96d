#include <gtest/gtest.h>

#include "sprites/sprite_list.h"
#include "sprites/anim_sprite.h"
#include "sprites/sprite_observer.h"
#include "tests/sprites/sprite_test_support.h"

using namespace vesper::test;

namespace {

// Sprites with frames of their own, in a list whose observer may forward to a
// recording stage.
class ListObserverTest : public ::testing::Test {
protected:
    ~ListObserverTest() override { list.DeleteAllSprites(); }

    CPhasedSprite* AddSprite(int x, int y, int width, int height)
    {
        auto* sprite = new CPhasedSprite;
        sprite->Create(width, height);
        sprite->phaseHeight = height;
        sprite->x = x;
        sprite->y = y;
        list.AddSprite(sprite);
        return sprite;
    }

    std::vector<CObject*> Order() const
    {
        std::vector<CObject*> order;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            order.push_back(list.GetNext(pos));
        return order;
    }

    void ShowOnStage() { list.observer.targetStage = &stage; }

    CSpriteList list;
    RecordingStage stage;
};

TEST_F(ListObserverTest, MoveGoesToTheStageAsTwoAreas)
{
    ShowOnStage();
    CSprite* sprite = AddSprite(10, 20, 8, 4);
    sprite->SetPosition(50, 60);
    ASSERT_EQ(stage.calls.size(), 2u);
    EXPECT_EQ(stage.calls[0].first, ChangeArea);
    EXPECT_EQ(stage.calls[0].second, (RECT{10, 20, 18, 24}));
    EXPECT_EQ(stage.calls[1].first, ChangeArea);
    EXPECT_EQ(stage.calls[1].second, (RECT{50, 60, 58, 64}));
    EXPECT_EQ(RectsOf(stage.rects), (std::vector<RECT>{{50, 60, 58, 64}, {10, 20, 18, 24}}));
}

TEST_F(ListObserverTest, PhaseChangeAddsNoArea)
{
    ShowOnStage();
    CPhasedSprite* sprite = AddSprite(0, 0, 8, 4);
    sprite->phaseCount = 2;
    ASSERT_TRUE(sprite->SetPhase(1));
    EXPECT_TRUE(stage.calls.empty());
    EXPECT_TRUE(stage.rects.IsEmpty());
}

TEST_F(ListObserverTest, DocumentListForwardsNoAreas)
{
    CSprite* sprite = AddSprite(0, 0, 8, 4);
    sprite->SetPosition(3, 3);
    EXPECT_EQ(sprite->GetX(), 3);
    EXPECT_TRUE(stage.calls.empty());
}

TEST_F(ListObserverTest, DepthChangeMovesTheSpriteBehindAllOthers)
{
    ShowOnStage();
    CSprite* first = AddSprite(0, 0, 1, 1);
    CSprite* second = AddSprite(0, 0, 1, 1);
    CSprite* third = AddSprite(0, 0, 1, 1);

    first->SetDepth(first->GetDepth());
    EXPECT_EQ(Order(), (std::vector<CObject*>{first, second, third}));

    first->SetDepth(10);
    EXPECT_EQ(Order(), (std::vector<CObject*>{second, third, first}));
    EXPECT_EQ(first->owner, &list.observer);
    EXPECT_TRUE(stage.calls.empty());
    first->SetDepth(20);  // already at the tail
    EXPECT_EQ(Order(), (std::vector<CObject*>{second, third, first}));

    third->SetDepth(70);
    EXPECT_EQ(Order(), (std::vector<CObject*>{second, first, third}));
}

TEST_F(ListObserverTest, CombinedFlagsDoBoth)
{
    ShowOnStage();
    CSprite* first = AddSprite(0, 0, 2, 2);
    CSprite* second = AddSprite(5, 5, 2, 2);
    const RECT before{0, 0, 2, 2}, after{1, 1, 3, 3};
    list.observer.OnSpriteChanged(first, ChangeOrder | ChangePosition | ChangePhase | 0x80, &before, &after);
    EXPECT_EQ(Order(), (std::vector<CObject*>{second, first}));
    ASSERT_EQ(stage.calls.size(), 2u);
    EXPECT_EQ(stage.calls[0].second, before);
    EXPECT_EQ(stage.calls[1].second, after);
}

}  // namespace
