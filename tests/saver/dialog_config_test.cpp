// The configuration dialog of resource 2003 run through the real dialog
// manager on the headless screen, worked as a user would: the template's
// layout and texts, and a dialog procedure with the speed dialog's handling
// driven by clicks, drags and keys.
#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/user/controls/controls.h"
#include "tests/support/platform/dialog_headless.h"
#include "platform/user/dialog/dialog_manager.h"
#include "saver/resources.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/language.h"
#include "tests/support/platform/headless_input.h"

namespace {

namespace headless = vesper::platform::headless;

constexpr int kTitle = 1001;
constexpr int kCredit = 107;
constexpr int kGroup = 101;
constexpr int kSlow = 104;
constexpr int kFast = 103;
constexpr int kSpeedBar = 100;

// The speed handling of the configuration dialog, with the settings file
// stood in for by `stored` (read when the dialog opens) and `written`.
struct SpeedDialog {
    std::mutex mutex;
    int stored = 100;
    std::optional<int> written;
    int speed = 0;
    std::vector<int> codes;

    int Speed()
    {
        std::lock_guard lock(mutex);
        return speed;
    }
    std::vector<int> Codes()
    {
        std::lock_guard lock(mutex);
        return codes;
    }
};

SpeedDialog* g_dialog = nullptr;

int Limited(int speed)
{
    return std::clamp(speed, 1, 100);
}

INT_PTR CALLBACK SpeedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    SpeedDialog& state = *g_dialog;
    std::unique_lock lock(state.mutex);
    switch (message) {
    case WM_INITDIALOG: {
        state.speed = state.stored < 1 || state.stored > 100 ? 100 : state.stored;
        HWND bar = GetDlgItem(dialog, kSpeedBar);
        SetScrollRange(bar, SB_CTL, 1, 100, FALSE);
        SetScrollPos(bar, SB_CTL, state.speed, TRUE);
        SetDlgItemTextA(dialog, kTitle, "Cr\xE9puscule");
        SetDlgItemTextA(dialog, kCredit, "par quelqu'un");
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            state.written = state.speed;
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case WM_HSCROLL: {
        const int code = LOWORD(wParam);
        state.codes.push_back(code);
        int speed = state.speed;
        switch (code) {
        case SB_LINELEFT:
        case SB_PAGELEFT: speed -= 1; break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT: speed += 1; break;
        case SB_THUMBPOSITION: speed = HIWORD(wParam); break;
        case SB_LEFT: speed = 1; break;
        case SB_RIGHT: speed = 100; break;
        case SB_THUMBTRACK:
        case SB_ENDSCROLL: return TRUE;
        default: break;
        }
        state.speed = Limited(speed);
        lock.unlock();
        SetScrollPos(reinterpret_cast<HWND>(lParam), SB_CTL, Limited(speed), TRUE);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

class ConfigurationDialog : public vesper::test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        RegisterSaverResources();
        g_dialog = &m_state;
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        g_dialog = nullptr;
    }

    // Runs the dialog modally on this thread while `script` works it from
    // another; a script that leaves the dialog open fails the test and
    // closes it.
    template <typename Script>
    INT_PTR Run(Script&& script, HWND owner = nullptr)
    {
        std::thread driver([&] {
            HWND dialog = headless::WaitForDialog("Configuration");
            if (!dialog) {
                ADD_FAILURE() << "the dialog did not open";
                return;
            }
            script(dialog);
            if (!headless::WaitForDialogClosed(dialog)) {
                ADD_FAILURE() << "the script left the dialog open";
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        });
        const INT_PTR result =
            DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kConfigurationDialog), owner, SpeedDialogProc, 0);
        driver.join();
        return result;
    }

    static int Position(HWND dialog)
    {
        return GetScrollPos(GetDlgItem(dialog, kSpeedBar), SB_CTL);
    }

    SpeedDialog m_state;
};

// The pixel rectangle of a template rectangle in the dialog's window.
RECT Expected(HWND dialog, int x, int y, int cx, int cy)
{
    RECT area{x, y, x + cx, y + cy};
    MapDialogRect(dialog, &area);
    const POINT origin = vesper::platform::dialog::ContentOrigin(static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)));
    OffsetRect(&area, origin.x, origin.y);
    return area;
}

RECT InDialog(HWND dialog, int id)
{
    RECT dialogArea{};
    RECT area{};
    GetWindowRect(dialog, &dialogArea);
    GetWindowRect(GetDlgItem(dialog, id), &area);
    OffsetRect(&area, -dialogArea.left, -dialogArea.top);
    return area;
}

