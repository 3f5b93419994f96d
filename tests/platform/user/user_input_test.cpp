#include "platform/gdi/gdi_objects.h"
#include "tests/platform/gdi/gdi_test_dib.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/platform/headless_input.h"

namespace {

using vesper::platform::MouseButton;
using vesper::test::LoggedMessage;
using vesper::test::MessageLog;
using vesper::test::TestClass;
using vesper::test::WindowTest;
namespace headless = vesper::platform::headless;

class InputTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_window = MakePopup(m_class, {100, 50, 300, 150});
        ASSERT_NE(m_window, nullptr);
        PumpAll();
        MessageLog::Instance().Clear();
    }

    // Everything the window received of the given kinds while its queue was pumped.
    std::vector<LoggedMessage> Received(std::initializer_list<UINT> kinds)
    {
        PumpAll();
        std::vector<LoggedMessage> received;
        for (const LoggedMessage& logged : MessageLog::Instance().All())
            if (std::find(kinds.begin(), kinds.end(), logged.message) != kinds.end())
                received.push_back(logged);
        return received;
    }

    TestClass m_class{"VesperInputClass", CS_DBLCLKS};
    HWND m_window = nullptr;
};

constexpr std::initializer_list<UINT> kMouse = {WM_MOUSEMOVE,   WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_LBUTTONDBLCLK,
                                                WM_RBUTTONDOWN, WM_RBUTTONUP,   WM_MBUTTONDOWN,   WM_MBUTTONUP,
                                                WM_SETCURSOR,   WM_CONTEXTMENU};
constexpr std::initializer_list<UINT> kKeys = {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_CHAR, WM_SYSCHAR};

// ---- Mouse ------------------------------------------------------------------------

TEST_F(InputTest, AMouseMoveReachesTheWindowUnderTheCursorInClientCoordinates)
{
    headless::MoveMouse(130, 70);
    const auto received = Received(kMouse);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_SETCURSOR)) << "WM_SETCURSOR comes before the mouse message";
    EXPECT_EQ(received[0].wParam, reinterpret_cast<WPARAM>(m_window));
    EXPECT_EQ(received[0].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(received[1].lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(received[1].lParam), 20);
    EXPECT_EQ(received[1].wParam, 0u);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 130);
    EXPECT_EQ(cursor.y, 70);
}

TEST_F(InputTest, MovesThatWaitTogetherMergeIntoTheLatest)
{
    headless::MoveMouse(110, 60);
    headless::MoveMouse(120, 61);
    headless::MoveMouse(131, 72);
    const auto received = Received({WM_MOUSEMOVE});
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(received[0].lParam), 31);
    EXPECT_EQ(GET_Y_LPARAM(received[0].lParam), 22);
}

TEST_F(InputTest, MovesOutsideEveryWindowReachNoneButMoveTheCursorWithinTheScreen)
{
    headless::MoveMouse(10, 10);
    headless::MoveMouse(5000, -30);
    EXPECT_TRUE(Received(kMouse).empty());
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 639);
    EXPECT_EQ(cursor.y, 0);
}

TEST_F(InputTest, ButtonsGiveTheirMessagesWithTheButtonAndShiftFlags)
{
    headless::MoveMouse(150, 60);
    headless::ClickButton(MouseButton::Left);
    headless::KeyDown(VK_SHIFT);
    headless::ButtonDown(MouseButton::Right);
    headless::ButtonUp(MouseButton::Right);
    headless::KeyUp(VK_SHIFT);
    headless::ClickButton(MouseButton::Middle);
    std::vector<std::pair<UINT, WPARAM>> buttons;
    for (const LoggedMessage& logged : Received(kMouse))
        if (logged.message != WM_SETCURSOR && logged.message != WM_MOUSEMOVE && logged.message != WM_CONTEXTMENU)
            buttons.emplace_back(logged.message, logged.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected{
        {WM_LBUTTONDOWN, MK_LBUTTON}, {WM_LBUTTONUP, 0},   {WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT},
        {WM_RBUTTONUP, MK_SHIFT},     {WM_MBUTTONDOWN, MK_MBUTTON}, {WM_MBUTTONUP, 0}};
    EXPECT_EQ(buttons, expected);
    const auto down = MessageLog::Instance().OfKind(WM_LBUTTONDOWN);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(down[0].lParam), 50);
    EXPECT_EQ(GET_Y_LPARAM(down[0].lParam), 10);
}

