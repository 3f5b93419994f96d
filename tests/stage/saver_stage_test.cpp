// The scene player: what is drawn when, where sprites are placed, the
// painting order, and that the rectangles it recomposes keep the frame
// exactly as a full composition would make it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/default_palette.h"
#include "sprites/anim_sprite.h"
#include "stage/saver_stage.h"
#include "tests/stage/stage_test_support.h"

namespace {

using vesper::test::IndexOfCubeColour;
using vesper::test::SpriteSpec;
using vesper::test::StageTest;

constexpr COLORREF kTeal = RGB(0, 102, 102);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

bool Intersects(const RECT& a, const RECT& b)
{
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}

RECT RectOf(const CSprite& sprite)
{
    RECT r;
    sprite.GetRect(&r);
    return r;
}

class SaverStageTest : public StageTest {
protected:
    void SetUp() override
    {
        UseScreen(640, 480);
        window = MakeWindow({0, 0, 640, 480});
        stage->Attach(window);
    }

    void TearDown() override
    {
        stage->Detach();
        StageTest::TearDown();
    }

    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            stage->Tick();
    }

    // A sprite that never changes: no motion and a phase cadence far longer
    // than any test runs.
    static SpriteSpec Still(int x, int y, COLORREF fill)
    {
        SpriteSpec spec;
        spec.x = x;
        spec.y = y;
        spec.fill = fill;
        spec.motion = 0;
        spec.phaseSpeed = -10000;
        return spec;
    }

    HWND window = nullptr;
};

TEST_F(SaverStageTest, SceneWithoutSpritesIsDrawnAtLoadAndNeverAgain)
{
    Play(kTeal, {}, 640, 480);
    const RECT whole{0, 0, 640, 480};
    // The installed background shows the whole frame, and so does the end
    // of building the (no) sprites.
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{whole, whole}));
    EXPECT_EQ(stage->m_pFrame->GetPixelIndex(0, 0), IndexOfCubeColour(kTeal));
    EXPECT_EQ(FirstDifferenceFromFrame(), std::nullopt);

    Ticks(60);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(SaverStageTest, FlushCopiesMergedRectanglesOneByOne)
{
    Play(kTeal, {}, 640, 480);
    TakeWrites();
    const auto flush = [&](std::vector<RECT> areas) {
        for (const RECT& area : areas)
            stage->NotifyChange(ChangeArea, &area);
        stage->NotifyChange(ChangeFlush);
        EXPECT_EQ(stage->m_dirtyRects.GetCount(), 0);
        return TakeWrites();
    };

    // Rectangles that only share an edge stay two copies, newest first.
    EXPECT_EQ(flush({{10, 10, 20, 20}, {20, 10, 30, 20}}), (std::vector<RECT>{{20, 10, 30, 20}, {10, 10, 20, 20}}));
    // Overlapping ones become one copy of their union, also when the overlap
    // is found only by the merge, deeper than the head of the list.
    EXPECT_EQ(flush({{0, 0, 10, 10}, {50, 50, 60, 60}, {5, 5, 55, 55}}), (std::vector<RECT>{{0, 0, 60, 60}}));
    // Areas reaching past the frame are cut to it on the way to the screen.
    EXPECT_EQ(flush({{600, 470, 700, 500}}), (std::vector<RECT>{{600, 470, 640, 480}}));
}

TEST_F(SaverStageTest, ChangeKindsRedrawWhatTheyName)
{
    Play(kTeal, {Still(40, 40, kRed)}, 640, 480);
    TakeWrites();
    CAnimSprite& sprite = *StageSprites().front();

    // A picture or sprite: its rectangle, composed and shown at once.
    sprite.x = 100;  // moved without a report, so only an explicit change shows it
    stage->NotifyChange(ChangeObject, &sprite);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{RectOf(sprite)}));
    EXPECT_EQ(stage->m_pFrame->GetPixelIndex(105, 45), IndexOfCubeColour(kRed));
    EXPECT_EQ(stage->m_pFrame->GetPixelIndex(45, 45), IndexOfCubeColour(kRed)) << "the old place was not asked for";

    // An area given as a sprite is recorded, not drawn.
    const int pending = stage->m_dirtyRects.GetCount();
    stage->NotifyChange(ChangeArea, &sprite);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(stage->m_dirtyRects.GetCount(), pending + 1);

    // Any other kind: the whole frame.
    stage->NotifyChange(99);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{{0, 0, 640, 480}}));
    EXPECT_EQ(stage->m_pFrame->GetPixelIndex(45, 45), IndexOfCubeColour(kTeal));
    EXPECT_EQ(FirstDifferenceFromFrame(), std::nullopt);

    // Rectangle kinds without a rectangle are ignored.
    stage->NotifyChange(ChangeArea);
    stage->NotifyChange(ChangeObject);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(stage->m_dirtyRects.GetCount(), pending + 1);
}

