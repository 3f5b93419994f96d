// The configuration dialog (resource 2003 with the saver's dialog procedure)
// on the SDL backend and a real X server: the window X shows has the
// dialog's size and shows its caption, texts and controls where the dialog
// manager put them; xdotool's pointer and keys work the scroll bar and the
// buttons; the window manager's close request is Annuler. Runs under
// xvfb-run with no window manager (scripts/test.sh).
#include <future>
#include <set>
#include <string>

#include "platform/user/controls/controls.h"
#include "tests/support/platform/dialog_headless.h"
#include "platform/user/dialog/dialog_manager.h"
#include "saver/config_dialog_proc.h"
#include "saver/resources.h"
#include "saver/speed_setting.h"
#include "tests/platform/drivers/sdl/sdl_test_support.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace vesper::test {
namespace {

namespace headless = platform::headless;
using platform::controls::LayoutScrollBar;
using platform::controls::ScrollBarLayout;

constexpr const char* kCaption = "Configuration";
constexpr int kDialogWidthUnits = 260;
constexpr int kDialogHeightUnits = 105;
constexpr COLORREF kTroughColour = RGB(224, 224, 224);

POINT Middle(const RECT& area)
{
    return POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

RECT Moved(RECT area, POINT by)
{
    OffsetRect(&area, by.x, by.y);
    return area;
}

std::string At(POINT point)
{
    return std::to_string(point.x) + " " + std::to_string(point.y);
}

// The pixels of a screenshot inside `area` (screenshot coordinates, cut to
// the picture) that differ from `background`, and the rows they span.
struct Ink {
    int pixels = 0;
    int top = 0;
    int bottom = 0;
    int Rows() const { return pixels ? bottom - top : 0; }
};

template <typename Visit>
void ForEachPixel(const Screenshot& shot, const RECT& area, Visit&& visit)
{
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, shot.height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, shot.width); ++x)
            visit(x, y, shot.At(x, y));
}

Ink InkIn(const Screenshot& shot, const RECT& area, COLORREF background)
{
    Ink ink;
    ink.top = area.bottom;
    ForEachPixel(shot, area, [&](int, int y, COLORREF colour) {
        if (colour == background)
            return;
        ++ink.pixels;
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y + 1);
    });
    return ink;
}

int CountOf(const Screenshot& shot, const RECT& area, COLORREF colour)
{
    int count = 0;
    ForEachPixel(shot, area, [&](int, int, COLORREF seen) { count += seen == colour; });
    return count;
}

class SdlDialogTest : public SdlTest {
protected:
    void SetUp() override
    {
        SdlTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        RegisterSaverResources();
        SetProgramString("Cr\xE9puscule|Une sc\xE8ne de test");
    }

    void TearDown() override
    {
        // A test that stopped early leaves its dialog open: Annuler ends it,
        // so that its thread ends before the backend goes.
        if (m_result.valid()) {
            for (const headless::OpenDialog& open : headless::OpenDialogs())
                PostMessageA(open.window, WM_COMMAND, IDCANCEL, 0);
            m_result.wait();
        }
        SetProgramString("");
        SdlTest::TearDown();
    }

    void StoreSpeed(int speed)
    {
        WriteText(SettingsPath(), "[settings]\nspeed=" + std::to_string(speed) + "\n");
    }
    std::string SettingsFile() const { return ReadText(SettingsPath()); }

