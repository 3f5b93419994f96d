// The SDL backend on a real X server: what GDI draws reaches the screen in a
// full-screen window and in a child of another program's window, input sent
// by xdotool arrives as messages, and a waiting message loop stays idle.
#include "tests/platform/gdi/gdi_test_dib.h"
#include "tests/platform/drivers/sdl/sdl_test_support.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace vesper::test;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// A 2 x 2 picture: red and green on top, blue and yellow below.
TestDib Quadrants()
{
    return MakeDib(2, 2, 8, {0, 1, 2, 3}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
}

// Paints the quadrant picture stretched over the whole client area.
void PaintQuadrants(HWND window)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    const TestDib picture = Quadrants();
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, 2, 2, picture.bits.data(), picture.Info(),
                  DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &paint);
}

void RespondByPaintingQuadrants()
{
    MessageLog::Instance().SetResponder([](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT)
            return std::nullopt;
        PaintQuadrants(window);
        return 0;
    });
}

bool Painted(HWND window)
{
    return !PaintPending(window) && !MessageLog::Instance().OfKind(WM_PAINT).empty();
}

// A window manager (openbox) on the test's X server while it lives.
class WindowManager {
public:
    WindowManager()
    {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
        char program[] = "openbox";
        char noSession[] = "--sm-disable";
        char* argv[] = {program, noSession, nullptr};
        if (posix_spawnp(&m_pid, program, &files, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~WindowManager()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

class SdlWindowTest : public SdlTest {
protected:
    // Whether a window manager puts a newly mapped window into a frame (its
    // parent is no longer the root) within a few seconds. A window manager
    // that has just started may leave a window mapped too early alone, so a
    // new probe is mapped every round.
    bool FramesANewWindow()
    {
        for (int round = 0; round < 25; ++round) {
            const XWindow probe = m_x.MakeHostWindow(0, 0, 10, 10);
            const bool framed = PumpUntil([&] { return ParentOf(probe) != m_x.Root(); }, 0.2);
            XDestroyWindow(m_x.Get(), probe);
            XSync(m_x.Get(), False);
            if (framed)
                return true;
        }
        return false;
    }

    XWindow ParentOf(XWindow window) const
    {
        XWindow root = 0;
        XWindow parent = 0;
        XWindow* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_x.Get(), window, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        return parent;
    }

    // Whether the window's _NET_WM_STATE holds the named state.
    bool HoldsState(XWindow window, const char* state) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_x.Get(), window, XInternAtom(m_x.Get(), "_NET_WM_STATE", False), 0, 64, False,
                               XA_ATOM, &type, &format, &count, &remaining, &data) != Success)
            return false;
        const auto* states = reinterpret_cast<const Atom*>(data);
        const bool held = std::find(states, states + count, XInternAtom(m_x.Get(), state, False)) != states + count;
        if (data)
            XFree(data);
        return held;
    }

    HWND MakeFullScreen()
    {
        return Track(CreateWindowExA(WS_EX_TOPMOST, m_class.Name(), "Vesper full screen",
                                     WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                     nullptr, nullptr));
    }

    HWND MakePopup(const RECT& area, const char* title = "Vesper popup")
    {
        return Track(CreateWindowExA(0, m_class.Name(), title, WS_POPUP | WS_VISIBLE, area.left, area.top,
                                     area.right - area.left, area.bottom - area.top, nullptr, nullptr, nullptr,
                                     nullptr));
    }

    // The window that holds X's keyboard focus, as the server says now.
    XWindow FocusedWindow() const
    {
        XWindow focus = 0;
        int revertTo = 0;
        XGetInputFocus(m_x.Get(), &focus, &revertTo);
        return focus;
    }

    TestClass m_class{"VesperSdlTestClass"};
};

TEST_F(SdlWindowTest, TheScreenIsTheXScreenInTrueColour)
{
    XWindowAttributes root{};
    ASSERT_TRUE(XGetWindowAttributes(m_x.Get(), m_x.Root(), &root));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), root.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), root.height);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES), 32);
    EXPECT_FALSE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE);
    ReleaseDC(nullptr, screen);
}

