// The window side of the stage: copies one to one or stretched, through
// palette indexes or RGB colours, cut to the window and the frame; painting;
// realising the stage palette.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/default_palette.h"
#include "platform/drivers/headless/headless_windows.h"
#include "stage/stage_wnd.h"
#include "stage/saver_stage.h"
#include "tests/platform/gdi/gdi_test_dib.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/stage/stage_test_support.h"
#include "tests/support/platform/headless_input.h"

namespace {

using vesper::test::IndexOfCubeColour;
using vesper::test::PaintPending;
using vesper::test::PaletteColour;
using vesper::test::SpriteSpec;
using vesper::test::StageTest;

constexpr COLORREF kTeal = RGB(0, 102, 102);
constexpr COLORREF kRed = RGB(255, 0, 0);

SpriteSpec Square(int x, int y, int side, COLORREF fill)
{
    SpriteSpec spec;
    spec.x = x;
    spec.y = y;
    spec.width = spec.height = side;
    spec.fill = fill;
    return spec;
}

class StageWndTest : public StageTest {
protected:
    void TearDown() override
    {
        if (stage)
            stage->Detach();
        StageTest::TearDown();
    }

    // A full-screen stage of 640 x 480 with one red square, bound to a window.
    void PlayOnWindow(const RECT& windowArea, int bitsPerPixel = 32)
    {
        UseScreen(800, 600, bitsPerPixel);
        window = MakeWindow(windowArea);
        ASSERT_TRUE(stage->Attach(window));
        Play(kTeal, {Square(100, 50, 40, kRed)}, 640, 480);
        TakeWrites();
    }

    HWND window = nullptr;
};

TEST_F(StageWndTest, FullScreenCopiesAreCutToWindowAndFrame)
{
    // The window is larger than the 640 x 480 frame and not at the origin.
    PlayOnWindow({20, 10, 780, 590});
    const auto copied = [&](const RECT* rect) {
        stage->CopyToWindow(nullptr, rect);
        return TakeWrites();
    };
    const RECT inside{30, 40, 70, 90};
    EXPECT_EQ(copied(&inside), (std::vector<RECT>{{50, 50, 90, 100}}));
    const RECT pastTheFrame{600, 400, 700, 500};
    EXPECT_EQ(copied(&pastTheFrame), (std::vector<RECT>{{620, 410, 660, 490}}));
    const RECT aboveTheWindow{-20, -20, 10, 10};
    EXPECT_EQ(copied(&aboveTheWindow), (std::vector<RECT>{{20, 10, 30, 20}}));
    const RECT outsideTheFrame{650, 0, 700, 50};
    EXPECT_TRUE(copied(&outsideTheFrame).empty());
    // No rectangle: the client area, which reaches only as far as the frame.
    EXPECT_EQ(copied(nullptr), (std::vector<RECT>{{20, 10, 660, 490}}));
    EXPECT_EQ(FirstDifferenceFromFrame(20, 10), std::nullopt);
}

class MagnifiedStageTest : public StageWndTest {
protected:
    // An 800 x 600 window at factor 3: a 266 x 200 stage, two window columns
    // over (one each side), no rows over. A red square of 40 at the stage's
    // top left (a design position of 0 stays 0 at any stage size).
    void PlayMagnified(int bitsPerPixel)
    {
        UseScreen(800, 600, bitsPerPixel);
        window = MakeWindow({0, 0, 800, 600});
        ASSERT_TRUE(stage->Attach(window));
        layout = *LayoutStage(SIZE{800, 600}, 3);
        stage->SetLayout(layout);
        Play(kTeal, {Square(0, 0, 40, kRed)}, layout.stage.cx, layout.stage.cy);
        TakeWrites();
    }

    // Every 3 x 3 block of the window over the stage's rectangle shows its one
    // frame pixel's colour.
    void ExpectBlocksMatchFrame(const RECT& stageRect) const
    {
        for (LONG y = stageRect.top; y < stageRect.bottom; ++y)
            for (LONG x = stageRect.left; x < stageRect.right; ++x) {
                const COLORREF wanted = PaletteColour(*stage->m_pFrame->PixelAddress(x, y));
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx)
                        ASSERT_EQ(screen->ColourAt(1 + 3 * x + dx, 3 * y + dy), wanted)
                            << "stage pixel " << x << "," << y << " block pixel " << dx << "," << dy;
            }
    }