    // Runs the modal dialog on a thread of its own and waits until X shows
    // it, painted. Null when it did not come up. (The keys xdotool sends go
    // to the window with X's keyboard focus: the dialog takes it itself.)
    HWND Open()
    {
        m_result = std::async(std::launch::async, [] {
            return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kConfigurationDialog), nullptr, ConfigDialogProc, 0);
        });
        HWND dialog = headless::WaitForDialog(kCaption);
        if (!dialog)
            return nullptr;
        m_native = 0;
        RECT area{};
        GetWindowRect(dialog, &area);
        const POINT caption{area.left + platform::dialog::kFrameBorder + 2,
                            area.top + platform::dialog::kFrameBorder + 2};
        const bool shown = PumpUntil([&] {
            Flush();
            if (const std::optional<XWindow> native = m_x.FindByName(kCaption))
                m_native = *native;
            return m_native && m_x.ColourAt(caption.x, caption.y) == GetSysColor(COLOR_ACTIVECAPTION);
        });
        return shown ? dialog : nullptr;
    }

    // The dialog's result once it has ended; -2 when it did not end.
    INT_PTR Result()
    {
        if (m_result.wait_for(std::chrono::seconds(5)) != std::future_status::ready)
            return -2;
        return m_result.get();
    }

    static RECT ControlOnScreen(HWND dialog, int id)
    {
        RECT area{};
        GetWindowRect(GetDlgItem(dialog, id), &area);
        return area;
    }

    static int SpeedShown(HWND dialog) { return GetScrollPos(GetDlgItem(dialog, kSpeedScrollBar), SB_CTL); }

    // Waits until the scroll bar shows the speed.
    static bool ShowsSpeed(HWND dialog, int speed)
    {
        return PumpUntil([&] { return SpeedShown(dialog) == speed; });
    }

    // Where the parts of the speed scroll bar lie on the screen now.
    static ScrollBarLayout SpeedBarOnScreen(HWND dialog, int position)
    {
        HWND bar = GetDlgItem(dialog, kSpeedScrollBar);
        RECT client{};
        GetClientRect(bar, &client);
        ScrollBarLayout layout = LayoutScrollBar(client, kSlowestSpeed, kFastestSpeed, position);
        POINT origin{0, 0};
        ClientToScreen(bar, &origin);
        for (RECT* part : {&layout.leftArrow, &layout.rightArrow, &layout.track, &layout.thumb})
            OffsetRect(part, origin.x, origin.y);
        return layout;
    }

    XWindow m_native = 0;

private:
    std::filesystem::path SettingsPath() const { return m_userFolder.path() / "vesper" / "vesper.ini"; }

    ScratchDir m_userFolder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_userFolder.path().c_str()};
    std::future<INT_PTR> m_result;
};

// Working the dialog with xdotool needs the program.
class SdlDialogInputTest : public SdlDialogTest {
protected:
    void SetUp() override
    {
        SdlDialogTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            SkipWithoutXdotool();
    }

    // No --sync: it waits seconds for a pointer that is already there, and
    // X keeps the motion and the button in order anyway.
    static bool Click(POINT at) { return RunCommand("xdotool mousemove " + At(at) + " click 1"); }
    static bool Keys(const std::string& keys) { return RunCommand("xdotool key " + keys); }
};

