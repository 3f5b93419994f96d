// Windows in front of a window hide parts of it: its device contexts draw
// around them, and what they uncover when they go away or fall behind is
// repainted.
#include <algorithm>
#include <thread>
#include <vector>

#include "tests/platform/gdi/gdi_test_dib.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using vesper::test::MakeDib;
using vesper::test::TestClass;
using vesper::test::WindowTest;

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);

constexpr RECT kScreen{0, 0, 640, 480};
// Where the smaller window lies on the screen, in front of the full-screen one.
constexpr RECT kAbove{200, 150, 400, 300};

class ClipTest : public WindowTest {
protected:
    // A full-screen window with a smaller one in front of it, both painted
    // and with nothing left to repaint.
    void MakeWindows(DWORD aboveStyle = WS_VISIBLE, DWORD aboveExStyle = 0)
    {
        m_below = MakePopup(m_class, kScreen);
        m_above = MakePopup(m_class, kAbove, aboveStyle, aboveExStyle);
        ASSERT_NE(m_below, nullptr);
        ASSERT_NE(m_above, nullptr);
        Fill(m_above, kWhite);
        Drain();
    }

    // Fills the window's whole client area through a device context of it.
    static void Fill(HWND window, COLORREF colour)
    {
        HDC dc = GetDC(window);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT client{};
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
    }

    std::vector<COLORREF> Pixels(const RECT& area) const { return vesper::test::PixelsIn(*m_screen, area); }

    // The colour of the pixels just outside each side of kAbove.
    void ExpectAroundTheWindowAbove(COLORREF colour) const
    {
        EXPECT_EQ(m_screen->ColourAt(kAbove.left - 1, kAbove.top), colour);
        EXPECT_EQ(m_screen->ColourAt(kAbove.right, kAbove.bottom - 1), colour);
        EXPECT_EQ(m_screen->ColourAt(kAbove.left, kAbove.top - 1), colour);
        EXPECT_EQ(m_screen->ColourAt(kAbove.right - 1, kAbove.bottom), colour);
        EXPECT_EQ(m_screen->ColourAt(0, 0), colour);
        EXPECT_EQ(m_screen->ColourAt(639, 479), colour);
    }

    static bool HasUpdate(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

    static void ExpectUpdateBox(HWND window, const RECT& expected)
    {
        RECT box{};
        ASSERT_TRUE(GetUpdateRect(window, &box, FALSE)) << "nothing to repaint";
        EXPECT_TRUE(EqualRect(&box, &expected))
            << "update box " << box.left << ", " << box.top << ", " << box.right << ", " << box.bottom;
    }

    static int ClipBox(HWND window, RECT& box)
    {
        HDC dc = GetDC(window);
        const int kind = GetClipBox(dc, &box);
        ReleaseDC(window, dc);
        return kind;
    }

    TestClass m_class{"VesperClipClass"};
    HWND m_below = nullptr;
    HWND m_above = nullptr;
};

TEST_F(ClipTest, EveryPrimitiveOnTheWindowBelowLeavesTheWindowAboveAlone)
{
    MakeWindows();
    const std::vector<COLORREF> above = Pixels(kAbove);
    ASSERT_EQ(above.front(), kWhite);
    HDC dc = GetDC(m_below);
    ASSERT_NE(dc, nullptr);
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION) << "the client area with a hole";
    EXPECT_TRUE(EqualRect(&box, &kScreen));

    HBRUSH red = CreateSolidBrush(kRed);
    EXPECT_EQ(FillRect(dc, &kScreen, red), 1);
    DeleteObject(red);
    ExpectAroundTheWindowAbove(kRed);

