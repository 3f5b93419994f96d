#include "tests/platform/user/user_test_support.h"

namespace {

using vesper::test::MessageLog;
using vesper::test::Only;
using vesper::test::PaintPending;
using vesper::test::TestClass;
using vesper::test::WindowTest;

constexpr UINT kNote = WM_USER + 3;
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

class PaintTest : public WindowTest {
protected:
    // A shown window at (100, 50), 200 x 100, with nothing left to repaint.
    HWND MakePaintedWindow(const TestClass& windowClass, DWORD style = WS_VISIBLE)
    {
        HWND window = MakePopup(windowClass, {100, 50, 300, 150}, style);
        ValidateRect(window, nullptr);
        MessageLog::Instance().Clear();
        return window;
    }

    TestClass m_class{"VesperPaintClass"};
};

TEST_F(PaintTest, WmPaintComesWhenNothingElseIsQueuedAndStaysUntilValidated)
{
    HWND window = MakePopup(m_class, {0, 0, 50, 50});
    PostMessageA(window, kNote, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kNote) << "a new window needs painting, but posted messages come first";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(msg.hwnd, window);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "PM_REMOVE does not take WM_PAINT away";
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&msg);  // DefWindowProcA paints and so validates
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(PaintTest, BeginPaintReportsTheBoundingBoxOfTheUpdateRegionAndClipsToIt)
{
    HWND window = MakePaintedWindow(m_class);
    const RECT first{10, 10, 20, 20};
    const RECT second{30, 5, 40, 15};
    InvalidateRect(window, &first, FALSE);
    InvalidateRect(window, &second, FALSE);
    ASSERT_TRUE(PaintPending(window));
    RECT pending{};
    EXPECT_TRUE(GetUpdateRect(window, &pending, FALSE));
    const RECT box{10, 5, 40, 20};
    EXPECT_TRUE(EqualRect(&pending, &box));

    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(paint.hdc, dc);
    EXPECT_EQ(paint.rcPaint.left, 10);
    EXPECT_EQ(paint.rcPaint.top, 5);
    EXPECT_EQ(paint.rcPaint.right, 40);
    EXPECT_EQ(paint.rcPaint.bottom, 20);
    EXPECT_FALSE(paint.fErase);
    RECT clip{};
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_TRUE(EqualRect(&clip, &paint.rcPaint)) << "the context draws only where repainting was asked for";
    const RECT whole{0, 0, 200, 100};
    FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &paint);
    EXPECT_FALSE(PaintPending(window)) << "BeginPaint emptied the update region";
    EXPECT_FALSE(GetUpdateRect(window, &pending, FALSE));
    EXPECT_TRUE(IsRectEmpty(&pending));
    EXPECT_EQ(m_screen->ColourAt(110, 55), kWhite);
    EXPECT_EQ(m_screen->ColourAt(139, 69), kWhite);
    EXPECT_EQ(m_screen->ColourAt(109, 55), kBlack);
    EXPECT_EQ(m_screen->ColourAt(140, 55), kBlack);
    EXPECT_EQ(m_screen->ColourAt(110, 70), kBlack);
}

TEST_F(PaintTest, InvalidationIsCutToTheClientAreaAndIgnoredForHiddenWindows)
{
    HWND window = MakePaintedWindow(m_class);
    const RECT outside{300, 300, 400, 400};
    InvalidateRect(window, &outside, TRUE);
    EXPECT_FALSE(PaintPending(window));
    const RECT across{150, 80, 260, 130};
    InvalidateRect(window, &across, TRUE);
    PAINTSTRUCT paint{};
    BeginPaint(window, &paint);
    EXPECT_EQ(paint.rcPaint.left, 150);
    EXPECT_EQ(paint.rcPaint.top, 80);
    EXPECT_EQ(paint.rcPaint.right, 200);
    EXPECT_EQ(paint.rcPaint.bottom, 100);
    EndPaint(window, &paint);

    ShowWindow(window, SW_HIDE);
    InvalidateRect(window, nullptr, TRUE);
    EXPECT_FALSE(PaintPending(window)) << "a hidden window has nothing to repaint";
    EXPECT_FALSE(m_backend->NativeWindowShown(window));
    ShowWindow(window, SW_SHOW);
    ASSERT_TRUE(PaintPending(window));
    BeginPaint(window, &paint);
    EXPECT_EQ(paint.rcPaint.right, 200) << "shown again: all of it";
    EXPECT_EQ(paint.rcPaint.bottom, 100);
    EndPaint(window, &paint);
}

