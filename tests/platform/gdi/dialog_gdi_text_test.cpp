// Fonts, text output and the outlines controls are drawn with, on the
// headless screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using vesper::platform::HeadlessDisplay;
using vesper::platform::UseHeadlessDisplay;

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);

// The smallest rectangle holding every pixel of the screen area that is not
// `background`; empty when there is none.
RECT InkBox(HeadlessDisplay& screen, const RECT& area, COLORREF background)
{
    RECT box{0, 0, 0, 0};
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (screen.ColourAt(x, y) != background) {
                const RECT dot{x, y, x + 1, y + 1};
                UnionRect(&box, &box, &dot);
            }
    return box;
}

int CountColour(HeadlessDisplay& screen, const RECT& area, COLORREF colour)
{
    int count = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            count += screen.ColourAt(x, y) == colour;
    return count;
}

HFONT MakeFont(int height, const char* face, BOOL italic = FALSE, int weight = FW_NORMAL, DWORD family = 0)
{
    return CreateFontA(height, 0, 0, 0, weight, italic, 0, 0, ANSI_CHARSET, 0, 0, 0, family, face);
}

// A white 320 x 200 true-colour screen and a screen context with a selected
// 16-pixel sans serif font.
class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_screen = &UseHeadlessDisplay({320, 200, 32});
        m_dc = GetDC(nullptr);
        Clear(kWhite);
        m_font = MakeFont(-16, "MS Sans Serif");
        ASSERT_NE(m_font, nullptr);
        m_previous = SelectObject(m_dc, m_font);
    }
    void TearDown() override
    {
        SelectObject(m_dc, m_previous);
        ReleaseDC(nullptr, m_dc);
        DeleteObject(m_font);
    }

    void Clear(COLORREF colour)
    {
        const RECT all{0, 0, 320, 200};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
    }

    RECT Ink(const RECT& area = {0, 0, 320, 200}) { return InkBox(*m_screen, area, kWhite); }

    HeadlessDisplay* m_screen = nullptr;
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_previous = nullptr;
};

TEST_F(TextTest, TextOutDrawsInTheTextColourInsideItsExtent)
{
    SetTextColor(m_dc, kRed);
    SetBkMode(m_dc, TRANSPARENT);
    const char text[] = "Vitesse";
    ASSERT_TRUE(TextOutA(m_dc, 40, 30, text, 7));
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(m_dc, text, 7, &extent));
    const RECT ink = Ink();
    ASSERT_FALSE(IsRectEmpty(&ink));
    EXPECT_GE(ink.left, 40);
    EXPECT_GE(ink.top, 30);
    EXPECT_LE(ink.right, 40 + extent.cx + 1);
    EXPECT_LE(ink.bottom, 30 + extent.cy);
    EXPECT_GT(ink.right - ink.left, extent.cx / 2) << "the glyphs span most of the measured width";
    EXPECT_GT(CountColour(*m_screen, ink, kRed), 10) << "solid parts of the glyphs are exactly the text colour";
}

TEST_F(TextTest, OpaqueModeFillsTheExtentWithTheBackgroundColourTransparentModeDoesNot)
{
    SetTextColor(m_dc, kBlack);
    SetBkColor(m_dc, kRed);
    ASSERT_EQ(GetBkMode(m_dc), OPAQUE) << "a new context draws text opaquely";
    SIZE extent{};
    GetTextExtentPoint32A(m_dc, "ab", 2, &extent);
    TextOutA(m_dc, 10, 10, "ab", 2);
    const RECT box{10, 10, 10 + extent.cx, 10 + extent.cy};
    EXPECT_EQ(InkBox(*m_screen, {0, 0, 320, 200}, kWhite).right, box.right);
    EXPECT_EQ(m_screen->ColourAt(box.left, box.top), kRed);
    EXPECT_EQ(m_screen->ColourAt(box.right - 1, box.bottom - 1), kRed);

    Clear(kWhite);
    SetBkMode(m_dc, TRANSPARENT);
    TextOutA(m_dc, 10, 10, "ab", 2);
    EXPECT_EQ(CountColour(*m_screen, box, kRed), 0);
}

