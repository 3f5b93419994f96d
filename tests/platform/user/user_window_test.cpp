#include <cstdlib>
#include <string>

#include "tests/platform/user/user_test_support.h"
#include "tests/support/platform/headless_input.h"

namespace {

using vesper::test::LoggedMessage;
using vesper::test::MessageLog;
using vesper::test::Only;
using vesper::test::TestClass;
using vesper::test::WindowTest;
namespace headless = vesper::platform::headless;

// ---- Classes ----------------------------------------------------------------

TEST_F(WindowTest, ClassNamesAreUniqueWithoutRegardToCase)
{
    TestClass first("VesperTestClass");
    ASSERT_NE(first.Atom(), 0);
    WNDCLASSA again{};
    again.lpfnWndProc = DefWindowProcA;
    again.lpszClassName = "VESPERTESTCLASS";
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(nullptr, "vespertestclass", &info));
    EXPECT_EQ(info.lpfnWndProc, &vesper::test::RecordingProc);
    EXPECT_FALSE(GetClassInfoA(nullptr, "NoSuchClass", &info));

    WNDCLASSA nameless{};
    nameless.lpfnWndProc = DefWindowProcA;
    EXPECT_EQ(RegisterClassA(&nameless), 0) << "a class needs a name";
}

TEST_F(WindowTest, AClassWithWindowsCannotBeUnregistered)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "VesperBusyClass";
    const ATOM atom = RegisterClassA(&windowClass);
    ASSERT_NE(atom, 0);
    HWND window = CreateWindowExA(0, MAKEINTATOM(atom), "by atom", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr) << "a class can be named by its atom";
    EXPECT_FALSE(UnregisterClassA("VesperBusyClass", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("VesperBusyClass", nullptr));
    EXPECT_FALSE(UnregisterClassA("VesperBusyClass", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(CreateWindowExA(0, "VesperBusyClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

// ---- Creation -----------------------------------------------------------------

TEST_F(WindowTest, AVisiblePopupIsCreatedShownAndBroughtToTheForeground)
{
    TestClass windowClass("VesperCreateClass");
    int parameter = 42;
    CREATESTRUCTA seen{};
    BOOL visibleDuringCreate = TRUE;
    MessageLog::Instance().SetResponder([&](HWND window, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            seen = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
            visibleDuringCreate = IsWindowVisible(window);
        }
        return std::nullopt;
    });
    HWND window = Track(CreateWindowExA(WS_EX_TOPMOST, windowClass.Name(), "Screen Saver",
                                        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 10, 20, 300, 200,
                                        nullptr, nullptr, nullptr, &parameter));
    ASSERT_NE(window, nullptr);

    const auto messages = Only(MessageLog::Instance().MessagesOf(window),
                               {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW});
    EXPECT_EQ(messages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    EXPECT_EQ(seen.lpCreateParams, &parameter);
    EXPECT_EQ(seen.x, 10);
    EXPECT_EQ(seen.y, 20);
    EXPECT_EQ(seen.cx, 300);
    EXPECT_EQ(seen.cy, 200);
    EXPECT_EQ(static_cast<DWORD>(seen.style), 0x96000000u);
    EXPECT_EQ(seen.dwExStyle, static_cast<DWORD>(WS_EX_TOPMOST));
    EXPECT_FALSE(visibleDuringCreate) << "a window is shown only after WM_CREATE";

    const auto sizes = MessageLog::Instance().OfKind(WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(LOWORD(sizes[0].lParam), 300);
    EXPECT_EQ(HIWORD(sizes[0].lParam), 200);
    const auto shows = MessageLog::Instance().OfKind(WM_SHOWWINDOW);
    ASSERT_EQ(shows.size(), 1u);
    EXPECT_EQ(shows[0].wParam, static_cast<WPARAM>(TRUE));

    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x96000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_TOPMOST));
    EXPECT_EQ(GetForegroundWindow(), window);
    EXPECT_TRUE(m_backend->NativeWindowShown(window));
    RECT rect{};
    EXPECT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.bottom, 220);
    EXPECT_TRUE(GetClientRect(window, &rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 300);
    EXPECT_EQ(GetParent(window), nullptr);
}

TEST_F(WindowTest, MinusOneFromCreateFailsTheCreationAndDestroysTheHalfMadeWindow)
{
    TestClass windowClass("VesperFailingClass");
    HWND seenWindow = nullptr;
    BOOL validDuringDestroy = FALSE;
    MessageLog::Instance().SetResponder([&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            seenWindow = window;
            return -1;
        }
        if (message == WM_DESTROY)
            validDuringDestroy = IsWindow(window);
        return std::nullopt;
    });
    EXPECT_EQ(CreateWindowExA(0, windowClass.Name(), "fails", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    ASSERT_NE(seenWindow, nullptr);
    EXPECT_EQ(MessageLog::Instance().MessagesOf(seenWindow),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}))
        << "no WM_SIZE or WM_SHOWWINDOW after a failed creation";
    EXPECT_TRUE(validDuringDestroy);
    EXPECT_FALSE(IsWindow(seenWindow));
    EXPECT_EQ(SendMessageA(seenWindow, WM_USER, 0, 0), 0);
    EXPECT_EQ(m_backend->NativeWindowCount(), 0u) << "the native window went with it";
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(WindowTest, FalseFromNcCreateFailsTheCreationWithoutWmDestroy)
{
    TestClass windowClass("VesperRefusingClass");
    HWND seenWindow = nullptr;
    MessageLog::Instance().SetResponder([&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_NCCREATE)
            return std::nullopt;
        seenWindow = window;
        return FALSE;
    });
    EXPECT_EQ(CreateWindowExA(0, windowClass.Name(), "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    ASSERT_NE(seenWindow, nullptr);
    EXPECT_EQ(MessageLog::Instance().MessagesOf(seenWindow), (std::vector<UINT>{WM_NCCREATE, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(seenWindow));
}

TEST_F(WindowTest, AChildNeedsAParent)
{
    TestClass windowClass("VesperOrphanClass");
    EXPECT_EQ(CreateWindowExA(0, windowClass.Name(), "", WS_CHILD, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
    const auto stale = reinterpret_cast<HWND>(std::uintptr_t{0x7FFF0000});
    EXPECT_EQ(CreateWindowExA(0, windowClass.Name(), "", WS_CHILD, 0, 0, 5, 5, stale, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

// ---- Destruction --------------------------------------------------------------

TEST_F(WindowTest, DestructionSendsWmDestroyDownTheTreeAndWmNcDestroyOnTheWayBack)
{
    TestClass windowClass("VesperTreeClass");
    HWND parent = MakePopup(windowClass, {0, 0, 100, 100});
    HWND first = MakeChild(windowClass, parent, {0, 0, 10, 10});
    HWND second = MakeChild(windowClass, parent, {10, 0, 20, 10});
    HWND grandchild = MakeChild(windowClass, second, {0, 0, 5, 5});
    ASSERT_TRUE(parent && first && second && grandchild);
    EXPECT_EQ(GetParent(grandchild), second);
    EXPECT_TRUE(IsChild(parent, grandchild));
    EXPECT_FALSE(IsChild(first, grandchild));
    MessageLog::Instance().Clear();

    EXPECT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<HWND, UINT>> sequence;
    for (const LoggedMessage& logged : MessageLog::Instance().All())
        if (logged.message == WM_DESTROY || logged.message == WM_NCDESTROY)
            sequence.emplace_back(logged.window, logged.message);
    const std::vector<std::pair<HWND, UINT>> expected{
        {parent, WM_DESTROY},     {first, WM_DESTROY},          {first, WM_NCDESTROY},
        {second, WM_DESTROY},     {grandchild, WM_DESTROY},     {grandchild, WM_NCDESTROY},
        {second, WM_NCDESTROY},   {parent, WM_NCDESTROY}};
    EXPECT_EQ(sequence, expected);
    for (HWND window : {parent, first, second, grandchild})
        EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, QuitPostedFromWmDestroyEndsTheMessageLoopWithItsCode)
{
    TestClass windowClass("VesperLoopClass");
    MessageLog::Instance().SetResponder([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY)
            PostQuitMessage(7);
        return std::nullopt;
    });
    HWND window = MakePopup(windowClass, {0, 0, 40, 40});
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    MSG msg{};
    int dispatched = 0;
    BOOL result = 0;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ASSERT_LT(++dispatched, 100);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(IsWindow(window)) << "WM_CLOSE reached DefWindowProcA, which destroyed the window";
}

TEST_F(WindowTest, OnlyTheOwningThreadDestroysAWindow)
{
    TestClass windowClass("VesperOwnedClass");
    HWND window = MakePopup(windowClass, {0, 0, 10, 10});
    BOOL destroyed = TRUE;
    DWORD error = 0;
    std::thread([&] {
        destroyed = DestroyWindow(window);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowTest, WindowsOfAThreadThatEndsGoAwayWithIt)
{
    TestClass windowClass("VesperThreadClass");
    HWND window = nullptr;
    std::thread([&] {
        window = CreateWindowExA(0, windowClass.Name(), "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    }).join();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(m_backend->NativeWindowCount(), 0u);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

// ---- Finding windows ----------------------------------------------------------

TEST_F(WindowTest, FindWindowMatchesClassAndTitleWithoutRegardToCaseAmongTopLevelWindows)
{
    TestClass saverClass("WindowsScreenSaverClass");
    TestClass otherClass("VesperOtherClass");
    HWND saver = MakePopup(saverClass, {0, 0, 10, 10}, WS_VISIBLE, 0, "Screen Saver");
    HWND other = MakePopup(otherClass, {0, 0, 10, 10}, 0, 0, "Screen Saver");
    MakeChild(saverClass, saver, {0, 0, 5, 5});  // titled "child"
    ASSERT_TRUE(saver && other);

    EXPECT_EQ(FindWindowA("windowsscreensaverclass", "SCREEN SAVER"), saver);
    EXPECT_EQ(FindWindowA("VesperOtherClass", nullptr), other);
    EXPECT_EQ(FindWindowA(MAKEINTATOM(otherClass.Atom()), "screen saver"), other);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Preview"), nullptr);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "child"), nullptr) << "child windows are not searched";
    EXPECT_EQ(FindWindowA("NoSuchClass", nullptr), nullptr);
    const HWND anyTitled = FindWindowA(nullptr, "Screen Saver");
    EXPECT_TRUE(anyTitled == saver || anyTitled == other);

    char title[64];
    EXPECT_EQ(GetWindowTextA(saver, title, sizeof title), 12);
    EXPECT_STREQ(title, "Screen Saver");
    EXPECT_EQ(GetWindowTextA(saver, title, 7), 6) << "cut to the buffer";
    EXPECT_STREQ(title, "Screen");
    EXPECT_EQ(GetWindowTextLengthA(saver), 12);

    DestroyWindow(saver);
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), nullptr);
}

TEST_F(WindowTest, TheTitleIsKeptByDefaultProcessingOfWmNcCreate)
{
    TestClass windowClass("VesperTitleClass");
    MessageLog::Instance().SetResponder([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_NCCREATE)
            return TRUE;  // handled without DefWindowProcA: no title
        if (message == WM_SETTEXT)
            return FALSE;  // refused, as the saver does
        return std::nullopt;
    });
    HWND window = MakePopup(windowClass, {0, 0, 10, 10}, 0, 0, "Never kept");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowTextLengthA(window), 0);
    EXPECT_FALSE(SetWindowTextA(window, "Changed"));
    EXPECT_EQ(FindWindowA(windowClass.Name(), "Never kept"), nullptr);
    EXPECT_EQ(FindWindowA(windowClass.Name(), ""), window);
}

// ---- Windows of another program -------------------------------------------------

TEST_F(WindowTest, AHostWindowNamedByItsNumberHoldsAChildOfExactlyItsClientSize)
{
    const HWND host = headless::MakeHostWindow({100, 50, 252, 162});
    // The shell gets the host as decimal digits on its command line.
    const auto number = std::strtoul(std::to_string(reinterpret_cast<std::uintptr_t>(host)).c_str(), nullptr, 10);
    const auto parsed = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(static_cast<DWORD>(number)));
    ASSERT_TRUE(IsWindow(parsed));
    RECT client{};
    ASSERT_TRUE(GetClientRect(parsed, &client));
    EXPECT_EQ(client.right, 152);
    EXPECT_EQ(client.bottom, 112);

    TestClass windowClass("VesperPreviewClass");
    HWND child = Track(CreateWindowExA(0, windowClass.Name(), "Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                       0, client.right, client.bottom, parsed, nullptr, nullptr, nullptr));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parsed);
    RECT onScreen{};
    GetWindowRect(child, &onScreen);
    EXPECT_EQ(onScreen.left, 100);
    EXPECT_EQ(onScreen.top, 50);
    EXPECT_EQ(onScreen.right, 252);
    EXPECT_EQ(onScreen.bottom, 162);
    EXPECT_NE(GetForegroundWindow(), child) << "a child is not activated by being shown";
    EXPECT_TRUE(m_backend->NativeWindowShown(child)) << "a child of a foreign window has a native window";

    EXPECT_TRUE(PostMessageA(parsed, WM_HELP, reinterpret_cast<WPARAM>(parsed), 12));
    const auto received = headless::HostMessages(parsed);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_HELP));
    EXPECT_EQ(received[0].lParam, 12);
    EXPECT_FALSE(DestroyWindow(parsed)) << "another program's window is not ours to destroy";
}

TEST_F(WindowTest, WhenTheHostGoesAwayItsChildrenAreDestroyed)
{
    const HWND host = headless::MakeHostWindow({0, 0, 80, 60});
    TestClass windowClass("VesperHostedClass");
    MessageLog::Instance().SetResponder([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return std::nullopt;
    });
    HWND child = MakeChild(windowClass, host, {0, 0, 80, 60});
    ASSERT_NE(child, nullptr);
    headless::DestroyHostWindow(host);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    EXPECT_EQ(Only(MessageLog::Instance().MessagesOf(child), {WM_DESTROY, WM_NCDESTROY}),
              (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(m_backend->NativeWindowCount(), 0u);
}

TEST_F(WindowTest, AChildDrawsOnlyInsideItsParentsClientArea)
{
    const HWND host = headless::MakeHostWindow({100, 100, 200, 180});
    TestClass windowClass("VesperClippedClass");
    // Sticks out of the host on the left and at the bottom.
    HWND child = MakeChild(windowClass, host, {-20, 30, 60, 120});
    ASSERT_NE(child, nullptr);
    HDC dc = GetDC(child);
    ASSERT_NE(dc, nullptr);
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 20) << "the part left of the host is cut off, in the child's own coordinates";
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 80);
    EXPECT_EQ(box.bottom, 50);

    const RECT everything{0, 0, 80, 90};
    EXPECT_EQ(FillRect(dc, &everything, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 1);
    ReleaseDC(child, dc);
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ(m_screen->ColourAt(100, 130), white) << "the child's client (20, 0) lies at the host's left edge";
    EXPECT_EQ(m_screen->ColourAt(159, 179), white);
    EXPECT_NE(m_screen->ColourAt(99, 130), white) << "left of the host";
    EXPECT_NE(m_screen->ColourAt(120, 180), white) << "below the host";
    EXPECT_NE(m_screen->ColourAt(160, 150), white) << "right of the child";
    EXPECT_NE(m_screen->ColourAt(120, 129), white) << "above the child";
}

// ---- Window data and system values --------------------------------------------------

TEST_F(WindowTest, ExtraWindowBytesAreBoundsChecked)
{
    TestClass windowClass("VesperExtraClass", 0, nullptr, nullptr, 8);
    HWND window = MakePopup(windowClass, {0, 0, 1, 1}, 0);
    EXPECT_EQ(SetWindowLongPtrA(window, 0, 0x1234), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, 0), 0x1234);
    EXPECT_EQ(SetWindowLongA(window, 4, 77), 0);
    EXPECT_EQ(GetWindowLongA(window, 4), 77);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(window, 4), 0) << "8 bytes at offset 4 pass the end";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(SetWindowLongA(window, 5, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(GetWindowLongA(window, 4), 77) << "a refused write changes nothing";
    EXPECT_EQ(GetWindowLongPtrA(window, -99), 0);
    EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, 5), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 5);
}

TEST_F(WindowTest, ScreenMetricsComeFromTheDisplayAndTheSaverFlagIsKept)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    vesper::platform::UseHeadlessDisplay({1920, 1080, 8});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    RECT desktop{};
    EXPECT_TRUE(GetClientRect(GetDesktopWindow(), &desktop));
    EXPECT_EQ(desktop.bottom, 1080);
    EXPECT_TRUE(IsWindow(GetDesktopWindow()));

    BOOL previous = TRUE;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, &previous, 0));
    EXPECT_FALSE(previous);
    BOOL running = FALSE;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
    EXPECT_TRUE(running);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, &previous, 0));
    EXPECT_TRUE(previous);
    EXPECT_TRUE(SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0)) << "the old value is optional";
    EXPECT_FALSE(SystemParametersInfoA(0x7777, 0, nullptr, 0));
}

}  // namespace