TEST_F(PaintTest, ErasingFillsWithTheClassBrushOnlyWhereRepaintingWasAskedFor)
{
    TestClass brushed("VesperBrushedClass", 0, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HWND window = MakePaintedWindow(brushed);
    const RECT area{0, 0, 20, 10};
    InvalidateRect(window, &area, TRUE);
    PAINTSTRUCT paint{};
    BeginPaint(window, &paint);
    EXPECT_FALSE(paint.fErase) << "the class brush erased the background";
    EndPaint(window, &paint);
    EXPECT_EQ(Only(MessageLog::Instance().MessagesOf(window), {WM_ERASEBKGND}), (std::vector<UINT>{WM_ERASEBKGND}));
    EXPECT_EQ(m_screen->ColourAt(100, 50), kWhite);
    EXPECT_EQ(m_screen->ColourAt(119, 59), kWhite);
    EXPECT_EQ(m_screen->ColourAt(120, 50), kBlack);

    HWND bare = MakePaintedWindow(m_class);
    InvalidateRect(bare, nullptr, TRUE);
    BeginPaint(bare, &paint);
    EXPECT_TRUE(paint.fErase) << "no brush: the window must erase its background itself";
    EndPaint(bare, &paint);

    InvalidateRect(bare, nullptr, FALSE);
    BeginPaint(bare, &paint);
    EXPECT_FALSE(paint.fErase) << "no erase was asked for";
    EndPaint(bare, &paint);
}

TEST_F(PaintTest, ValidatingABandShrinksTheBoxAndUpdateWindowPaintsAtOnce)
{
    HWND window = MakePaintedWindow(m_class);
    InvalidateRect(window, nullptr, FALSE);
    const RECT topBand{0, 0, 200, 30};
    ValidateRect(window, &topBand);
    const RECT middle{50, 40, 60, 50};
    ValidateRect(window, &middle);  // a hole cannot be taken from a box: it stays
    PAINTSTRUCT paint{};
    BeginPaint(window, &paint);
    EXPECT_EQ(paint.rcPaint.top, 30);
    EXPECT_EQ(paint.rcPaint.bottom, 100);
    EXPECT_EQ(paint.rcPaint.left, 0);
    EXPECT_EQ(paint.rcPaint.right, 200);
    EndPaint(window, &paint);

    InvalidateRect(window, &middle, FALSE);
    MessageLog::Instance().Clear();
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(Only(MessageLog::Instance().MessagesOf(window), {WM_PAINT}), (std::vector<UINT>{WM_PAINT}));
    EXPECT_FALSE(PaintPending(window));
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(Only(MessageLog::Instance().MessagesOf(window), {WM_PAINT}).size(), 1u) << "nothing left to paint";
}

TEST_F(PaintTest, ChildrenShareTheirParentsInvalidationUnlessItClipsThem)
{
    HWND parent = MakePaintedWindow(m_class);
    HWND child = MakeChild(m_class, parent, {20, 20, 60, 60});
    ValidateRect(child, nullptr);
    const RECT overChild{30, 30, 40, 40};
    InvalidateRect(parent, &overChild, FALSE);
    ASSERT_TRUE(PaintPending(child));
    PAINTSTRUCT paint{};
    BeginPaint(child, &paint);
    EXPECT_EQ(paint.rcPaint.left, 10) << "in the child's own coordinates";
    EXPECT_EQ(paint.rcPaint.bottom, 20);
    EndPaint(child, &paint);
    ValidateRect(parent, nullptr);

    HWND clipping = MakePaintedWindow(m_class, WS_VISIBLE | WS_CLIPCHILDREN);
    HWND clipped = MakeChild(m_class, clipping, {20, 20, 60, 60});
    ValidateRect(clipped, nullptr);
    InvalidateRect(clipping, &overChild, FALSE);
    EXPECT_FALSE(PaintPending(clipped));
    EXPECT_TRUE(PaintPending(clipping));
}

TEST_F(PaintTest, AWindowContextDrawsFromTheWindowsOriginOnTheScreen)
{
    HWND window = MakePaintedWindow(m_class);
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    RECT clip{};
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_EQ(clip.right, 200);
    EXPECT_EQ(clip.bottom, 100);
    const RECT corner{-5, -5, 1, 1};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_EQ(FillRect(dc, &corner, red), 1);
    EXPECT_EQ(m_screen->ColourAt(100, 50), RGB(255, 0, 0));
    EXPECT_EQ(m_screen->ColourAt(99, 50), kBlack) << "nothing outside the window";
    EXPECT_EQ(FillRect(dc, &corner, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
    EXPECT_EQ(FillRect(dc, &corner, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)), 1) << "a system colour";
    EXPECT_EQ(m_screen->ColourAt(100, 50), kWhite);
    EXPECT_EQ(FillRect(nullptr, &corner, red), 0);
    ReleaseDC(window, dc);
    DeleteObject(red);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(std::uintptr_t{0x7FFF0000})), nullptr);

    ShowWindow(window, SW_HIDE);
    dc = GetDC(window);
    EXPECT_EQ(GetClipBox(dc, &clip), NULLREGION) << "a hidden window draws nothing";
    ReleaseDC(window, dc);
}

TEST_F(PaintTest, FillingOnAPaletteDisplayUsesTheNearestSystemColour)
{
    vesper::platform::UseHeadlessDisplay({320, 200, 8});
    HWND window = MakePopup(m_class, {0, 0, 10, 10});
    HDC dc = GetDC(window);
    const RECT all{0, 0, 10, 10};
    HBRUSH nearlyWhite = CreateSolidBrush(RGB(250, 251, 252));
    FillRect(dc, &all, nearlyWhite);
    ReleaseDC(window, dc);
    DeleteObject(nearlyWhite);
    EXPECT_EQ(vesper::platform::CurrentDisplay().ColourAt(5, 5), kWhite);
    EXPECT_EQ(vesper::platform::CurrentDisplay().IndexAt(5, 5), 255) << "white is the last static colour";
}

}  // namespace