TEST_F(TextTest, HeightsFollowTheLogicalFontRules)
{
    TEXTMETRICA em{};
    ASSERT_TRUE(GetTextMetricsA(m_dc, &em));
    EXPECT_EQ(em.tmHeight, em.tmAscent + em.tmDescent);
    EXPECT_GT(em.tmHeight, 16) << "a negative height is the character height, the cell is taller";
    EXPECT_EQ(em.tmInternalLeading, em.tmHeight - 16);
    EXPECT_GT(em.tmAveCharWidth, 3);
    EXPECT_GE(em.tmMaxCharWidth, em.tmAveCharWidth);

    HFONT cell = MakeFont(30, "MS Sans Serif");
    HGDIOBJ before = SelectObject(m_dc, cell);
    TEXTMETRICA cellMetrics{};
    ASSERT_TRUE(GetTextMetricsA(m_dc, &cellMetrics));
    EXPECT_NEAR(cellMetrics.tmHeight, 30, 1) << "a positive height is the cell height";
    SelectObject(m_dc, before);
    DeleteObject(cell);
}

TEST_F(TextTest, DescendersStayInsideTheCell)
{
    // The dialog font, the configuration title and the test's own font: a
    // control as tall as the cell must not cut off the tails of g, j, p, q, y.
    struct Case {
        int height;
        const char* face;
        BOOL italic;
    };
    for (const Case& font : {Case{-11, "MS Sans Serif", FALSE}, Case{-21, "Times New Roman", TRUE},
                             Case{-16, "MS Sans Serif", FALSE}}) {
        SCOPED_TRACE(font.height);
        HFONT made = MakeFont(font.height, font.face, font.italic);
        HGDIOBJ before = SelectObject(m_dc, made);
        TEXTMETRICA metrics{};
        GetTextMetricsA(m_dc, &metrics);
        SIZE extent{};
        GetTextExtentPoint32A(m_dc, "gjpqy", 5, &extent);
        EXPECT_EQ(extent.cy, metrics.tmHeight);
        Clear(kWhite);
        SetBkMode(m_dc, TRANSPARENT);
        RECT box{10, 10, 300, 190};
        DrawTextA(m_dc, "gjpqy", -1, &box, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
        const RECT ink = Ink();
        EXPECT_GT(ink.bottom, 10 + metrics.tmAscent) << "the tails are drawn below the baseline";
        EXPECT_LE(ink.bottom, 10 + metrics.tmHeight);
        SelectObject(m_dc, before);
        DeleteObject(made);
    }
}

TEST_F(TextTest, ExtentsAddUpAndAnEmptyTextHasNoWidth)
{
    SIZE empty{}, narrow{}, wide{}, both{};
    ASSERT_TRUE(GetTextExtentPoint32A(m_dc, "", 0, &empty));
    TEXTMETRICA metrics{};
    GetTextMetricsA(m_dc, &metrics);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, metrics.tmHeight);
    GetTextExtentPoint32A(m_dc, "iii", 3, &narrow);
    GetTextExtentPoint32A(m_dc, "WWW", 3, &wide);
    GetTextExtentPoint32A(m_dc, "iiiWWW", 6, &both);
    EXPECT_LT(narrow.cx, wide.cx);
    EXPECT_EQ(both.cx, narrow.cx + wide.cx) << "glyphs are placed by their advances, without kerning";
    EXPECT_FALSE(GetTextExtentPoint32A(m_dc, nullptr, 3, &both));
    EXPECT_FALSE(GetTextExtentPoint32A(m_dc, "abc", -1, &both));
}