TEST_F(SdlDialogTest, XShowsTheDialogAtItsSizeWithItsCaptionTextsAndControls)
{
    StoreSpeed(30);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);

    // The dialog's size comes from its 260 x 105 dialog units in the base
    // units of its 8-point font, with the frame and the caption round them.
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_GE(units.right, 5);
    EXPECT_LE(units.right, 8);
    EXPECT_GE(units.bottom, 11);
    EXPECT_LE(units.bottom, 16);
    RECT window{};
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.right - window.left,
              MulDiv(kDialogWidthUnits, units.right, 4) + 2 * platform::dialog::kFrameBorder);
    EXPECT_EQ(window.bottom - window.top, MulDiv(kDialogHeightUnits, units.bottom, 8) +
                                              2 * platform::dialog::kFrameBorder + platform::dialog::kCaptionHeight);
    const std::optional<RECT> onX = m_x.AreaOf(m_native);
    ASSERT_TRUE(onX);
    EXPECT_TRUE(EqualRect(&*onX, &window)) << "X's window lies at (" << onX->left << ", " << onX->top << ") and is "
                                           << onX->right - onX->left << " x " << onX->bottom - onX->top;

    const Screenshot shot = m_x.Capture(window);
    ASSERT_EQ(shot.width, window.right - window.left);
    ASSERT_EQ(shot.height, window.bottom - window.top);
    const std::set<COLORREF> colours(shot.pixels.begin(), shot.pixels.end());
    EXPECT_GE(colours.size(), 8u) << "face, caption, edges, text and its smoothing";
    const POINT origin{-window.left, -window.top};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const auto control = [&](int id) { return Moved(ControlOnScreen(dialog, id), origin); };

    // The caption bar, with its title in the caption text colour.
    const int width = shot.width;
    const int frame = platform::dialog::kFrameBorder;
    const RECT captionBar{frame, frame, width - frame, frame + platform::dialog::kCaptionHeight};
    const RECT captionTitle{captionBar.left, captionBar.top, captionBar.left + width / 3, captionBar.bottom};
    EXPECT_GT(CountOf(shot, captionBar, GetSysColor(COLOR_ACTIVECAPTION)), (width - 2 * frame) * 10);
    EXPECT_GT(CountOf(shot, captionTitle, GetSysColor(COLOR_CAPTIONTEXT)), 40) << "\"Configuration\" in the caption";
    EXPECT_EQ(shot.At(width / 2, captionBar.bottom + 2), face) << "the face below the caption";

    // The title in its 16-point font stands taller than the credit line in
    // the dialog's 8-point one.
    const Ink title = InkIn(shot, control(kTitleControl), face);
    const Ink credit = InkIn(shot, control(kCreditControl), face);
    EXPECT_GT(title.pixels, 100);
    EXPECT_GT(credit.pixels, 40);
    EXPECT_GE(title.Rows(), 15);
    EXPECT_LE(credit.Rows(), 12);
    for (int id : {104, 103, -1})
        EXPECT_GT(InkIn(shot, control(id), face).pixels, 20) << "static " << id << " shows its text";

    // The group box's etched frame along its left side.
    const RECT group = control(101);
    EXPECT_EQ(shot.At(group.left, Middle(group).y), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(shot.At(group.left + 1, Middle(group).y), GetSysColor(COLOR_BTNHIGHLIGHT));

    // The scroll bar: arrows with their triangles at both ends, the thumb at
    // speed 30 and the trough on both sides of it.
    const ScrollBarLayout bar = SpeedBarOnScreen(dialog, 30);
    for (const RECT& arrow : {bar.leftArrow, bar.rightArrow}) {
        const RECT inside = Moved(arrow, origin);
        EXPECT_GT(CountOf(shot, inside, GetSysColor(COLOR_BTNTEXT)), 3) << "the arrow's triangle";
        EXPECT_EQ(shot.At(inside.left + 1, inside.top + 1), GetSysColor(COLOR_BTNHIGHLIGHT)) << "the arrow's raised edge";
    }
    const RECT thumb = Moved(bar.thumb, origin);
    const RECT track = Moved(bar.track, origin);
    EXPECT_EQ(shot.At(Middle(thumb).x, Middle(thumb).y), face);
    EXPECT_EQ(shot.At((track.left + thumb.left) / 2, Middle(track).y), kTroughColour);
    EXPECT_EQ(shot.At((thumb.right + track.right) / 2, Middle(track).y), kTroughColour);

    // The buttons: OK, focused, framed as the default one; Annuler raised.
    const RECT ok = control(IDOK);
    const RECT cancel = control(IDCANCEL);
    EXPECT_EQ(shot.At(ok.left, Middle(ok).y), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(shot.At(cancel.left + 1, cancel.top + 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(shot.At(cancel.right - 1, cancel.bottom - 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_GT(CountOf(shot, ok, GetSysColor(COLOR_BTNTEXT)), 20) << "\"OK\"";
    EXPECT_GT(CountOf(shot, cancel, GetSysColor(COLOR_BTNTEXT)), 30) << "\"Annuler\"";
    EXPECT_EQ(shot.At(ok.right + 2, Middle(ok).y), face) << "nothing beside the buttons";
    EXPECT_EQ(shot.At(Middle(ok).x, (ok.bottom + cancel.top) / 2), face) << "nor between them";

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(Result(), 0);
}

TEST_F(SdlDialogInputTest, ArrowsTroughAndThumbSetTheSpeedAndOkStoresIt)
{
    StoreSpeed(1);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ScrollBarLayout bar = SpeedBarOnScreen(dialog, 1);
    // The left arrow cannot go below 1; the right arrow's step, seen next,
    // tells that the click before it was handled.
    ASSERT_TRUE(Click(Middle(bar.leftArrow)));
    ASSERT_TRUE(Click(Middle(bar.rightArrow)));
    ASSERT_TRUE(ShowsSpeed(dialog, 2)) << SpeedShown(dialog);

    // A page is one step either way.
    bar = SpeedBarOnScreen(dialog, 2);
    ASSERT_TRUE(Click(POINT{(bar.thumb.right + bar.track.right) / 2, Middle(bar.track).y}));
    ASSERT_TRUE(ShowsSpeed(dialog, 3)) << SpeedShown(dialog);
    bar = SpeedBarOnScreen(dialog, 3);
    ASSERT_TRUE(Click(POINT{(bar.track.left + bar.thumb.left) / 2, Middle(bar.track).y}));
    ASSERT_TRUE(ShowsSpeed(dialog, 2)) << SpeedShown(dialog);

    // The thumb follows the pointer while held, the speed only its release.
    bar = SpeedBarOnScreen(dialog, 2);
    const ScrollBarLayout target = SpeedBarOnScreen(dialog, 70);
    const POINT grip = Middle(bar.thumb);
    const POINT dropped{grip.x + target.thumb.left - bar.thumb.left, grip.y};
    ASSERT_TRUE(RunCommand("xdotool mousemove " + At(grip) + " mousedown 1 mousemove " + At(dropped)));
    const POINT there = Middle(target.thumb);
    const POINT before = Middle(bar.thumb);
    EXPECT_TRUE(PumpUntil([&] {
        Flush();
        return m_x.ColourAt(there.x, there.y) == GetSysColor(COLOR_BTNFACE) &&
               m_x.ColourAt(before.x, before.y) == kTroughColour;
    })) << "the thumb is drawn where the pointer holds it";
    EXPECT_EQ(SpeedShown(dialog), 2) << "nothing changes until the thumb is released";
    ASSERT_TRUE(RunCommand("xdotool mouseup 1"));
    ASSERT_TRUE(ShowsSpeed(dialog, 70)) << SpeedShown(dialog);

    ASSERT_TRUE(Click(Middle(ControlOnScreen(dialog, IDOK))));
    EXPECT_EQ(Result(), 1);
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=70\n");
}

TEST_F(SdlDialogInputTest, KeysMoveTheFocusAndWorkTheScrollBarAndEnterStoresTheSpeedShown)
{
    StoreSpeed(50);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    HWND bar = GetDlgItem(dialog, kSpeedScrollBar);
    EXPECT_EQ(GetFocus(), ok);
    ASSERT_TRUE(Keys("Tab"));
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == cancel; })) << "Tab goes from OK to Annuler";
    ASSERT_TRUE(Keys("Tab"));
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ok; })) << "and round to OK past the scroll bar";
    // The arrows move within the group of the buttons, which holds the bar;
    // once it has the focus they work it.
    ASSERT_TRUE(Keys("Left"));
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == bar; }));
    ASSERT_TRUE(Keys("Right Right Right Left"));
    ASSERT_TRUE(ShowsSpeed(dialog, 52)) << SpeedShown(dialog);
    ASSERT_TRUE(Keys("End"));
    ASSERT_TRUE(ShowsSpeed(dialog, 100)) << SpeedShown(dialog);
    ASSERT_TRUE(Keys("Right Left"));
    ASSERT_TRUE(ShowsSpeed(dialog, 99)) << "no step past 100: " << SpeedShown(dialog);
    ASSERT_TRUE(Keys("Return"));
    EXPECT_EQ(Result(), 1) << "Enter away from the buttons presses the default one, OK";
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=99\n");
}

