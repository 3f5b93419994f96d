// The bundled demo scene as the build makes it: it shows what it is meant to
// show, it is in step with demo.json, and composed the way the stage
// composes a frame (background at 1920 x 1080, working copies placed from
// the 640 x 480 design space, drawn tail to head) it gives a sensible picture.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <set>

#include "imaging/default_palette.h"
#include "sprites/anim_sprite.h"
#include "tests/tools/tool_test_support.h"
#include "tools/vesper_scene/packed_picture.h"
#include "tools/vesper_scene/scene_description.h"
#include "tools/vesper_scene/scene_info.h"

namespace {

using namespace vesper::tools;
using namespace vesper::tools::test;

const std::filesystem::path kDemoDir = VESPER_DEMO_DIR;
constexpr int kStageWidth = 1920;
constexpr int kStageHeight = 1080;
// The index the sprite conversion gives the key colour.
constexpr BYTE kKeyIndex = 1;

class DemoScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadSceneBytesQuietly(m_doc, ReadFile(kDemoDir / "demo.scene"))) << kDemoDir / "demo.scene";
    }
    void TearDown() override { m_doc.DeleteContents(); }

    std::vector<const CAnimSprite*> Sprites() const
    {
        std::vector<const CAnimSprite*> sprites;
        for (POSITION pos = m_doc.sprites.GetHeadPosition(); pos;)
            sprites.push_back(dynamic_cast<const CAnimSprite*>(m_doc.sprites.GetNext(pos)));
        return sprites;
    }

    CVesperDoc m_doc;
};

TEST_F(DemoScene, ShowsEveryMotionEdgeModePhasesAndTransparency)
{
    const auto sprites = Sprites();
    ASSERT_GE(sprites.size(), 8u);
    std::set<int> motions, edgeModes;
    bool flapping = false;
    for (const CAnimSprite* sprite : sprites) {
        ASSERT_NE(sprite, nullptr) << "every demo sprite is an animated sprite";
        motions.insert(sprite->motion);
        edgeModes.insert(sprite->edgeMode);
        // Two to four phases, each shown for a few ticks.
        flapping |= sprite->phaseCount >= 2 && sprite->phaseCount <= 4 && sprite->phaseSpeed <= 19 &&
                    sprite->dx != 0;
        // Corners in the key colour: the picture's background is left out.
        ASSERT_FALSE(sprite->image.IsEmpty());
        const auto bytes = std::span(static_cast<const BYTE*>(GlobalLock(sprite->image.dib)), sprite->image.StoredSize());
        const auto view = PackedPictureView::Of(bytes);
        ASSERT_TRUE(view);
        EXPECT_TRUE(StoredPictureWarnings(*view, PictureRole::sprite).empty());
        EXPECT_LE(view->ColourCount(), 16u) << "flat-coloured sprites fit 4 bits per pixel";
        GlobalUnlock(sprite->image.dib);
    }
    EXPECT_EQ(motions, (std::set<int>{MotionLinear, MotionBounce}));
    EXPECT_EQ(edgeModes, (std::set<int>{EdgeWrap, EdgeWrapPause, EdgeRebound}));
    EXPECT_TRUE(flapping);
    EXPECT_EQ(m_doc.backgroundKind, CVesperDoc::backgroundPicture);
    ASSERT_NE(m_doc.background, nullptr);
    EXPECT_EQ(m_doc.background->Header()->biWidth, 640);
    EXPECT_EQ(m_doc.background->Header()->biHeight, 480);
}

TEST_F(DemoScene, IsInStepWithItsDescriptionAndBuildsWithoutWarnings)
{
    CVesperDoc rebuilt;
    const BuildReport report = BuildSceneFromDescription((kDemoDir / "demo.json").string(), rebuilt);
    ASSERT_TRUE(report.Succeeded()) << report.errors.front();
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.front();
    EXPECT_EQ(StoredScene(rebuilt), ReadFile(kDemoDir / "demo.scene"));
    rebuilt.DeleteContents();
}

// A sprite as the stage plays it, with the frame's rows of its current phase.
struct Placed {
    std::unique_ptr<CAnimSprite> sprite;
    int x, y;