void ExpectRect(const RECT& actual, const RECT& expected, const char* what)
{
    EXPECT_TRUE(EqualRect(&actual, &expected))
        << what << ": (" << actual.left << ", " << actual.top << ", " << actual.right << ", " << actual.bottom
        << ") instead of (" << expected.left << ", " << expected.top << ", " << expected.right << ", "
        << expected.bottom << ")";
}

TEST_F(ConfigurationDialog, ControlsLieWhereTheTemplatePutsThemInTheDialogFontsUnits)
{
    ASSERT_TRUE(vesper::test::LocaleGenerated(vesper::test::kFrench)) << "scripts/setup.sh generates the locale";
    const vesper::test::ScopedLanguage french(vesper::test::kFrench);
    RegisterSaverResources();
    HWND dialog = Track(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kConfigurationDialog), nullptr, SpeedDialogProc, 0));
    ASSERT_NE(dialog, nullptr);

    // The base units of 8-point MS Sans Serif, measured independently.
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SIZE letters{};
    GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(units.right, (letters.cx / 26 + 1) / 2);
    EXPECT_EQ(units.bottom, metrics.tmHeight);
    EXPECT_GE(units.right, 4);
    EXPECT_LE(units.right, 8);

    ExpectRect(InDialog(dialog, kTitle), Expected(dialog, 7, 5, 187, 14), "title");
    ExpectRect(InDialog(dialog, kCredit), Expected(dialog, 9, 24, 182, 8), "credit line");
    ExpectRect(InDialog(dialog, kGroup), Expected(dialog, 7, 38, 161, 40), "group box");
    ExpectRect(InDialog(dialog, kSlow), Expected(dialog, 15, 51, 20, 8), "Lente");
    ExpectRect(InDialog(dialog, kFast), Expected(dialog, 133, 50, 27, 8), "Rapide");
    ExpectRect(InDialog(dialog, kSpeedBar), Expected(dialog, 13, 62, 147, 10), "scroll bar");
    ExpectRect(InDialog(dialog, IDOK), Expected(dialog, 207, 6, 45, 14), "OK");
    ExpectRect(InDialog(dialog, IDCANCEL), Expected(dialog, 207, 25, 45, 14), "Annuler");
    ExpectRect(InDialog(dialog, -1), Expected(dialog, 8, 87, 192, 9), "authoring tool line");

    // The whole dialog is its content and the frame round it.
    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT content = Expected(dialog, 0, 0, 260, 105);
    EXPECT_EQ(window.right - window.left, content.right + vesper::platform::dialog::kFrameBorder);
    EXPECT_EQ(window.bottom - window.top, content.bottom + vesper::platform::dialog::kFrameBorder);

    char caption[64]{};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Configuration");
    EXPECT_EQ(headless::ControlText(dialog, -1), "Vesper Scene 1.0 pour Windows 95");
    EXPECT_EQ(headless::ControlText(dialog, kGroup), "Vitesse d'affichage");
    EXPECT_EQ(headless::ControlText(dialog, kSlow), "Lente");
    EXPECT_EQ(headless::ControlText(dialog, kFast), "Rapide");
    EXPECT_EQ(headless::ControlText(dialog, IDCANCEL), "Annuler");
    EXPECT_EQ(headless::ControlText(dialog, kTitle), "Cr\xE9puscule") << "WM_INITDIALOG replaced the template's text";
    EXPECT_EQ(headless::ControlText(dialog, IDOK), "OK");

    const auto style = [&](int id) { return static_cast<DWORD>(GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE)); };
    for (int id : {kTitle, kCredit, kSlow, kFast, -1})
        EXPECT_TRUE(style(id) & WS_GROUP) << id;
    EXPECT_TRUE(style(IDOK) & WS_TABSTOP);
    EXPECT_TRUE(style(IDCANCEL) & WS_TABSTOP);
    EXPECT_FALSE(style(kSpeedBar) & WS_TABSTOP);
    EXPECT_EQ(style(IDOK) & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON))
        << "the focused push button shows as the default one";
    EXPECT_EQ(style(IDCANCEL) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK)) << "WM_INITDIALOG returned TRUE: the first tab stop has the focus";
}