TEST_F(SdlWindowTest, AFullScreenWindowShowsWhatGdiDrew)
{
    RespondByPaintingQuadrants();
    HWND window = MakeFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([window] { return Painted(window); }));
    Flush();

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(m_x.ColourAt(width / 4, height / 4), kRed);
    EXPECT_EQ(m_x.ColourAt(3 * width / 4, height / 4), kGreen);
    EXPECT_EQ(m_x.ColourAt(width / 4, 3 * height / 4), kBlue);
    EXPECT_EQ(m_x.ColourAt(3 * width / 4, 3 * height / 4), kYellow);
    EXPECT_EQ(m_x.ColourAt(0, 0), kRed) << "the window starts at the screen's corner";
    EXPECT_EQ(m_x.ColourAt(width - 1, height - 1), kYellow) << "and covers all of it";

    // WS_EX_TOPMOST asks the window manager to keep it above the others. No
    // window manager runs here, which would grant the full-screen state: the
    // window does not ask for it (SDL would wait for the answer).
    const std::optional<XWindow> native = m_x.FindByName("Vesper full screen");
    ASSERT_TRUE(native);
    EXPECT_TRUE(HoldsState(*native, "_NET_WM_STATE_ABOVE"));
    EXPECT_FALSE(HoldsState(*native, "_NET_WM_STATE_FULLSCREEN"));
}

TEST_F(SdlWindowTest, UnderAWindowManagerAFullScreenWindowHoldsTheFullScreenState)
{
    if (!RunCommand("command -v openbox"))
        GTEST_SKIP() << "openbox is missing (scripts/setup.sh installs it)";
    const WindowManager manager;
    ASSERT_TRUE(manager.Started());
    ASSERT_TRUE(PumpUntil([this] { return m_x.RootIsRedirected(); })) << "openbox did not take the screen";
    // It takes the screen some time before it manages windows: a window
    // mapped before then stays unmapped.
    ASSERT_TRUE(FramesANewWindow()) << "openbox does not frame new windows";

    RespondByPaintingQuadrants();
    HWND window = MakeFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil([window] { return Painted(window); }));
    Flush();
    const std::optional<XWindow> native = m_x.FindByName("Vesper full screen", true);
    ASSERT_TRUE(native) << "no such window, framed or not";
    EXPECT_TRUE(PumpUntil([&] { return HoldsState(*native, "_NET_WM_STATE_FULLSCREEN"); }));
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_TRUE(PumpUntil([&] {
        Flush();
        return m_x.ColourAt(0, 0) == kRed && m_x.ColourAt(width - 1, height - 1) == kYellow;
    })) << "the window does not cover the screen under the window manager";
}

TEST_F(SdlWindowTest, DrawingOutsideAPaintCycleReachesTheScreenWithoutAMessageLoop)
{
    // Something drawn while no SDL backend was in use must not hold up what
    // is drawn once one is.
    vesper::platform::UseHeadlessWindowBackend();
    HDC desktop = GetDC(nullptr);
    const RECT corner{0, 0, 8, 8};
    FillRect(desktop, &corner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(nullptr, desktop);
    ASSERT_TRUE(vesper::platform::UseBackend("sdl"));
    m_backend = dynamic_cast<vesper::platform::sdl::SdlWindowBackend*>(vesper::platform::CurrentWindowBackend().get());

    RespondByPaintingQuadrants();
    HWND window = MakePopup(RECT{40, 30, 240, 130});
    ASSERT_TRUE(PumpUntil([&] { return m_x.ColourAt(50, 40) == kRed; }));

    // As a frame tick does: a window device context, a small rectangle, and
    // no message taken afterwards.
    HDC dc = GetDC(window);
    const RECT spot{10, 10, 30, 20};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &spot, white);
    ReleaseDC(window, dc);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_x.ColourAt(55, 45) != RGB(255, 255, 255) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(m_x.ColourAt(55, 45), RGB(255, 255, 255));
    EXPECT_EQ(m_x.ColourAt(50, 35), kRed) << "only the rectangle changed";
    EXPECT_EQ(m_x.ColourAt(45, 45), kRed);
}