TEST_F(InputTest, ASecondQuickPressIsADoubleClickOnlyForClassesThatAskForIt)
{
    headless::MoveMouse(150, 60);
    headless::ClickButton(MouseButton::Left);
    headless::ClickButton(MouseButton::Left);
    headless::ClickButton(MouseButton::Left);
    std::vector<UINT> presses;
    for (const LoggedMessage& logged : Received({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}))
        presses.push_back(logged.message);
    EXPECT_EQ(presses, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));

    TestClass plain("VesperPlainClass");
    HWND other = MakePopup(plain, {400, 300, 500, 400});
    PumpAll();
    MessageLog::Instance().Clear();
    headless::MoveMouse(450, 350);
    headless::ClickButton(MouseButton::Left);
    headless::ClickButton(MouseButton::Left);
    presses.clear();
    for (const LoggedMessage& logged : Received({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}))
        presses.push_back(logged.message);
    EXPECT_EQ(presses, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    EXPECT_EQ(MessageLog::Instance().OfKind(WM_LBUTTONDOWN)[0].window, other);
}

TEST_F(InputTest, TheRightButtonsReleaseAsksForAContextMenuAtTheScreenPosition)
{
    headless::MoveMouse(150, 60);
    headless::ClickButton(MouseButton::Right);
    const auto menus = Received({WM_CONTEXTMENU});
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].wParam, reinterpret_cast<WPARAM>(m_window));
    EXPECT_EQ(GET_X_LPARAM(menus[0].lParam), 150);
    EXPECT_EQ(GET_Y_LPARAM(menus[0].lParam), 60);

    MessageLog::Instance().Clear();
    headless::KeyDown(VK_SHIFT);
    headless::PressKey(VK_F10);
    headless::KeyUp(VK_SHIFT);
    const auto keyboardMenus = Received({WM_CONTEXTMENU});
    ASSERT_EQ(keyboardMenus.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(keyboardMenus[0].lParam), -1) << "from the keyboard: no position";
    EXPECT_EQ(GET_Y_LPARAM(keyboardMenus[0].lParam), -1);
}

TEST_F(InputTest, CaptureTakesTheMouseWherEverItGoes)
{
    TestClass plain("VesperCaptureClass");
    HWND other = MakePopup(plain, {400, 300, 500, 400});
    PumpAll();
    MessageLog::Instance().Clear();
    SetCapture(m_window);
    EXPECT_EQ(GetCapture(), m_window);
    headless::MoveMouse(450, 350);
    const auto moves = Received({WM_MOUSEMOVE, WM_SETCURSOR});
    ASSERT_EQ(moves.size(), 1u) << "no WM_SETCURSOR while captured";
    EXPECT_EQ(moves[0].window, m_window);
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 350);
    ReleaseCapture();
    MessageLog::Instance().Clear();
    headless::MoveMouse(451, 350);
    const auto released = Received({WM_MOUSEMOVE});
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].window, other);
}

// ---- Keyboard ------------------------------------------------------------------

TEST_F(InputTest, AKeyGoesToTheForegroundWindowWithItsScanCodeAndTransitionBits)
{
    headless::PressKey('A');
    const auto keys = Received(kKeys);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(static_cast<DWORD>(keys[0].lParam), 0x001E0001u) << "one press, scan code 0x1E";
    EXPECT_EQ(keys[1].message, static_cast<UINT>(WM_CHAR)) << "TranslateMessage posted the character";
    EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('a'));
    EXPECT_EQ(keys[2].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(static_cast<DWORD>(keys[2].lParam), 0xC01E0001u) << "previous state and transition bits set";
    EXPECT_EQ(keys[0].window, m_window);
}

TEST_F(InputTest, ShiftAndControlChangeTheCharacter)
{
    headless::KeyDown(VK_SHIFT);
    headless::PressKey('Q');
    headless::PressKey('1');
    headless::KeyUp(VK_SHIFT);
    headless::KeyDown(VK_CONTROL);
    headless::PressKey('C');
    headless::PressKey('5');
    headless::KeyUp(VK_CONTROL);
    headless::PressKey(VK_RETURN);
    headless::PressKey(VK_F5);
    std::vector<WPARAM> characters;
    for (const LoggedMessage& logged : Received({WM_CHAR}))
        characters.push_back(logged.wParam);
    EXPECT_EQ(characters, (std::vector<WPARAM>{'Q', '!', 3, '\r'}));
}