TEST_F(ConfigurationDialog, InAnyOtherLanguageEveryTextIsEnglish)
{
    for (const char* locale : {vesper::test::kEnglish, "C", "de_DE.UTF-8"}) {
        const vesper::test::ScopedLanguage language(locale);
        RegisterSaverResources();
        HWND dialog =
            Track(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kConfigurationDialog), nullptr, SpeedDialogProc, 0));
        ASSERT_NE(dialog, nullptr);
        char caption[64]{};
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_STREQ(caption, "Configuration") << locale;
        EXPECT_EQ(headless::ControlText(dialog, -1), "Vesper Scene 1.0 for Windows 95") << locale;
        EXPECT_EQ(headless::ControlText(dialog, kGroup), "Display speed") << locale;
        EXPECT_EQ(headless::ControlText(dialog, kSlow), "Slow") << locale;
        EXPECT_EQ(headless::ControlText(dialog, kFast), "Fast") << locale;
        EXPECT_EQ(headless::ControlText(dialog, IDOK), "OK") << locale;
        EXPECT_EQ(headless::ControlText(dialog, IDCANCEL), "Cancel") << locale;
        DestroyWindow(dialog);
    }
    RegisterSaverResources();
}

TEST_F(ConfigurationDialog, TextsSetAtInitialisationAreDrawn)
{
    m_state.stored = 50;
    Run([&](HWND dialog) {
        for (int id : {kTitle, kCredit, kSlow, -1}) {
            RECT area{};
            GetWindowRect(GetDlgItem(dialog, id), &area);
            int ink = 0;
            for (LONG y = area.top; y < area.bottom; ++y)
                for (LONG x = area.left; x < area.right; ++x)
                    ink += m_screen->ColourAt(x, y) != GetSysColor(COLOR_BTNFACE);
            EXPECT_GT(ink, 10) << "control " << id << " shows its text";
        }
        headless::PressDialogKey(dialog, VK_ESCAPE);
    });
}