// A pacing tick: another thread sends a message whose procedure draws; the
// window's thread waits in GetMessage and never looks at its queue in
// between. What the procedure drew has gone to the X server, straight from
// the drawing thread, by the time the send returns.
TEST_F(SdlWindowTest, AFrameDrawnInsideASentMessageIsPresentedBeforeTheSenderGoesOn)
{
    vesper::platform::sdl::x11::DirectPresenter* presenter = vesper::platform::sdl::SharedScreen()->Presenter();
    ASSERT_NE(presenter, nullptr) << "Xvfb offers shared memory: the screen is presented without the video thread";
    constexpr UINT kTick = WM_USER + 1;
    RespondByPaintingQuadrants();
    HWND window = MakePopup(RECT{40, 30, 240, 130});
    ASSERT_TRUE(PumpUntil([&] { return m_x.ColourAt(50, 40) == kRed; }));
    MessageLog::Instance().SetResponder([](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != kTick)
            return std::nullopt;
        HDC dc = GetDC(hwnd);
        const RECT spot{10, 10, 30, 20};
        FillRect(dc, &spot, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ReleaseDC(hwnd, dc);
        return 0;
    });

    COLORREF shown = 0;
    std::atomic<bool> done{false};
    std::thread sender([&] {
        SendMessageA(window, kTick, 0, 0);
        presenter->Synchronise();
        shown = m_x.ColourAt(55, 45);
        done = true;
        PostMessageA(window, WM_NULL, 0, 0);
    });
    MSG msg;
    while (!done)
        GetMessageA(&msg, nullptr, 0, 0);
    sender.join();
    EXPECT_EQ(shown, RGB(255, 255, 255));
    EXPECT_EQ(m_x.ColourAt(50, 35), kRed) << "only the rectangle changed";
}

// A box over a full-screen window takes the keyboard; when it goes, X gives
// the focus to no window. The keyboard must be back with a window of ours by
// the time the window is gone, however late SDL hears of the focus.
TEST_F(SdlWindowTest, TheKeyboardGoesToTheWindowShownLastWhenTheOneHoldingItGoesOrHides)
{
    HWND under = MakePopup({0, 0, 300, 300}, "Vesper under");
    HWND box = MakePopup({50, 50, 150, 150}, "Vesper box");
    ASSERT_TRUE(under && box);
    const std::optional<XWindow> underX = m_x.FindByName("Vesper under");
    const std::optional<XWindow> boxX = m_x.FindByName("Vesper box");
    ASSERT_TRUE(underX && boxX);
    ASSERT_TRUE(PumpUntil([&] { return FocusedWindow() == *boxX; })) << "a window shown takes the keyboard";

    DestroyWindow(box);
    EXPECT_EQ(FocusedWindow(), *underX) << "destroyed: the keyboard is back at once, without waiting for SDL";

    HWND second = MakePopup({60, 60, 160, 160}, "Vesper second box");
    const std::optional<XWindow> secondX = m_x.FindByName("Vesper second box");
    ASSERT_TRUE(second && secondX);
    ASSERT_TRUE(PumpUntil([&] { return FocusedWindow() == *secondX; }));
    ShowWindow(second, SW_HIDE);
    EXPECT_EQ(FocusedWindow(), *underX) << "hidden: the keyboard goes back too";

    // Another program's window that holds the keyboard keeps it.
    ShowWindow(second, SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return FocusedWindow() == *secondX; }));
    const XWindow other = m_x.MakeHostWindow(400, 400, 50, 50);
    XSetInputFocus(m_x.Get(), other, RevertToParent, CurrentTime);
    XSync(m_x.Get(), False);
    DestroyWindow(second);
    EXPECT_EQ(FocusedWindow(), other);
    XDestroyWindow(m_x.Get(), other);
    XSync(m_x.Get(), False);
}