TEST_F(InputTest, AltTurnsKeysIntoSystemKeysUnlessControlIsHeldToo)
{
    headless::KeyDown(VK_MENU);
    headless::PressKey('X');
    headless::KeyUp(VK_MENU);
    auto keys = Received(kKeys);
    std::vector<std::pair<UINT, WPARAM>> seen;
    for (const LoggedMessage& logged : keys)
        seen.emplace_back(logged.message, logged.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected{{WM_SYSKEYDOWN, VK_MENU},
                                                        {WM_SYSKEYDOWN, 'X'},
                                                        {WM_SYSCHAR, 'x'},
                                                        {WM_SYSKEYUP, 'X'},
                                                        {WM_SYSKEYUP, VK_MENU}};
    EXPECT_EQ(seen, expected);
    EXPECT_NE(keys[1].lParam & (1 << 29), 0) << "the Alt context bit";
    EXPECT_EQ(static_cast<DWORD>(keys[1].lParam) & 0x00FF0000u, 0x002D0000u) << "scan code of X";

    MessageLog::Instance().Clear();
    headless::KeyDown(VK_CONTROL);
    headless::KeyDown(VK_MENU);
    headless::PressKey('E');
    headless::KeyUp(VK_MENU);
    headless::KeyUp(VK_CONTROL);
    keys = Received({WM_KEYDOWN, WM_SYSKEYDOWN});
    ASSERT_EQ(keys.size(), 3u);
    for (const LoggedMessage& logged : keys)
        EXPECT_EQ(logged.message, static_cast<UINT>(WM_KEYDOWN)) << "Control+Alt keys are ordinary keys";

    MessageLog::Instance().Clear();
    headless::PressKey(VK_F10);
    keys = Received({WM_KEYDOWN, WM_SYSKEYDOWN});
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_SYSKEYDOWN)) << "F10 is a system key";
    EXPECT_EQ(keys[0].lParam & (1 << 29), 0) << "without Alt";
}

TEST_F(InputTest, AHeldKeyRepeatsWithThePreviousStateBitAndTheKeyStateFollowsRetrieval)
{
    headless::KeyDown('W');
    headless::KeyDown('W');
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.lParam & (1 << 30), 0);
    EXPECT_NE(GetKeyState('W') & 0x8000, 0) << "down as of the message retrieved";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_NE(msg.lParam & (1 << 30), 0) << "a repeat: the key was down before";
    headless::KeyUp('W');
    EXPECT_NE(GetAsyncKeyState('W') & 0x8000, 0) << "the release has not been taken from the backend yet";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYUP, WM_KEYUP, PM_NOREMOVE));
    EXPECT_EQ(GetAsyncKeyState('W') & 0x8000, 0);
    EXPECT_NE(GetKeyState('W') & 0x8000, 0) << "the release is still in the queue";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_KEYUP, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(GetKeyState('W') & 0x8000, 0);
}

TEST_F(InputTest, KeysReachNoWindowWithoutAForegroundWindow)
{
    ShowWindow(m_window, SW_HIDE);
    ASSERT_EQ(GetForegroundWindow(), nullptr);
    headless::PressKey('A');
    EXPECT_TRUE(Received(kKeys).empty());
    ShowWindow(m_window, SW_SHOWNA);
    EXPECT_EQ(GetForegroundWindow(), nullptr) << "SW_SHOWNA does not activate";
    SetForegroundWindow(m_window);
    headless::PressKey('A');
    EXPECT_EQ(Received({WM_KEYDOWN}).size(), 1u);
}

TEST_F(InputTest, F1AsksForHelpAndAChildPassesHelpToItsHost)
{
    headless::PressKey(VK_F1);
    const auto help = Received({WM_HELP});
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].window, m_window);

    const HWND host = headless::MakeHostWindow({0, 300, 100, 400});
    HWND child = MakeChild(m_class, host, {0, 0, 100, 100});
    SetForegroundWindow(child);
    PumpAll();
    MessageLog::Instance().Clear();
    headless::PressKey(VK_F1);
    ASSERT_EQ(Received({WM_HELP}).size(), 1u);
    const auto atHost = headless::HostMessages(host);
    ASSERT_EQ(atHost.size(), 1u);
    EXPECT_EQ(atHost[0].message, static_cast<UINT>(WM_HELP));
}