TEST_F(ConfigurationDialog, ArrowsAndTroughMoveByOneWithinTheRange)
{
    m_state.stored = 1;
    Run([&](HWND dialog) {
        headless::ClickScrollArrow(dialog, kSpeedBar, false);
        EXPECT_EQ(Position(dialog), 1) << "no lower than 1";
        headless::ClickScrollArrow(dialog, kSpeedBar, true);
        EXPECT_EQ(Position(dialog), 2);
        headless::ClickScrollTrough(dialog, kSpeedBar, true);
        EXPECT_EQ(Position(dialog), 3) << "a page is one step";
        headless::ClickScrollTrough(dialog, kSpeedBar, false);
        EXPECT_EQ(Position(dialog), 2);
        headless::ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(m_state.Codes(), (std::vector<int>{SB_LINELEFT, SB_ENDSCROLL, SB_LINERIGHT, SB_ENDSCROLL, SB_PAGERIGHT,
                                                 SB_ENDSCROLL, SB_PAGELEFT, SB_ENDSCROLL}));
    EXPECT_EQ(m_state.written, 2);
}

TEST_F(ConfigurationDialog, DraggingTheThumbChangesNothingUntilItIsReleased)
{
    m_state.stored = 10;
    Run([&](HWND dialog) {
        ASSERT_TRUE(headless::DragScrollThumb(dialog, kSpeedBar, 70, 3));
        EXPECT_EQ(Position(dialog), 70);
        headless::ClickControl(dialog, IDOK);
    });
    const std::vector<int> codes = m_state.Codes();
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.size(), 5u) << "three moves, the release and the end";
    for (std::size_t i = 0; i + 2 < codes.size(); ++i)
        EXPECT_EQ(codes[i], SB_THUMBTRACK);
    EXPECT_EQ(codes[codes.size() - 2], SB_THUMBPOSITION);
    EXPECT_EQ(codes.back(), SB_ENDSCROLL);
    EXPECT_EQ(m_state.written, 70);

    // While the thumb is held, the speed stays where it was.
    m_state.stored = 10;
    m_state.written.reset();
    m_state.codes.clear();
    Run([&](HWND dialog) {
        HWND bar = GetDlgItem(dialog, kSpeedBar);
        RECT client{};
        GetClientRect(bar, &client);
        const RECT thumbArea = vesper::platform::controls::LayoutScrollBar(client, 1, 100, 10).thumb;
        POINT grip{(thumbArea.left + thumbArea.right) / 2, (thumbArea.top + thumbArea.bottom) / 2};
        ClientToScreen(bar, &grip);
        const LONG thumb = grip.x;
        const LONG middle = grip.y;
        headless::MoveMouse(thumb, middle);
        headless::ButtonDown(vesper::platform::MouseButton::Left);
        headless::MoveMouse(thumb + 40, middle);
        headless::PressDialogKey(dialog, VK_SHIFT);  // only to wait until the moves are handled
        EXPECT_EQ(m_state.Speed(), 10);
        EXPECT_FALSE(m_state.Codes().empty());
        headless::ButtonUp(vesper::platform::MouseButton::Left);
        headless::PressDialogKey(dialog, VK_SHIFT);
        EXPECT_GT(m_state.Speed(), 10);
        headless::PressDialogKey(dialog, VK_ESCAPE);
    });
    EXPECT_FALSE(m_state.written) << "Annuler writes nothing";
}

TEST_F(ConfigurationDialog, EnterIsOkEscapeAndClosingAreAnnuler)
{
    m_state.stored = 40;
    EXPECT_EQ(Run([](HWND dialog) { headless::PressDialogKey(dialog, VK_RETURN); }), 1);
    EXPECT_EQ(m_state.written, 40) << "OK without moving the bar writes the speed read at the start";

    m_state.written.reset();
    EXPECT_EQ(Run([](HWND dialog) {
                  headless::ClickScrollArrow(dialog, kSpeedBar, true);
                  headless::PressDialogKey(dialog, VK_ESCAPE);
              }),
              0);
    EXPECT_FALSE(m_state.written);

    EXPECT_EQ(Run([](HWND dialog) { headless::CloseDialog(dialog); }), 0) << "the window manager's close";
    EXPECT_EQ(Run([](HWND dialog) { headless::ClickControl(dialog, IDCANCEL); }), 0);
    EXPECT_FALSE(m_state.written);
}

TEST_F(ConfigurationDialog, TabMovesBetweenTheButtonsAndSkipsTheScrollBar)
{
    m_state.stored = 30;
    Run([&](HWND dialog) {
        HWND ok = GetDlgItem(dialog, IDOK);
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        EXPECT_EQ(GetFocus(), ok);
        headless::PressDialogKey(dialog, VK_TAB);
        EXPECT_EQ(GetFocus(), cancel);
        headless::PressDialogKey(dialog, VK_TAB);
        EXPECT_EQ(GetFocus(), ok) << "round to OK, past the scroll bar and the statics";
        headless::PressDialogKey(dialog, VK_TAB, true);
        EXPECT_EQ(GetFocus(), cancel) << "Shift+Tab goes back";
        EXPECT_EQ(GetWindowLongA(cancel, GWL_STYLE) & BS_TYPEMASK, static_cast<LONG>(BS_DEFPUSHBUTTON));
        headless::PressDialogKey(dialog, VK_RETURN);  // Enter presses the focused button
    });
    EXPECT_FALSE(m_state.written);
}

TEST_F(ConfigurationDialog, ArrowKeysWorkTheScrollBarWhenItHasTheFocus)
{
    m_state.stored = 50;
    Run([&](HWND dialog) {
        // Arrows move within the group from OK: the scroll bar is in it.
        headless::PressDialogKey(dialog, VK_LEFT);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kSpeedBar));
        headless::PressDialogKey(dialog, VK_LEFT);
        headless::PressDialogKey(dialog, VK_LEFT);
        headless::PressDialogKey(dialog, VK_RIGHT);
        EXPECT_EQ(Position(dialog), 49);
        headless::PressDialogKey(dialog, VK_SPACE);
        headless::PressDialogKey(dialog, VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        headless::PressDialogKey(dialog, VK_SPACE);  // Space presses the focused button
    });
    EXPECT_EQ(m_state.Codes(),
              (std::vector<int>{SB_LINELEFT, SB_ENDSCROLL, SB_LINELEFT, SB_ENDSCROLL, SB_LINERIGHT, SB_ENDSCROLL}));
    EXPECT_EQ(m_state.written, 49);
}

// The face and slant this font maps to are the GDI text tests' concern; here,
// only the title control takes it, and the dialog lets it go when it ends.
TEST_F(ConfigurationDialog, AFontSetOnTheTitleStaysWithItAndIsFreeOnceTheDialogEnds)
{
    HWND dialog =
        Track(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kConfigurationDialog), nullptr, SpeedDialogProc, 0));
    HFONT title = CreateFontA(MulDiv(-16, 96, 72), 0, 0, 0, 400, TRUE, 0, 0, ANSI_CHARSET, 0, 0, 0, 0x20,
                              "Times New Roman");
    SendDlgItemMessageA(dialog, kTitle, WM_SETFONT, reinterpret_cast<WPARAM>(title), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, kTitle, WM_GETFONT, 0, 0)), title);
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    EXPECT_NE(dialogFont, title) << "the other controls keep the dialog font";
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, kCredit, WM_GETFONT, 0, 0)), dialogFont);
    DestroyWindow(dialog);
    EXPECT_TRUE(DeleteObject(title)) << "nothing holds the font once the dialog is gone";
}

}  // namespace