    // Sets the frame's pixels in the rectangle, `left` where x is below the
    // rectangle's middle, `right` from there on.
    void Fill(const RECT& rect, COLORREF left, COLORREF right) const
    {
        for (LONG y = rect.top; y < rect.bottom; ++y)
            for (LONG x = rect.left; x < rect.right; ++x)
                *stage->m_pFrame->PixelAddress(x, y) =
                    IndexOfCubeColour(x < (rect.left + rect.right) / 2 ? left : right);
    }

    StageLayout layout;
};

TEST_F(MagnifiedStageTest, ChangedRectanglesBecomeWholeBlocksAtTheStagesPlace)
{
    PlayMagnified(32);
    ASSERT_EQ(stage->m_pFrame->GetWidth(), 266);
    ASSERT_EQ(stage->m_pFrame->GetHeight(), 200);
    // The square's edge, every pixel changed: yellow and blue side by side.
    const RECT edge{35, 35, 45, 45};
    Fill(edge, RGB(255, 255, 0), RGB(0, 0, 255));
    stage->CopyToWindow(nullptr, &edge);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{{106, 105, 136, 135}}));
    ExpectBlocksMatchFrame(edge);
    // Past the stage's right edge nothing is drawn, not even into the border.
    const RECT past{260, 190, 300, 230};
    Fill(RECT{260, 190, 266, 200}, RGB(255, 255, 0), RGB(255, 255, 0));
    stage->CopyToWindow(nullptr, &past);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{{781, 570, 799, 600}}));
}

// A tick's rectangle reaches the window only where its pixels changed since
// they were last shown, and then no block is left as it was.
TEST_F(MagnifiedStageTest, ATicksRectangleIsCopiedOnlyWhereItsPixelsChanged)
{
    PlayMagnified(32);
    const RECT tick{20, 20, 220, 120};
    stage->CopyToWindow(nullptr, &tick);
    EXPECT_TRUE(TakeWrites().empty()) << "nothing in it changed";

    // A sprite's outline moved: single pixels in two far corners of the
    // rectangle, and a short run of pixels in its middle.
    const BYTE yellow = IndexOfCubeColour(RGB(255, 255, 0));
    *stage->m_pFrame->PixelAddress(21, 21) = yellow;
    *stage->m_pFrame->PixelAddress(218, 118) = yellow;
    for (LONG x = 100; x < 140; ++x)
        *stage->m_pFrame->PixelAddress(x, 70) = yellow;
    stage->CopyToWindow(nullptr, &tick);
    const std::vector<RECT> writes = TakeWrites();
    ASSERT_FALSE(writes.empty());
    EXPECT_LT(vesper::test::PixelsIn(writes), 9 * 2000) << "a small part of the rectangle's 9 x 20000 window pixels";
    ExpectBlocksMatchFrame(RECT{0, 0, 266, 200});

    // Changed back, and changed again while the window showed something else
    // there: the next tick shows the frame again, block for block.
    *stage->m_pFrame->PixelAddress(21, 21) = IndexOfCubeColour(kRed);
    Fill(RECT{150, 30, 190, 60}, RGB(0, 0, 255), RGB(255, 255, 255));
    stage->CopyToWindow(nullptr, &tick);
    ExpectBlocksMatchFrame(RECT{0, 0, 266, 200});
    EXPECT_TRUE(TakeWrites().size() >= 2);
}

// A whole copy (painting) shows everything, and what is shown after a new
// layout is no longer taken for shown.
TEST_F(MagnifiedStageTest, PaintingAndANewLayoutCopyWholeRectanglesAgain)
{
    PlayMagnified(32);
    // Something else drew over the window.
    HDC dc = GetDC(window);
    const RECT over{0, 0, 800, 600};
    FillRect(dc, &over, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, dc);
    TakeWrites();
    stage->CopyToWindow(nullptr, nullptr);
    ExpectBlocksMatchFrame(RECT{0, 0, 266, 200});
    TakeWrites();

    stage->SetLayout(layout);
    const RECT tick{10, 10, 30, 30};
    stage->CopyToWindow(nullptr, &tick);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{{31, 30, 91, 90}}));
}