    const auto green = MakeDib(2, 2, 24, {0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00});
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 640, 480, 0, 0, 2, 2, green.bits.data(), green.Info(), DIB_RGB_COLORS, SRCCOPY),
              480)
        << "rows beside the hole count once";
    ExpectAroundTheWindowAbove(kGreen);
    const auto blue = MakeDib(2, 2, 24, {0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF});
    SetStretchBltMode(dc, HALFTONE);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 640, 480, 0, 0, 2, 2, blue.bits.data(), blue.Info(), DIB_RGB_COLORS, SRCCOPY),
              480);
    ExpectAroundTheWindowAbove(kBlue);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 640, 480, 0, 0, 2, 2, green.bits.data(), green.Info(), DIB_RGB_COLORS, SRCCOPY),
              480);

    // Text with an opaque background, across the left side of the window above.
    SetBkColor(dc, kBlue);
    SetBkMode(dc, OPAQUE);
    EXPECT_TRUE(TextOutA(dc, kAbove.left - 12, kAbove.top + 10, "WWWWWWWW", 8));
    const RECT besideText{kAbove.left - 12, kAbove.top + 10, kAbove.left, kAbove.top + 20};
    const std::vector<COLORREF> beside = Pixels(besideText);
    EXPECT_NE(std::count(beside.begin(), beside.end(), kGreen), static_cast<std::ptrdiff_t>(beside.size()))
        << "the text was drawn where the window below shows";

    // A focus rectangle whose left side runs down through the window above.
    const RECT focus{250, 100, 350, 350};
    EXPECT_TRUE(DrawFocusRect(dc, &focus));
    EXPECT_NE(m_screen->ColourAt(250, 100), kGreen) << "a dot outside the window above is inverted";
    EXPECT_NE(m_screen->ColourAt(250, 340), kGreen);
    ReleaseDC(m_below, dc);

    EXPECT_EQ(Pixels(kAbove), above) << "nothing reached the window above";
}

TEST_F(ClipTest, TheClipBoxIsTheBoundingBoxOfWhatIsLeft)
{
    MakeWindows();
    HWND covered = MakePopup(m_class, {520, 20, 580, 80});
    HWND band = MakePopup(m_class, {500, 0, 600, 100});
    HWND front = MakePopup(m_class, {450, 0, 700, 40});  // across the top of the two before it, off the screen
    ASSERT_NE(front, nullptr);
    RECT box{};
    EXPECT_EQ(ClipBox(band, box), SIMPLEREGION) << "a band along its top is cut off";
    const RECT bandLeft{0, 40, 100, 100};
    EXPECT_TRUE(EqualRect(&box, &bandLeft));
    EXPECT_EQ(ClipBox(covered, box), NULLREGION) << "hidden entirely";
    EXPECT_TRUE(IsRectEmpty(&box));

    // Moved to the front, `band` cuts `front` in two, one part of it cut
    // again by the edge of the screen.
    SetForegroundWindow(band);
    EXPECT_EQ(ClipBox(band, box), SIMPLEREGION);
    const RECT whole{0, 0, 100, 100};
    EXPECT_TRUE(EqualRect(&box, &whole));
    EXPECT_EQ(ClipBox(front, box), COMPLEXREGION);
    const RECT frontOnScreen{0, 0, 190, 40};
    EXPECT_TRUE(EqualRect(&box, &frontOnScreen));
    EXPECT_EQ(ClipBox(m_above, box), SIMPLEREGION) << "nothing overlaps the first window in front";
}

TEST_F(ClipTest, HiddenWindowsDoNotHideAnything)
{
    MakeWindows(0);
    RECT box{};
    EXPECT_EQ(ClipBox(m_below, box), SIMPLEREGION) << "a window not shown yet";
    ShowWindow(m_above, SW_SHOW);
    EXPECT_EQ(ClipBox(m_below, box), COMPLEXREGION);
    ShowWindow(m_above, SW_HIDE);
    EXPECT_EQ(ClipBox(m_below, box), SIMPLEREGION);
    Fill(m_below, kRed);
    EXPECT_EQ(m_screen->ColourAt(kAbove.left + 1, kAbove.top + 1), kRed);
}