TEST_F(SdlDialogInputTest, EscapeTheWindowManagersCloseAndTheCloseBoxAreAnnulerAndWriteNothing)
{
    StoreSpeed(40);
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Click(Middle(SpeedBarOnScreen(dialog, 40).rightArrow)));
    ASSERT_TRUE(ShowsSpeed(dialog, 41));
    ASSERT_TRUE(Keys("Escape"));
    EXPECT_EQ(Result(), 0);
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=40\n");

    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Click(Middle(SpeedBarOnScreen(dialog, 40).rightArrow)));
    ASSERT_TRUE(ShowsSpeed(dialog, 41));
    m_x.SendCloseRequest(m_native);
    EXPECT_EQ(Result(), 0) << "closing is Annuler";
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=40\n");
    EXPECT_TRUE(PumpUntil([&] { return !m_x.FindByName(kCaption); })) << "the window left the screen";

    // Without a window manager, the close box of the dialog's own caption.
    dialog = Open();
    ASSERT_NE(dialog, nullptr);
    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT closeBox = Moved(platform::dialog::CloseBox(dialog), POINT{window.left, window.top});
    ASSERT_FALSE(IsRectEmpty(&closeBox));
    ASSERT_TRUE(Click(Middle(closeBox)));
    EXPECT_EQ(Result(), 0);
    EXPECT_EQ(SettingsFile(), "[settings]\nspeed=40\n");
}

}  // namespace
}  // namespace vesper::test