TEST_F(SaverStageTest, NothingHappensBeforeASceneIsLoaded)
{
    const RECT area{0, 0, 10, 10};
    stage->NotifyChange(ChangeArea, &area);
    stage->NotifyChange(ChangeFlush);
    stage->NotifyChange(99);
    stage->Compose(nullptr);
    stage->Tick();
    EXPECT_EQ(stage->m_dirtyRects.GetCount(), 0);
    EXPECT_TRUE(TakeWrites().empty());

    // Building for a document that is not the one being played does nothing.
    doc = vesper::test::MakeScene(kTeal, {Still(0, 0, kRed)});
    stage->BuildBackground(doc.get(), 640, 480);
    stage->BuildSprites(doc.get());
    EXPECT_EQ(stage->m_nWidth, 0);
    EXPECT_EQ(stage->m_pBackground, nullptr);
    EXPECT_TRUE(StageSprites().empty());
}

TEST_F(SaverStageTest, FirstSpriteOfTheDocumentIsPaintedOnTop)
{
    SpriteSpec front = Still(10, 10, kRed);
    front.width = front.height = 30;
    SpriteSpec back = Still(20, 20, kBlue);
    back.width = back.height = 30;
    front.dx = back.dx = 20;  // both move 2 px a tick, keeping the overlap
    front.motion = back.motion = MotionLinear;
    Play(kTeal, {front, back}, 640, 480);

    const auto expectOrder = [&](int shift) {
        const CDIB8BPP& frame = *stage->m_pFrame;
        EXPECT_EQ(frame.GetPixelIndex(shift + 25, 25), IndexOfCubeColour(kRed)) << "overlap shows the first sprite";
        EXPECT_EQ(frame.GetPixelIndex(shift + 45, 45), IndexOfCubeColour(kBlue));
        EXPECT_EQ(frame.GetPixelIndex(shift + 10, 20), IndexOfCubeColour(kTeal)) << "transparent column";
    };
    expectOrder(0);
    ASSERT_EQ(StageSprites().size(), 2u);
    EXPECT_EQ(StageSprites().front()->x, 10) << "the document's first sprite heads the stage's list";
    Ticks(5);
    expectOrder(10);
    EXPECT_EQ(FirstDifferenceFromFrame(), std::nullopt);
}

TEST_F(SaverStageTest, PlacementAreasStayPendingUntilTheFirstChangingTick)
{
    SpriteSpec mover = Still(250, 10, kBlue);
    mover.motion = MotionLinear;
    mover.dx = 10;
    Play(kTeal, {Still(50, 100, kRed), mover}, 640, 480);
    TakeWrites();
    // Placing reported each sprite's old and new rectangle; the whole frame
    // was shown, but the rectangles wait for the first flush.
    EXPECT_GT(stage->m_dirtyRects.GetCount(), 0);
    const RECT still = RectOf(*StageSprites().front());

    stage->Tick();
    const std::vector<RECT> writes = TakeWrites();
    EXPECT_TRUE(std::any_of(writes.begin(), writes.end(), [&](const RECT& w) {
        return w.left <= still.left && w.top <= still.top && still.right <= w.right && still.bottom <= w.bottom;
    })) << "the still sprite's placement is shown again at the first flush";
    EXPECT_EQ(stage->m_dirtyRects.GetCount(), 0);

    // From then on the still sprite's area is never touched again.
    for (int tick = 0; tick < 40; ++tick) {
        stage->Tick();
        for (const RECT& w : TakeWrites())
            ASSERT_FALSE(Intersects(w, still)) << "tick " << tick;
    }
}

TEST_F(SaverStageTest, TicksWithoutChangesDrawNothingAtAll)
{
    Play(kTeal, {Still(50, 100, kRed), Still(150, 30, kBlue)}, 640, 480);
    TakeWrites();
    const int pending = stage->m_dirtyRects.GetCount();
    Ticks(100);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(stage->m_dirtyRects.GetCount(), pending) << "no flush without a change";
}