TEST_F(InputTest, SystemCommandsOfTheWindowManagerGoToTheForegroundWindow)
{
    headless::SystemCommand(SC_NEXTWINDOW);
    const auto commands = Received({WM_SYSCOMMAND});
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, static_cast<WPARAM>(SC_NEXTWINDOW));
    EXPECT_TRUE(IsWindow(m_window));
    SendMessageA(m_window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(m_window)) << "SC_CLOSE closes through WM_CLOSE";
}

// ---- Cursor -------------------------------------------------------------------------

TEST_F(InputTest, ANullCursorHidesItAndTheDisplayCountHidesItBelowZero)
{
    ASSERT_TRUE(headless::CursorVisible());
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow) << "system cursors are shared";
    EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), arrow);
    EXPECT_EQ(LoadCursorA(reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000}), IDC_ARROW), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(100)), nullptr);

    EXPECT_EQ(SetCursor(nullptr), arrow);
    EXPECT_FALSE(headless::CursorVisible());
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_TRUE(headless::CursorVisible());
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_FALSE(headless::CursorVisible());
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_FALSE(headless::CursorVisible()) << "still below zero";
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(headless::CursorVisible());
}

TEST_F(InputTest, DefaultProcessingOfWmSetCursorSetsTheClassCursor)
{
    const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    TestClass waiting("VesperWaitClass", 0, nullptr, wait);
    MakePopup(waiting, {400, 300, 500, 400});
    SetCursor(nullptr);
    headless::MoveMouse(450, 350);
    PumpAll();
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_TRUE(headless::CursorVisible());

    SetCursor(nullptr);
    headless::MoveMouse(150, 60);  // the test class has no cursor
    PumpAll();
    EXPECT_EQ(GetCursor(), nullptr);
}

TEST_F(InputTest, SetCursorPosMovesTheMouseOverTheWindowsBelow)
{
    EXPECT_TRUE(SetCursorPos(120, 60));
    const auto moves = Received({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 20);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 10);
}

// ---- Palette messages -------------------------------------------------------------

TEST_F(InputTest, APaletteDisplayAsksTheNewForegroundWindowToRealiseItsPalette)
{
    TestClass plain("VesperPaletteClass");
    HWND other = MakePopup(plain, {0, 0, 10, 10});
    MessageLog::Instance().Clear();
    SetForegroundWindow(m_window);
    EXPECT_TRUE(MessageLog::Instance().OfKind(WM_QUERYNEWPALETTE).empty()) << "not on a true-colour display";

    vesper::platform::UseHeadlessDisplay({320, 200, 8});
    SetForegroundWindow(other);
    SetForegroundWindow(other);
    const auto queries = MessageLog::Instance().OfKind(WM_QUERYNEWPALETTE);
    ASSERT_EQ(queries.size(), 1u) << "only when the foreground window changes";
    EXPECT_EQ(queries[0].window, other);
}

TEST_F(InputTest, ARealisationThatChangesTheSystemPaletteIsAnnouncedToTopLevelWindows)
{
    vesper::platform::UseHeadlessDisplay({320, 200, 8});
    TestClass plain("VesperAnnounceClass");
    HWND other = MakePopup(plain, {0, 0, 10, 10});
    HWND child = MakeChild(plain, other, {0, 0, 5, 5});
    MessageLog::Instance().Clear();

    std::vector<PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 77, 0};
    HPALETTE palette = vesper::test::MakePalette(entries);
    HDC dc = GetDC(m_window);
    HPALETTE previous = SelectPalette(dc, palette, FALSE);
    ASSERT_GT(RealizePalette(dc), 0u);
    SelectPalette(dc, previous, FALSE);
    ReleaseDC(m_window, dc);
    DeleteObject(palette);

    const auto changes = MessageLog::Instance().OfKind(WM_PALETTECHANGED);
    std::vector<HWND> told;
    for (const LoggedMessage& logged : changes) {
        told.push_back(logged.window);
        EXPECT_EQ(logged.wParam, reinterpret_cast<WPARAM>(m_window)) << "names the window that realised";
    }
    std::sort(told.begin(), told.end());
    std::vector<HWND> expected{m_window, other};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(told, expected) << "top-level windows only, the realising one included";
    EXPECT_TRUE(std::find(told.begin(), told.end(), child) == told.end());
}

}  // namespace