TEST_F(MagnifiedStageTest, AWholeCopyPaintsTheBorderBlack)
{
    PlayMagnified(32);
    // Something other than black in the border beforehand.
    HDC dc = GetDC(window);
    const RECT borders[] = {{0, 0, 1, 600}, {799, 0, 800, 600}};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    for (const RECT& border : borders)
        FillRect(dc, &border, white);
    ReleaseDC(window, dc);
    TakeWrites();

    stage->CopyToWindow(nullptr, nullptr);
    for (LONG y : {0L, 300L, 599L}) {
        EXPECT_EQ(screen->ColourAt(0, y), RGB(0, 0, 0));
        EXPECT_EQ(screen->ColourAt(799, y), RGB(0, 0, 0));
    }
    ExpectBlocksMatchFrame(RECT{0, 0, 266, 200});
}

TEST_F(MagnifiedStageTest, PaletteDisplaysGetWholeBlocksOfIndexesToo)
{
    PlayMagnified(8);
    RGBQUAD* table = stage->m_pFrame->GetColorTable();
    std::fill(table, table + 256, RGBQUAD{0, 0, 0, 0});
    const RECT edge{35, 35, 45, 45};
    stage->CopyToWindow(nullptr, &edge);
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(screen->ColourAt(1 + 3 * 39 + d, 3 * 39 + d), kRed);
        EXPECT_EQ(screen->ColourAt(1 + 3 * 40 + d, 3 * 39 + d), kTeal);
    }
}

TEST_F(StageWndTest, PaintCopiesTheUpdateAreaWithoutRecomposing)
{
    PlayOnWindow({0, 0, 640, 480});
    // A pixel changed in the frame behind the stage's back shows only if the
    // paint copies the frame as it is.
    const BYTE marker = IndexOfCubeColour(RGB(255, 255, 0));
    *stage->m_pFrame->PixelAddress(15, 12) = marker;
    const RECT first{10, 10, 20, 20};
    const RECT second{30, 5, 40, 15};
    InvalidateRect(window, &first, FALSE);
    InvalidateRect(window, &second, FALSE);

    stage->PaintWindow();
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{{10, 5, 40, 20}})) << "the bounding box of the update region";
    EXPECT_EQ(screen->ColourAt(15, 12), PaletteColour(marker));
    EXPECT_FALSE(PaintPending(window));
}

TEST_F(StageWndTest, TrueColourCopiesUseTheFramesColourTable)
{
    PlayOnWindow({0, 0, 640, 480});
    EXPECT_EQ(g_nDisplayBits, 32);
    const BYTE teal = IndexOfCubeColour(kTeal);
    stage->m_pFrame->GetColorTable()[teal] = RGBQUAD{3, 2, 1, 0};
    stage->CopyToWindow(nullptr, nullptr);
    EXPECT_EQ(screen->ColourAt(5, 5), RGB(1, 2, 3));
    EXPECT_EQ(screen->ColourAt(120, 70), kRed);
    // Realising changes nothing on a true-colour display.
    EXPECT_FALSE(stage->RealizeStagePalette());
    EXPECT_FALSE(PaintPending(window));
}

TEST_F(StageWndTest, PaletteDisplayCopiesPassIndexesThroughTheHeader)
{
    PlayOnWindow({0, 0, 640, 480}, 8);
    EXPECT_EQ(g_nDisplayBits, 8);
    // The index header is the background's header with the indexes 0..255.
    const PaletteIndexInfo& info = *stage->m_pPalIndexInfo;
    const auto* background = reinterpret_cast<const BITMAPINFOHEADER*>(GlobalLock(stage->m_pBackground->block));
    EXPECT_EQ(std::memcmp(&info.header, background, sizeof info.header), 0);
    GlobalUnlock(stage->m_pBackground->block);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(info.indexes[i], i);
    EXPECT_EQ(FirstDifferenceFromFrame(), std::nullopt);

    // The frame's RGB colours play no part: pixel values are palette indexes.
    RGBQUAD* table = stage->m_pFrame->GetColorTable();
    std::fill(table, table + 256, RGBQUAD{0, 0, 0, 0});
    stage->CopyToWindow(nullptr, nullptr);
    EXPECT_EQ(screen->ColourAt(5, 5), kTeal);
    EXPECT_EQ(screen->ColourAt(120, 70), kRed);
}