    bool OpaqueAt(int px, int py) const
    {
        const int column = px - x;
        const int row = py - y;
        if (column < 0 || row < 0 || column >= sprite->GetWidth() || row >= sprite->GetHeight())
            return false;
        return IndexAt(column, row) != sprite->transparentIndex;
    }
    BYTE IndexAt(int column, int row) const
    {
        return sprite->GetPixelIndex(column, sprite->GetPhase() * sprite->phaseHeight + row);
    }
};

TEST_F(DemoScene, ComposesASensibleFrameAtFullHd)
{
    ASSERT_TRUE(CreateDefaultPalette(g_defaultPalette));
    CDIB8BPP background;
    background.block = m_doc.RenderBackground(kStageWidth, kStageHeight);
    ASSERT_NE(background.block, nullptr);
    ASSERT_EQ(background.GetWidth(), kStageWidth);
    CDIB8BPP frame;
    ASSERT_TRUE(frame.Create(kStageWidth, kStageHeight));
    background.TransferTo(frame, 0, 0, kStageWidth, kStageHeight, 0, 0, kCopyAllPixels);

    std::vector<Placed> placed;
    for (const CAnimSprite* stored : Sprites()) {
        auto copy = std::make_unique<CAnimSprite>(*stored);
        copy->document = &m_doc;
        copy->PrepareFrame();
        ASSERT_EQ(copy->transparentIndex, kKeyIndex);
        const int x = stored->x * kStageWidth / 640;
        const int y = stored->y * kStageHeight / 480;
        copy->SetPosition(x, y);
        placed.push_back({std::move(copy), x, y});
    }
    const RECT whole{0, 0, kStageWidth, kStageHeight};
    for (auto it = placed.rbegin(); it != placed.rend(); ++it)
        it->sprite->Draw(frame, whole);

    // The background is a picture, not a flat fill: sky above, hills below.
    std::set<BYTE> backgroundIndexes;
    for (int y = 0; y < kStageHeight; y += 7) {
        for (int x = 0; x < kStageWidth; x += 5)
            backgroundIndexes.insert(background.GetPixelIndex(x, y));
    }
    EXPECT_GT(backgroundIndexes.size(), 20u);
    // Night at the top of the sky, a warm glow towards the horizon (two thirds down).
    auto meanRed = [&](int top) {
        int sum = 0;
        for (int x = 0; x < kStageWidth; ++x)
            sum += GetRValue(background.GetPixelColor(x, top));
        return sum / kStageWidth;
    };
    EXPECT_LT(meanRed(10), 40);
    EXPECT_GT(meanRed(kStageHeight * 320 / 480), 120);

    // Pixel by pixel: the front-most sprite that is opaque there shows, and
    // where none is, the background does; the key colour never shows.
    std::vector<std::size_t> visible(placed.size()), overlapped(placed.size());
    std::size_t keyPixels = 0;
    for (int y = 0; y < kStageHeight; ++y) {
        for (int x = 0; x < kStageWidth; ++x) {
            const BYTE shown = frame.GetPixelIndex(x, y);
            keyPixels += shown == kKeyIndex && background.GetPixelIndex(x, y) != kKeyIndex;
            std::size_t front = placed.size();
            for (std::size_t i = 0; i < placed.size(); ++i) {
                if (!placed[i].OpaqueAt(x, y))
                    continue;
                if (front == placed.size())
                    front = i;
                else
                    ++overlapped[i];
            }
            if (front == placed.size()) {
                ASSERT_EQ(shown, background.GetPixelIndex(x, y)) << "background at " << x << ", " << y;
                continue;
            }
            const Placed& top = placed[front];
            ASSERT_EQ(shown, top.IndexAt(x - top.x, y - top.y)) << "sprite " << front << " at " << x << ", " << y;
            ++visible[front];
        }
    }
    EXPECT_EQ(keyPixels, 0u);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const bool onStage = placed[i].x < kStageWidth && placed[i].y < kStageHeight &&
                             placed[i].x + placed[i].sprite->GetWidth() > 0 && placed[i].y + placed[i].sprite->GetHeight() > 0;
        if (onStage) {
            EXPECT_GT(visible[i], 50u) << "sprite " << i;
        }
    }
    // Some sprites start partly behind others (the balloon behind a cloud).
    EXPECT_GT(std::accumulate(overlapped.begin(), overlapped.end(), std::size_t{0}), 20u);
}

}  // namespace