TEST_F(TextTest, FaceNamesChooseSerifOrSansFacesAndItalicIsKept)
{
    // The configuration dialog's title font.
    HFONT title = CreateFontA(MulDiv(-16, 96, 72), 0, 0, 0, 400, TRUE, 0, 0, ANSI_CHARSET, 0, 0, 0, 0x20,
                              "Times New Roman");
    ASSERT_NE(title, nullptr);
    HGDIOBJ before = SelectObject(m_dc, title);
    char face[LF_FACESIZE]{};
    ASSERT_GT(GetTextFaceA(m_dc, sizeof face, face), 0);
    EXPECT_NE(std::string(face).find("Serif"), std::string::npos) << face;
    EXPECT_EQ(std::string(face).find("Sans"), std::string::npos) << face;
    TEXTMETRICA metrics{};
    GetTextMetricsA(m_dc, &metrics);
    EXPECT_EQ(metrics.tmItalic, 1);
    EXPECT_EQ(metrics.tmPitchAndFamily & 0xF0, FF_ROMAN);
    EXPECT_EQ(metrics.tmInternalLeading, metrics.tmHeight - 21);
    SelectObject(m_dc, before);

    GetTextFaceA(m_dc, sizeof face, face);
    EXPECT_NE(std::string(face).find("Sans"), std::string::npos) << "MS Sans Serif maps to a sans serif: " << face;
    DeleteObject(title);

    // An unknown name falls back on the family bits.
    HFONT roman = MakeFont(-16, "No Such Face Here", FALSE, FW_NORMAL, FF_ROMAN);
    SelectObject(m_dc, roman);
    GetTextFaceA(m_dc, sizeof face, face);
    EXPECT_NE(std::string(face).find("Serif"), std::string::npos) << face;
    SelectObject(m_dc, m_font);
    DeleteObject(roman);
}