TEST_F(SdlWindowTest, AChildOfAnotherProgramsWindowFillsItAndShowsTheStretchedPicture)
{
    const XWindow host = m_x.MakeHostWindow(200, 150, 320, 240);
    const auto hostHandle = reinterpret_cast<HWND>(host);
    ASSERT_TRUE(IsWindow(hostHandle)) << "the host's X window number is its window handle";
    RECT client{};
    ASSERT_TRUE(GetClientRect(hostHandle, &client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);

    RespondByPaintingQuadrants();
    HWND child = Track(CreateWindowExA(0, m_class.Name(), "Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                       client.right, client.bottom, hostHandle, nullptr, nullptr, nullptr));
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(PumpUntil([child] { return Painted(child); }));

    // Our X window inside the host covers its client area.
    XWindow root = 0;
    XWindow parent = 0;
    XWindow* children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(m_x.Get(), host, &root, &parent, &children, &count));
    ASSERT_EQ(count, 1u);
    XWindowAttributes inside{};
    XGetWindowAttributes(m_x.Get(), children[0], &inside);
    XFree(children);
    EXPECT_EQ(inside.x, 0);
    EXPECT_EQ(inside.y, 0);
    EXPECT_EQ(inside.width, 320);
    EXPECT_EQ(inside.height, 240);
    EXPECT_EQ(inside.map_state, IsViewable);

    ASSERT_TRUE(PumpUntil([&] {
        Flush();
        return m_x.ColourAt(200 + 80, 150 + 60) == kRed;
    })) << "the picture appears once X has mapped the child";
    EXPECT_EQ(m_x.ColourAt(200 + 240, 150 + 60), kGreen);
    EXPECT_EQ(m_x.ColourAt(200 + 80, 150 + 180), kBlue);
    EXPECT_EQ(m_x.ColourAt(200 + 319, 150 + 239), kYellow);
    XDestroyWindow(m_x.Get(), host);
    XSync(m_x.Get(), False);
    EXPECT_TRUE(PumpUntil([child] { return !IsWindow(child); }));
}

TEST_F(SdlWindowTest, WhenTheHostGoesAwayItsChildIsDestroyed)
{
    const XWindow host = m_x.MakeHostWindow(10, 10, 160, 120);
    HWND child = Track(CreateWindowExA(0, m_class.Name(), "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 160, 120,
                                       reinterpret_cast<HWND>(host), nullptr, nullptr, nullptr));
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(PumpUntil([child] { return Painted(child); }));
    XDestroyWindow(m_x.Get(), host);
    XSync(m_x.Get(), False);

    // Drawing goes on until the news arrives; X's complaints about the
    // vanished window must not end the program.
    HDC dc = GetDC(child);
    const RECT all{0, 0, 160, 120};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(child, dc);
    Flush();
    ASSERT_TRUE(PumpUntil([child] { return !IsWindow(child); }));
    const std::vector<UINT> messages = MessageLog::Instance().MessagesOf(child);
    EXPECT_NE(std::find(messages.begin(), messages.end(), WM_DESTROY), messages.end());
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(host)));
}

// Whether the watch's file becomes readable within a second.
bool TellsOfAChange(vesper::platform::ForeignWindowWatch& watch)
{
    pollfd file{watch.ChangeFile(), POLLIN, 0};
    return poll(&file, 1, 1000) == 1 && watch.TakeChanges();
}

TEST_F(SdlWindowTest, AForeignWindowsWatchTellsOfAResizeAndOfItsEndAndOfNothingElse)
{
    const XWindow host = m_x.MakeHostWindow(10, 10, 160, 120);
    std::unique_ptr<vesper::platform::ForeignWindowWatch> watch =
        vesper::platform::CurrentWindowBackend()->WatchForeignWindow(host);
    ASSERT_NE(watch, nullptr);
    EXPECT_FALSE(watch->TakeChanges());

    // Drawing in a child of the host changes nothing of the host itself.
    HWND child = Track(CreateWindowExA(0, m_class.Name(), "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 160, 120,
                                       reinterpret_cast<HWND>(host), nullptr, nullptr, nullptr));
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(PumpUntil([child] { return Painted(child); }));
    Flush();
    pollfd file{watch->ChangeFile(), POLLIN, 0};
    EXPECT_EQ(poll(&file, 1, 200), 0);
    EXPECT_FALSE(watch->TakeChanges());

    XResizeWindow(m_x.Get(), host, 200, 150);
    XSync(m_x.Get(), False);
    EXPECT_TRUE(TellsOfAChange(*watch));
    EXPECT_FALSE(watch->TakeChanges());

    XDestroyWindow(m_x.Get(), host);
    XSync(m_x.Get(), False);
    EXPECT_TRUE(TellsOfAChange(*watch));
}

TEST_F(SdlWindowTest, AWindowOfNoProgramCannotBeAParent)
{
    const XWindow host = m_x.MakeHostWindow(10, 10, 50, 50);
    XDestroyWindow(m_x.Get(), host);
    XSync(m_x.Get(), False);
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(host)));
    EXPECT_EQ(CreateWindowExA(0, m_class.Name(), "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                              reinterpret_cast<HWND>(host), nullptr, nullptr, nullptr),
              nullptr);
}

}  // namespace