TEST_F(StageWndTest, AnotherPalettesRealisationMakesTheStageRepaint)
{
    PlayOnWindow({0, 0, 640, 480}, 8);
    // Realised again unchanged, the stage palette remaps nothing.
    EXPECT_FALSE(stage->RealizeStagePalette());
    EXPECT_FALSE(PaintPending(window));

    // Another program's palette takes over the system palette.
    std::vector<PALETTEENTRY> entries(236);
    for (int i = 0; i < 236; ++i)
        entries[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i / 2 + 7), 3, 0};
    HPALETTE palette = vesper::test::MakePalette(entries);
    HDC screenDc = GetDC(nullptr);
    HPALETTE previous = SelectPalette(screenDc, palette, FALSE);
    ASSERT_GT(RealizePalette(screenDc), 0u);
    SelectPalette(screenDc, previous, FALSE);
    ReleaseDC(nullptr, screenDc);
    ValidateRect(window, nullptr);

    // A change announced by the stage's own window is not answered.
    stage->PaletteChanged(window);
    EXPECT_FALSE(PaintPending(window));
    // One by anyone else is: the stage palette takes the entries back, and
    // the window, now showing wrong colours, is to be painted again.
    stage->PaletteChanged(nullptr);
    ASSERT_TRUE(PaintPending(window));
    stage->PaintWindow();
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{{0, 0, 640, 480}})) << "the whole window was invalidated";
    EXPECT_EQ(FirstDifferenceFromFrame(), std::nullopt);
    DeleteObject(palette);
}

TEST_F(StageWndTest, PreviewStretchesTheWholeFrameIntoTheHostWindowDrawingOnlyWhatChanged)
{
    UseScreen(640, 480);
    g_bPreview = TRUE;
    // A preview host of an odd size somewhere on the screen, and the saver
    // window filling it.
    const RECT hostArea{101, 83, 254, 194};
    HWND host = vesper::platform::headless::MakeHostWindow(hostArea);
    window = MakeWindow({0, 0, 153, 111}, host);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(stage->Attach(window));
    // A red square over the frame's top-left quarter.
    Play(kTeal, {Square(0, 0, 320, kRed)}, 640, 480);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{hostArea, hostArea}));

    EXPECT_EQ(screen->ColourAt(101 + 38, 83 + 28), kRed);
    EXPECT_EQ(screen->ColourAt(101 + 114, 83 + 83), kTeal);
    EXPECT_EQ(screen->ColourAt(101 + 114, 83 + 28), kTeal);

    // A change in one corner of the frame: its copy draws only the window
    // pixels that average it, and leaves the window as a whole copy would.
    const RECT corner{600, 400, 610, 410};
    for (int y = corner.top; y < corner.bottom; ++y)
        for (int x = corner.left; x < corner.right; ++x)
            *stage->m_pFrame->PixelAddress(x, y) = IndexOfCubeColour(kRed);
    const std::vector<COLORREF> before = vesper::test::PixelsIn(*screen, hostArea);
    stage->CopyToWindow(nullptr, &corner);
    const std::vector<RECT> writes = TakeWrites();
    ASSERT_FALSE(writes.empty());
    // The corner's window pixels, 143.4 to 145.9 across and 92.5 to 94.9
    // down, with one to spare on each side.
    const RECT reach{101 + 142, 83 + 91, 101 + 147, 83 + 96};
    for (const RECT& write : writes)
        EXPECT_TRUE(write.left >= reach.left && write.top >= reach.top && write.right <= reach.right &&
                    write.bottom <= reach.bottom)
            << write.left << "," << write.top << "," << write.right << "," << write.bottom;
    const std::vector<COLORREF> afterPart = vesper::test::PixelsIn(*screen, hostArea);
    EXPECT_NE(afterPart, before) << "the change shows";
    stage->CopyToWindow(nullptr, nullptr);
    EXPECT_EQ(TakeWrites(), (std::vector<RECT>{hostArea})) << "without a rectangle, the whole frame";
    EXPECT_TRUE(vesper::test::PixelsIn(*screen, hostArea) == afterPart) << "the part copy left what a whole copy shows";

    // A caller's context keeps its own stretch mode.
    HDC dc = GetDC(window);
    SetStretchBltMode(dc, COLORONCOLOR);
    stage->CopyToWindow(dc, nullptr);
    EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR);
    ReleaseDC(window, dc);
    vesper::platform::headless::DestroyHostWindow(host);
}

}  // namespace