TEST_F(TextTest, SelectionProtectsFontsFromDeletion)
{
    HFONT font = MakeFont(-12, "Arial");
    HGDIOBJ previous = SelectObject(m_dc, font);
    EXPECT_EQ(previous, m_font);
    EXPECT_FALSE(DeleteObject(font)) << "a selected font is not deleted";
    EXPECT_EQ(SelectObject(m_dc, previous), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(SelectObject(m_dc, font), nullptr) << "a deleted font cannot be selected";
    EXPECT_EQ(SelectObject(m_dc, GetStockObject(WHITE_BRUSH)), nullptr) << "only fonts go through SelectObject";
    EXPECT_TRUE(DeleteObject(GetStockObject(SYSTEM_FONT)));
    EXPECT_NE(SelectObject(m_dc, GetStockObject(SYSTEM_FONT)), nullptr) << "stock fonts survive DeleteObject";
    SelectObject(m_dc, m_font);

    HDC fresh = GetDC(nullptr);
    HFONT selectedInFresh = MakeFont(-12, "Arial");
    EXPECT_EQ(SelectObject(fresh, selectedInFresh), GetStockObject(SYSTEM_FONT));
    ReleaseDC(nullptr, fresh);
    EXPECT_TRUE(DeleteObject(selectedInFresh)) << "releasing the context gives its font up";
}

TEST_F(TextTest, GetObjectCopiesTheLogicalFont)
{
    const std::string longName(40, 'x');
    HFONT font = MakeFont(-21, longName.c_str(), TRUE, FW_BOLD);
    LOGFONTA logical{};
    EXPECT_EQ(GetObjectA(font, 0, nullptr), static_cast<int>(sizeof logical));
    ASSERT_EQ(GetObjectA(font, sizeof logical, &logical), static_cast<int>(sizeof logical));
    EXPECT_EQ(logical.lfHeight, -21);
    EXPECT_EQ(logical.lfWeight, FW_BOLD);
    EXPECT_EQ(logical.lfItalic, 1);
    EXPECT_EQ(std::strlen(logical.lfFaceName), static_cast<std::size_t>(LF_FACESIZE - 1));
    EXPECT_EQ(GetObjectA(GetStockObject(WHITE_BRUSH), sizeof logical, &logical), 0);
    DeleteObject(font);
    EXPECT_EQ(CreateFontA(20000, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"), nullptr);
    EXPECT_EQ(CreateFontA(-20000, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"), nullptr);
}

TEST_F(TextTest, DrawTextAlignsInsideTheRectangleAndClipsToIt)
{
    SetBkMode(m_dc, TRANSPARENT);
    RECT box{20, 20, 220, 80};
    const LONG height = DrawTextA(m_dc, "Rapide", -1, &box, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    TEXTMETRICA metrics{};
    GetTextMetricsA(m_dc, &metrics);
    EXPECT_EQ(height, (60 - metrics.tmHeight) / 2 + metrics.tmHeight);
    RECT ink = Ink();
    EXPECT_GE(ink.right, 210);
    EXPECT_LE(ink.right, 221);
    EXPECT_GT(ink.left, 120);
    EXPECT_GE(ink.top, 20 + (60 - metrics.tmHeight) / 2);

    Clear(kWhite);
    box = RECT{20, 20, 220, 80};
    DrawTextA(m_dc, "Lente", -1, &box, DT_LEFT | DT_SINGLELINE);
    ink = Ink();
    EXPECT_LT(ink.left, 25);
    EXPECT_LT(ink.top, 20 + metrics.tmHeight);

    Clear(kWhite);
    RECT narrow{20, 20, 30, 80};
    DrawTextA(m_dc, "Wide text", -1, &narrow, DT_SINGLELINE);
    ink = Ink();
    EXPECT_LE(ink.right, 30) << "clipped to the rectangle";
    Clear(kWhite);
    DrawTextA(m_dc, "Wide text", -1, &narrow, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(Ink().right, 30);
}

TEST_F(TextTest, DrawTextCalcRectMeasuresWithoutDrawing)
{
    SIZE one{};
    GetTextExtentPoint32A(m_dc, "speed", 5, &one);
    RECT box{10, 10, 1000, 10};
    EXPECT_EQ(DrawTextA(m_dc, "speed", -1, &box, DT_CALCRECT | DT_SINGLELINE), one.cy);
    EXPECT_EQ(box.right, 10 + one.cx);
    EXPECT_EQ(box.bottom, 10 + one.cy);
    RECT empty = Ink();
    EXPECT_TRUE(IsRectEmpty(&empty));

    RECT lines{10, 10, 1000, 10};
    EXPECT_EQ(DrawTextA(m_dc, "one\r\ntwo\nthree", -1, &lines, DT_CALCRECT), 3 * one.cy);

    // Word breaks at the rectangle's width; a word wider than it stands alone.
    RECT wrapped{0, 0, one.cx + 2, 0};
    EXPECT_EQ(DrawTextA(m_dc, "speed speed speed", -1, &wrapped, DT_CALCRECT | DT_WORDBREAK), 3 * one.cy);
    RECT single{0, 0, one.cx + 2, 0};
    EXPECT_EQ(DrawTextA(m_dc, "speed speed speed", -1, &single, DT_CALCRECT | DT_SINGLELINE | DT_WORDBREAK), one.cy);
    RECT tiny{0, 0, 3, 0};
    EXPECT_EQ(DrawTextA(m_dc, "speed", -1, &tiny, DT_CALCRECT | DT_WORDBREAK), one.cy);
}

TEST_F(TextTest, PrefixesHideTheAmpersandUnlessAskedNotTo)
{
    const auto width = [&](const char* text, UINT format) {
        RECT box{0, 0, 1000, 0};
        DrawTextA(m_dc, text, -1, &box, format | DT_CALCRECT | DT_SINGLELINE);
        return box.right;
    };
    EXPECT_EQ(width("&OK", 0), width("OK", 0));
    EXPECT_EQ(width("A&&B", 0), width("A&B", DT_NOPREFIX));
    EXPECT_GT(width("&OK", DT_NOPREFIX), width("OK", 0));
    EXPECT_EQ(width("OK&", 0), width("OK&", DT_NOPREFIX)) << "a final ampersand stays";
}

TEST_F(TextTest, TabsAdvanceToTabStopsWithExpandTabs)
{
    TEXTMETRICA metrics{};
    GetTextMetricsA(m_dc, &metrics);
    RECT box{0, 0, 1000, 0};
    SIZE b{};
    GetTextExtentPoint32A(m_dc, "b", 1, &b);
    DrawTextA(m_dc, "a\tb", -1, &box, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    EXPECT_EQ(box.right, 8 * metrics.tmAveCharWidth + b.cx);
}

TEST_F(TextTest, TextOnAPaletteDisplayUsesTheNearestSystemColour)
{
    HeadlessDisplay& screen = UseHeadlessDisplay({64, 32, 8});
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, m_font);
    const RECT all{0, 0, 64, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(250, 5, 5));
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 2, 2, "MW", 2);
    int red = 0;
    for (LONG y = 0; y < 32; ++y)
        for (LONG x = 0; x < 64; ++x) {
            const COLORREF colour = screen.ColourAt(x, y);
            EXPECT_TRUE(colour == kWhite || colour == kRed) << "no blending on a palette display";
            red += colour == kRed;
        }
    EXPECT_GT(red, 10);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
}

TEST_F(TextTest, EdgesFramesAndFocusRectangles)
{
    RECT button{10, 10, 60, 40};
    ASSERT_TRUE(DrawEdge(m_dc, &button, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
    EXPECT_EQ(button.left, 12);
    EXPECT_EQ(button.bottom, 38) << "BF_ADJUST leaves the inside of both bands";
    EXPECT_EQ(m_screen->ColourAt(10, 10), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(m_screen->ColourAt(59, 39), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(m_screen->ColourAt(11, 11), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(m_screen->ColourAt(58, 38), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(m_screen->ColourAt(30, 25), GetSysColor(COLOR_3DFACE));

    RECT sunken{70, 10, 100, 40};
    DrawEdge(m_dc, &sunken, EDGE_SUNKEN, BF_RECT);
    EXPECT_EQ(m_screen->ColourAt(70, 10), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(m_screen->ColourAt(71, 11), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(m_screen->ColourAt(85, 25), kWhite) << "no BF_MIDDLE, no fill";

    const RECT frame{110, 10, 130, 20};
    FrameRect(m_dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(CountColour(*m_screen, frame, kBlack), 2 * 20 + 2 * 8);

    Clear(kWhite);
    const RECT focus{10, 10, 30, 20};
    DrawFocusRect(m_dc, &focus);
    const int dots = CountColour(*m_screen, focus, kBlack);
    EXPECT_GT(dots, 10);
    EXPECT_LT(dots, 2 * 20 + 2 * 8) << "dotted, not solid";
    DrawFocusRect(m_dc, &focus);
    EXPECT_EQ(CountColour(*m_screen, focus, kBlack), 0) << "drawing it again removes it";
}

class WindowTextTest : public vesper::test::WindowTest {};

TEST_F(WindowTextTest, TextInAChildIsCutToItsParent)
{
    vesper::test::TestClass windowClass("VesperTextClass");
    HWND parent = MakePopup(windowClass, {100, 100, 200, 150});
    HWND child = MakeChild(windowClass, parent, {50, 10, 250, 40});
    PumpAll();
    const RECT all{0, 0, 640, 480};
    HDC screenDc = GetDC(nullptr);
    FillRect(screenDc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(nullptr, screenDc);

    HDC dc = GetDC(child);
    HFONT font = MakeFont(-20, "Arial");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 0, 0, "WWWWWWWWWW", 10);
    SelectObject(dc, previous);
    ReleaseDC(child, dc);
    DeleteObject(font);

    const RECT ink = InkBox(*m_screen, all, kWhite);
    ASSERT_FALSE(IsRectEmpty(&ink));
    EXPECT_GE(ink.left, 150) << "drawn from the child's corner";
    EXPECT_GE(ink.top, 110);
    EXPECT_LE(ink.right, 200) << "cut at the parent's right edge";
}

}  // namespace