TEST_F(SaverStageTest, RecomposedRectanglesKeepTheFrameAsAFullComposition)
{
    // Sprites of every motion and edge mode crossing each other and the
    // edges; after each stretch of ticks the frame must be what composing
    // everything afresh gives, and the screen must show it.
    std::srand(12345);
    std::vector<SpriteSpec> sprites;
    const COLORREF fills[] = {kRed, kBlue, kYellow, RGB(0, 255, 0), RGB(255, 255, 255), RGB(102, 51, 0)};
    for (int i = 0; i < 18; ++i) {
        SpriteSpec spec;
        spec.x = (i * 97) % 640 - 20;
        spec.y = (i * 53) % 480 - 10;
        spec.width = 12 + (i * 7) % 40;
        spec.height = 10 + (i * 11) % 30;
        spec.fill = fills[i % 6];
        spec.dx = (i % 2 ? 1 : -1) * (5 + i * 7);
        spec.dy = (i % 3 ? 1 : -1) * (3 + i * 5);
        spec.motion = i % 4 == 3 ? MotionBounce : MotionLinear;
        spec.edgeMode = i % 3;
        spec.phaseCount = 1 + i % 3;
        spec.phaseSpeed = 8 + i % 12;
        sprites.push_back(spec);
    }
    Play(kTeal, sprites, 640, 480);
    for (int stretch = 0; stretch < 6; ++stretch) {
        Ticks(37);
        const std::vector<BYTE> played = vesper::test::FramePixels(*stage->m_pFrame);
        ASSERT_EQ(FirstDifferenceFromFrame(), std::nullopt) << "stretch " << stretch;
        stage->Compose(nullptr);
        ASSERT_EQ(played, vesper::test::FramePixels(*stage->m_pFrame)) << "stretch " << stretch;
    }
}

TEST_F(SaverStageTest, SceneWithoutABackgroundShowsNothingButStillPlays)
{
    doc = vesper::test::MakeScene(kTeal, {});
    doc->backgroundKind = 3;  // no background the player can render
    SpriteSpec mover = Still(10, 10, kRed);
    mover.motion = MotionLinear;
    mover.dx = 20;
    doc->sprites.AddSprite(vesper::test::MakeSprite(mover));
    stage->LoadScene(doc.get(), 640, 480);

    EXPECT_EQ(stage->m_pBackground, nullptr);
    EXPECT_EQ(stage->m_pFrame, nullptr);
    Ticks(10);
    EXPECT_EQ(StageSprites().front()->x, 30) << "sprites are built and stepped";
    stage->PaintWindow();
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(SaverStageTest, ReleaseKeepsOnlyTheDocumentLinkAndPendingAreas)
{
    Play(kTeal, {Still(50, 100, kRed)}, 640, 480);
    const int pending = stage->m_dirtyRects.GetCount();
    stage->ReleaseScene();
    TakeWrites();
    EXPECT_EQ(stage->m_pFrame, nullptr);
    EXPECT_EQ(stage->m_pPalIndexInfo, nullptr);
    EXPECT_EQ(stage->m_pPalette, nullptr);
    EXPECT_EQ(stage->m_pBackground, nullptr);
    EXPECT_TRUE(StageSprites().empty());
    EXPECT_EQ(stage->m_pDocument, doc.get());
    EXPECT_EQ(stage->m_dirtyRects.GetCount(), pending);
    stage->NotifyChange(ChangeFlush);
    stage->NotifyChange(99);
    EXPECT_TRUE(TakeWrites().empty());

    // Loading again rebuilds everything.
    stage->LoadScene(doc.get(), 640, 480);
    ASSERT_NE(stage->m_pFrame, nullptr);
    EXPECT_EQ(StageSprites().size(), 1u);
    EXPECT_EQ(FirstDifferenceFromFrame(), std::nullopt);
}

// Stored positions are authored for 640 x 480 and scaled once, when the
// sprites are placed: x × width / 640 and y × height / 480, truncated
// toward zero.
struct Placement {
    int width, height;
    int storedX, storedY;
    int placedX, placedY;
};

class PlacementTest : public StageTest, public ::testing::WithParamInterface<Placement> {};

TEST_P(PlacementTest, StoredPositionIsScaledToTheStage)
{
    const Placement p = GetParam();
    UseScreen(p.width, p.height);
    SpriteSpec spec;
    spec.x = p.storedX;
    spec.y = p.storedY;
    spec.height = 45;
    spec.motion = MotionBounce;
    Play(kTeal, {spec}, p.width, p.height);
    const CAnimSprite& sprite = *StageSprites().front();
    EXPECT_EQ(sprite.x, p.placedX);
    EXPECT_EQ(sprite.y, p.placedY);
    EXPECT_EQ(sprite.bounceHeight, p.height - 45 - p.placedY) << "the bounce arc starts at the placed height";
    EXPECT_EQ(stage->GetStageSize().cx, p.width);
    EXPECT_EQ(stage->GetStageSize().cy, p.height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlacementTest,
                         ::testing::Values(Placement{800, 600, 320, 240, 400, 300}, Placement{1024, 768, 320, 240, 512, 384},
                                           Placement{800, 600, -10, 0, -12, 0}, Placement{640, 480, 321, 97, 321, 97},
                                           Placement{800, 600, 420, 420, 525, 525}));

}  // namespace
