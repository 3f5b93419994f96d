// The SDL backend's input and its idle message loop on a real X server:
// pointer and keys sent by xdotool arrive as the layer's messages, the window
// manager's close request as WM_CLOSE, the cursor follows SetCursor, the
// layer's cursor starts where the pointer is, and a message loop with nothing
// to do uses no processor time.
#include <sys/resource.h>

#include <atomic>

#include "tests/platform/drivers/sdl/sdl_test_support.h"

namespace {

using namespace vesper::test;
using vesper::platform::sdl::VideoThread;

constexpr RECT kPopupArea{100, 100, 500, 400};
constexpr const char* kPopupTitle = "Vesper input test";

std::optional<LoggedMessage> FirstOf(UINT message, HWND window)
{
    for (const LoggedMessage& logged : MessageLog::Instance().OfKind(message))
        if (logged.window == window)
            return logged;
    return std::nullopt;
}

class SdlInputTest : public SdlTest {
protected:
    void SetUp() override
    {
        SdlTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            SkipWithoutXdotool();
    }

    // A shown popup with the keyboard focus, painted, its messages logged
    // from here on.
    HWND MakeFocusedPopup()
    {
        HWND window = Track(CreateWindowExA(0, m_class.Name(), kPopupTitle, WS_POPUP | WS_VISIBLE, kPopupArea.left,
                                            kPopupArea.top, kPopupArea.right - kPopupArea.left,
                                            kPopupArea.bottom - kPopupArea.top, nullptr, nullptr, nullptr, nullptr));
        if (!window)
            return nullptr;
        const std::optional<XWindow> native = m_x.FindByName(kPopupTitle);
        if (!native)
            return nullptr;
        XSetInputFocus(m_x.Get(), *native, RevertToParent, CurrentTime);
        XSync(m_x.Get(), False);
        PumpUntil([] { return false; }, 0.2);
        MessageLog::Instance().Clear();
        return window;
    }

    TestClass m_class{"VesperSdlInputClass"};
};

TEST_F(SdlInputTest, PointerMotionAndButtonsArriveInClientCoordinates)
{
    HWND window = MakeFocusedPopup();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(RunCommand("xdotool mousemove --sync 300 250"));
    ASSERT_TRUE(PumpUntil([window] {
        const auto moves = MessageLog::Instance().OfKind(WM_MOUSEMOVE);
        return !moves.empty() && moves.back().lParam == MAKELPARAM(200, 150);
    })) << "a WM_MOUSEMOVE at (200, 150) of the client area";
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 300);
    EXPECT_EQ(cursor.y, 250);

    ASSERT_TRUE(RunCommand("xdotool click 1"));
    ASSERT_TRUE(PumpUntil([window] { return FirstOf(WM_LBUTTONUP, window).has_value(); }));
    const std::optional<LoggedMessage> press = FirstOf(WM_LBUTTONDOWN, window);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->lParam, MAKELPARAM(200, 150));
    ASSERT_TRUE(RunCommand("xdotool click 3"));
    EXPECT_TRUE(PumpUntil([window] { return FirstOf(WM_RBUTTONDOWN, window).has_value(); }));
}