TEST_F(ClipTest, AChildIsCutByTheWindowsInFrontOfItsTopLevelWindow)
{
    MakeWindows();
    HWND child = MakeChild(m_class, m_below, {150, 100, 250, 200});
    HWND childAbove = MakeChild(m_class, m_above, {0, 0, 100, 100});
    ASSERT_NE(child, nullptr);
    ASSERT_NE(childAbove, nullptr);
    Drain();

    RECT box{};
    EXPECT_EQ(ClipBox(child, box), COMPLEXREGION) << "a band above the window in front and a part beside it";
    const RECT whole{0, 0, 100, 100};
    EXPECT_TRUE(EqualRect(&box, &whole));
    Fill(child, kRed);
    EXPECT_EQ(m_screen->ColourAt(249, 149), kRed);
    EXPECT_EQ(m_screen->ColourAt(199, 199), kRed);
    EXPECT_EQ(m_screen->ColourAt(200, 150), kWhite) << "the window in front keeps its pixels";
    EXPECT_EQ(m_screen->ColourAt(249, 199), kWhite);

    EXPECT_EQ(ClipBox(childAbove, box), SIMPLEREGION) << "the window behind hides nothing of it";
    Fill(childAbove, kGreen);
    EXPECT_EQ(m_screen->ColourAt(kAbove.left, kAbove.top), kGreen);
}

TEST_F(ClipTest, WhatAWindowUncoversByHidingOrDestructionIsRepainted)
{
    MakeWindows();
    // A window in front of the one that goes away is not repainted.
    HWND front = MakePopup(m_class, {380, 280, 420, 320}, WS_VISIBLE, WS_EX_TOPMOST);
    ASSERT_NE(front, nullptr);
    Fill(front, kBlue);
    Drain();

    ShowWindow(m_above, SW_HIDE);
    ExpectUpdateBox(m_below, kAbove);
    EXPECT_FALSE(HasUpdate(front));
    ValidateRect(m_below, nullptr);
    ShowWindow(m_above, SW_SHOW);
    EXPECT_FALSE(HasUpdate(m_below)) << "a window that appears uncovers nothing";

    DestroyWindow(m_above);
    ExpectUpdateBox(m_below, kAbove);
    EXPECT_FALSE(HasUpdate(front));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, m_below);

    // The paint cycle draws the uncovered area, and still not the window in front.
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_below, &paint);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(EqualRect(&paint.rcPaint, &kAbove));
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(dc, &kScreen, red);
    DeleteObject(red);
    EndPaint(m_below, &paint);
    EXPECT_EQ(m_screen->ColourAt(kAbove.left, kAbove.top), kRed);
    EXPECT_EQ(m_screen->ColourAt(kAbove.right - 1, kAbove.top), kRed);
    EXPECT_EQ(m_screen->ColourAt(kAbove.right - 1, kAbove.bottom - 1), kBlue);
    EXPECT_EQ(m_screen->ColourAt(kAbove.left - 1, kAbove.top), kBlack) << "only the uncovered area";
}

TEST_F(ClipTest, RaisingAWindowRepaintsWhatWasCoveredOfItButTopmostWindowsStayInFront)
{
    MakeWindows();
    SetForegroundWindow(m_below);
    ExpectUpdateBox(m_below, kAbove);
    RECT box{};
    EXPECT_EQ(ClipBox(m_below, box), SIMPLEREGION);
    EXPECT_EQ(ClipBox(m_above, box), NULLREGION) << "now hidden behind the full-screen window";
    Drain();

    HWND topmost = MakePopup(m_class, {0, 0, 100, 100}, WS_VISIBLE, WS_EX_TOPMOST);
    ASSERT_NE(topmost, nullptr);
    Drain();
    SetForegroundWindow(m_below);
    EXPECT_FALSE(HasUpdate(m_below)) << "the topmost window stays in front";
    EXPECT_EQ(ClipBox(m_below, box), COMPLEXREGION);
}

TEST_F(ClipTest, TheWindowsOfAThreadThatEndsUncoverTheWindowsBelow)
{
    m_below = MakePopup(m_class, kScreen);
    Drain();
    std::thread other([this] {
        HWND window = CreateWindowExA(0, m_class.Name(), "other", WS_POPUP | WS_VISIBLE, kAbove.left, kAbove.top,
                                      kAbove.right - kAbove.left, kAbove.bottom - kAbove.top, nullptr, nullptr,
                                      nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        RECT box{};
        EXPECT_EQ(ClipBox(m_below, box), COMPLEXREGION);
    });
    other.join();
    ExpectUpdateBox(m_below, kAbove);
    RECT box{};
    EXPECT_EQ(ClipBox(m_below, box), SIMPLEREGION);
}

}  // namespace
