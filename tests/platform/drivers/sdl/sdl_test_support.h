// Shared pieces of the SDL backend tests that need an X server: the SDL
// screen and backend made current, a connection of the test's own to the X
// server (to make host windows, read the screen and send window-manager
// requests), xdotool for real input, and pumping messages until something
// happens. Without an X server the tests skip; scripts/test.sh runs them under
// xvfb-run.
#pragma once

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/drivers/backends.h"
#include "platform/drivers/sdl/sdl_message_box.h"
#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_windows.h"
#include "tests/platform/user/user_test_support.h"

namespace vesper::test {

// Xlib's names, kept apart from the platform's Display and Window.
using XDisplay = ::Display;
using XWindow = ::Window;

// A picture read from the screen: `width` x `height` colours, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    // kNoColour outside the picture.
    COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return platform::Display::kNoColour;
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
};

// The test's own X connection. The windows it asks about belong to other
// programs, which may destroy them at any moment: X's complaints about a
// window or drawable that is gone are ignored on this connection instead of
// ending the test program. Errors of other connections go to the handler that
// was in place before.
class XConnection {
public:
    XConnection() : m_display(XOpenDisplay(nullptr))
    {
        if (m_display)
            Tolerant().Add(m_display);
    }
    ~XConnection()
    {
        if (m_display) {
            XCloseDisplay(m_display);
            Tolerant().Remove(m_display);
        }
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    XDisplay* Get() const { return m_display; }
    XWindow Root() const { return DefaultRootWindow(m_display); }

    // The colour the screen shows at a point of the root window.
    COLORREF ColourAt(int x, int y) const
    {
        XImage* image = XGetImage(m_display, Root(), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return platform::Display::kNoColour;
        const COLORREF colour = ColourOf(*image, XGetPixel(image, 0, 0));
        XDestroyImage(image);
        return colour;
    }

    // What the screen shows in an area of the root window, row by row; empty
    // when the area is empty or reaches past the screen (which X would answer
    // with an error that ends the program).
    Screenshot Capture(const RECT& area) const
    {
        Screenshot shot;
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        XWindowAttributes root{};
        if (width <= 0 || height <= 0 || !XGetWindowAttributes(m_display, Root(), &root) || area.left < 0 ||
            area.top < 0 || area.right > root.width || area.bottom > root.height)
            return shot;
        XImage* image = XGetImage(m_display, Root(), area.left, area.top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image)
            return shot;
        shot.width = width;
        shot.height = height;
        shot.pixels.reserve(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                shot.pixels.push_back(ColourOf(*image, XGetPixel(image, x, y)));
        XDestroyImage(image);
        return shot;
    }

    // Where a window lies on the screen, its border left out; none when X
    // does not know it.
    std::optional<RECT> AreaOf(XWindow window) const
    {
        XWindowAttributes attributes{};
        XWindow child = 0;
        int x = 0;
        int y = 0;
        if (!XGetWindowAttributes(m_display, window, &attributes) ||
            !XTranslateCoordinates(m_display, window, Root(), 0, 0, &x, &y, &child))
            return std::nullopt;
        return RECT{x, y, x + attributes.width, y + attributes.height};
    }

    // What a window manager sends when the user closes a window: a
    // WM_DELETE_WINDOW request of the WM_PROTOCOLS kind.
    void SendCloseRequest(XWindow window) const
    {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, window, False, NoEventMask, &close);
        XSync(m_display, False);
    }

    // A plain window of this connection, mapped, standing for another
    // program's window (the host of a preview).
    XWindow MakeHostWindow(int x, int y, int width, int height)
    {
        const XWindow window = XCreateSimpleWindow(m_display, Root(), x, y, static_cast<unsigned>(width),
                                                   static_cast<unsigned>(height), 0, 0, 0);
        XMapWindow(m_display, window);
        XSync(m_display, False);
        return window;
    }

    // Whether keys typed now reach `window` or a window inside it: it holds
    // the keyboard focus, or the focus follows the pointer and the pointer is
    // over it. A window found by its name may not be mapped or focused yet.
    bool ReceivesKeys(XWindow window) const
    {
        XWindow focus = 0;
        int revert = 0;
        XGetInputFocus(m_display, &focus, &revert);
        if (focus == PointerRoot) {
            XWindow root = 0;
            int rootX = 0, rootY = 0, x = 0, y = 0;
            unsigned buttons = 0;
            XQueryPointer(m_display, Root(), &root, &focus, &rootX, &rootY, &x, &y, &buttons);
        }
        while (focus && focus != window && focus != Root()) {
            XWindow root = 0;
            XWindow parent = 0;
            XWindow* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(m_display, focus, &root, &parent, &children, &count))
                return false;
            if (children)
                XFree(children);
            focus = parent;
        }
        return focus == window;
    }

    // Whether some client (a window manager) redirects the root window's map
    // and configure requests.
    bool RootIsRedirected() const
    {
        XWindowAttributes root{};
        return XGetWindowAttributes(m_display, Root(), &root) && (root.all_event_masks & SubstructureRedirectMask);
    }

    // The top-level window (a child of the root) with the given name; with
    // `inFrames`, also a window that a window manager put into a frame of its
    // own (a child of a child of the root).
    std::optional<XWindow> FindByName(const std::string& name, bool inFrames = false) const
    {
        return FindAmongChildren(Root(), name, inFrames ? 2 : 1);
    }

private:
    class TolerantConnections {
    public:
        TolerantConnections() : m_previous(XSetErrorHandler(OnError)) {}
        void Add(XDisplay* display)
        {
            std::lock_guard lock(m_mutex);
            m_displays.insert(display);
        }
        void Remove(XDisplay* display)
        {
            std::lock_guard lock(m_mutex);
            m_displays.erase(display);
        }

    private:
        static int OnError(XDisplay* display, XErrorEvent* error)
        {
            TolerantConnections& self = Tolerant();
            XErrorHandler previous = nullptr;
            {
                std::lock_guard lock(self.m_mutex);
                const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable;
                if (gone && self.m_displays.contains(display))
                    return 0;
                previous = self.m_previous;
            }
            return previous ? previous(display, error) : 0;
        }

        std::mutex m_mutex;
        std::set<XDisplay*> m_displays;
        XErrorHandler m_previous;
    };

    static TolerantConnections& Tolerant()
    {
        static TolerantConnections connections;
        return connections;
    }

    std::optional<XWindow> FindAmongChildren(XWindow window, const std::string& name, int depth) const
    {
        XWindow root = 0;
        XWindow parent = 0;
        XWindow* children = nullptr;
        unsigned count = 0;
        if (depth == 0 || !XQueryTree(m_display, window, &root, &parent, &children, &count))
            return std::nullopt;
        std::optional<XWindow> found;
        for (unsigned i = 0; i < count && !found; ++i) {
            // Read whatever the encoding: SDL's windows name themselves in UTF-8.
            XTextProperty title{};
            if (XGetWMName(m_display, children[i], &title) && title.value) {
                if (std::string(reinterpret_cast<const char*>(title.value), title.nitems) == name)
                    found = children[i];
                XFree(title.value);
            }
            if (!found)
                found = FindAmongChildren(children[i], name, depth - 1);
        }
        if (children)
            XFree(children);
        return found;
    }

    static COLORREF ColourOf(const XImage& image, unsigned long pixel)
    {
        return RGB(Channel(pixel, image.red_mask), Channel(pixel, image.green_mask), Channel(pixel, image.blue_mask));
    }

    static BYTE Channel(unsigned long pixel, unsigned long mask)
    {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        const unsigned long value = (pixel & mask) >> shift;
        const unsigned long largest = mask >> shift;
        return static_cast<BYTE>(value * 255 / largest);
    }

    XDisplay* m_display;
};

// Runs a command (xdotool) and tells whether it succeeded.
inline bool RunCommand(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Skips the calling test when xdotool, which sends the real input, is missing.
inline void SkipWithoutXdotool()
{
    if (!RunCommand("xdotool version"))
        GTEST_SKIP() << "xdotool is missing (scripts/setup.sh installs it)";
}

// Dispatches the calling thread's messages until the condition holds;
// false after `seconds`.
inline bool PumpUntil(const std::function<bool()>& condition, double seconds = 5)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Each test runs on the SDL screen and a fresh SDL backend, with its own X
// connection; without an X server it is skipped.
class SdlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "no X server (DISPLAY is not set); scripts/test.sh runs these tests under xvfb-run";
        if (!m_x.Get())
            GTEST_SKIP() << "cannot connect to the X server " << display;
        if (!platform::UseBackend("sdl"))
            GTEST_SKIP() << "SDL cannot start: " << platform::sdl::VideoThread::StartFailure();
        if (platform::sdl::VideoThread::Get()->DriverName() != "x11")
            GTEST_SKIP() << "SDL runs on " << platform::sdl::VideoThread::Get()->DriverName() << ", not X";
        m_backend = dynamic_cast<platform::sdl::SdlWindowBackend*>(platform::CurrentWindowBackend().get());
        ASSERT_NE(m_backend, nullptr);
        MessageLog::Instance().Clear();
        MessageLog::Instance().SetResponder(nullptr);
    }

    void TearDown() override
    {
        MessageLog::Instance().SetResponder(nullptr);
        for (auto window = m_windows.rbegin(); window != m_windows.rend(); ++window)
            if (IsWindow(*window))
                DestroyWindow(*window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        // The next test starts from the default backend and screen again.
        platform::UseWindowBackend(nullptr);
        platform::UseDisplay(nullptr);
    }

    HWND Track(HWND window)
    {
        if (window)
            m_windows.push_back(window);
        return window;
    }

    // Draws whatever is pending and waits until the X server shows it.
    void Flush() { m_backend->Flush(); }

    XConnection m_x;
    platform::sdl::SdlWindowBackend* m_backend = nullptr;
    std::vector<HWND> m_windows;
};

}  // namespace vesper::test