TEST_F(SdlInputTest, KeysArriveAsVirtualKeysAndAltMakesThemSystemKeys)
{
    HWND window = MakeFocusedPopup();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(RunCommand("xdotool key a"));
    ASSERT_TRUE(PumpUntil([window] { return FirstOf(WM_KEYUP, window).has_value(); }));
    std::optional<LoggedMessage> down = FirstOf(WM_KEYDOWN, window);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->wParam, WPARAM('A'));
    std::optional<LoggedMessage> character = FirstOf(WM_CHAR, window);
    ASSERT_TRUE(character) << "TranslateMessage made a character of it";
    EXPECT_EQ(character->wParam, WPARAM('a'));

    MessageLog::Instance().Clear();
    ASSERT_TRUE(RunCommand("xdotool key F5 Escape Return"));
    ASSERT_TRUE(PumpUntil([window] { return MessageLog::Instance().OfKind(WM_KEYDOWN).size() >= 3; }));
    const auto keys = MessageLog::Instance().OfKind(WM_KEYDOWN);
    EXPECT_EQ(keys[0].wParam, WPARAM(VK_F5));
    EXPECT_EQ(keys[1].wParam, WPARAM(VK_ESCAPE));
    EXPECT_EQ(keys[2].wParam, WPARAM(VK_RETURN));

    MessageLog::Instance().Clear();
    ASSERT_TRUE(RunCommand("xdotool key alt+x"));
    ASSERT_TRUE(PumpUntil([window] { return MessageLog::Instance().OfKind(WM_SYSKEYDOWN).size() >= 2; }));
    const auto systemKeys = MessageLog::Instance().OfKind(WM_SYSKEYDOWN);
    EXPECT_EQ(systemKeys[0].wParam, WPARAM(VK_MENU));
    EXPECT_EQ(systemKeys[1].wParam, WPARAM('X'));
    EXPECT_TRUE(systemKeys[1].lParam & (1 << 29)) << "the context code tells that Alt is held";
    EXPECT_TRUE(MessageLog::Instance().OfKind(WM_KEYDOWN).empty());
}

TEST_F(SdlInputTest, TheWindowManagersCloseRequestArrivesAsWmClose)
{
    HWND window = MakeFocusedPopup();
    ASSERT_NE(window, nullptr);
    const std::optional<XWindow> native = m_x.FindByName(kPopupTitle);
    ASSERT_TRUE(native);
    m_x.SendCloseRequest(*native);
    ASSERT_TRUE(PumpUntil([window] { return FirstOf(WM_CLOSE, window).has_value(); }));
    EXPECT_TRUE(PumpUntil([window] { return !IsWindow(window); })) << "DefWindowProcA destroys the window";
}

TEST_F(SdlInputTest, SetCursorShowsHidesAndShapesThePointer)
{
    HWND window = MakeFocusedPopup();
    ASSERT_NE(window, nullptr);
    const auto pointerState = [] {
        std::pair<int, bool> state;
        VideoThread::Get()->Call([&state] {
            state = {SDL_ShowCursor(SDL_QUERY), SDL_GetCursor() != SDL_GetDefaultCursor()};
        });
        return state;
    };
    SetCursor(nullptr);
    EXPECT_EQ(pointerState().first, SDL_DISABLE);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    EXPECT_EQ(pointerState(), std::make_pair(int(SDL_ENABLE), true)) << "the wait cursor, shown";
    ShowCursor(FALSE);
    EXPECT_EQ(pointerState().first, SDL_DISABLE) << "a negative display count hides it";
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(pointerState().first, SDL_ENABLE);
}

TEST_F(SdlInputTest, TheLayersCursorStartsWhereThePointerIs)
{
    ASSERT_TRUE(RunCommand("xdotool mousemove --sync 321 123"));
    ASSERT_TRUE(vesper::platform::UseBackend("sdl"));
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 321) << "else the first motion would look like a jump from where the layer thought it was";
    EXPECT_EQ(cursor.y, 123);
}

TEST_F(SdlInputTest, AWaitingMessageLoopUsesNoProcessorTime)
{
    HWND window = MakeFocusedPopup();
    ASSERT_NE(window, nullptr);
    const DWORD loopThread = GetCurrentThreadId();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    std::thread waker([loopThread] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        PostThreadMessageA(loopThread, WM_QUIT, 0, 0);
    });
    MSG msg;
    int taken = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ++taken;
        DispatchMessageA(&msg);
    }
    waker.join();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_stime);
    EXPECT_GE(wall, 0.9);
    EXPECT_LT(cpu / wall, 0.05) << cpu << " s of processor time in " << wall << " s, " << taken << " messages";
}

}  // namespace
