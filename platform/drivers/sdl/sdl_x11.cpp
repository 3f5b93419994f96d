#include "platform/drivers/sdl/sdl_x11.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string_view>

namespace vesper::platform::sdl::x11 {

namespace {

// X's request number of SendEvent (X_SendEvent of <X11/Xproto.h>, whose
// types clash with the platform's).
constexpr unsigned char kSendEventRequest = 25;
// X window numbers have 29 bits.
constexpr WindowNumber kLargestWindowNumber = 0x1FFFFFFF;

struct Connection {
    ::Display* display = nullptr;
    // A hidden window of SDL's, made only to learn SDL's connection.
    SDL_Window* helper = nullptr;
};

// Shared with the error handler, which X may call on any thread that uses X.
struct ErrorState {
    std::mutex mutex;
    ::Display* display = nullptr;
    std::set<WindowNumber> tolerated;
    XErrorHandler previous = nullptr;
    std::atomic<bool> trapping{false};
    std::atomic<bool> trapped{false};
};

ErrorState& Errors()
{
    static auto* state = new ErrorState;
    return *state;
}

// SDL wakes its waiting thread with an event sent, on a connection of its
// own, to one of its windows; when that window is destroyed meanwhile the
// event is lost, which is harmless (the thread is awake anyway).
bool LostEvent(const XErrorEvent& error)
{
    return error.request_code == kSendEventRequest && error.error_code == BadWindow;
}

int OnError(::Display* display, XErrorEvent* error)
{
    ErrorState& state = Errors();
    if (LostEvent(*error))
        return 0;
    XErrorHandler previous = nullptr;
    {
        std::lock_guard lock(state.mutex);
        if (display == state.display) {
            if (state.trapping) {
                state.trapped = true;
                return 0;
            }
            if (state.tolerated.contains(error->resourceid))
                return 0;
        }
        previous = state.previous;
    }
    return previous ? previous(display, error) : 0;
}

void Tolerate(WindowNumber window)
{
    std::lock_guard lock(Errors().mutex);
    Errors().tolerated.insert(window);
}

// Catches the X errors of the requests made while it lives, on the video
// thread's connection, instead of letting them end the program.
class ErrorTrap {
public:
    explicit ErrorTrap(::Display* display) : m_display(display)
    {
        XSync(m_display, False);  // earlier requests' errors are not ours
        Errors().trapped = false;
        Errors().trapping = true;
    }
    ~ErrorTrap() { Errors().trapping = false; }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    bool Failed()
    {
        XSync(m_display, False);
        return Errors().trapped;
    }

private:
    ::Display* m_display;
};

Connection Attach()
{
    Connection connection;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::string_view(driver) != "x11")
        return connection;
    connection.helper = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!connection.helper || !SDL_GetWindowWMInfo(connection.helper, &info) || info.subsystem != SDL_SYSWM_X11) {
        if (connection.helper)
            SDL_DestroyWindow(connection.helper);
        return Connection{};
    }
    connection.display = info.info.x11.display;
    {
        std::lock_guard lock(Errors().mutex);
        Errors().display = connection.display;
        Errors().previous = XSetErrorHandler(OnError);
    }
    // DestroyNotify of other programs' windows reaches us only this way.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    return connection;
}

::Display* XDisplay()
{
    static const Connection connection = Attach();
    return connection.display;
}

bool Plausible(WindowNumber window)
{
    return window != 0 && window <= kLargestWindowNumber;
}

}  // namespace

bool Available()
{
    return XDisplay() != nullptr;
}

std::optional<RECT> ClientAreaOf(WindowNumber window)
{
    ::Display* display = XDisplay();
    if (!display || !Plausible(window))
        return std::nullopt;
    ErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || trap.Failed())
        return std::nullopt;
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child) || trap.Failed())
        return std::nullopt;
    return RECT{x, y, x + attributes.width, y + attributes.height};
}

WindowNumber CreateChildWindow(WindowNumber parent, int x, int y, int width, int height)
{
    ::Display* display = XDisplay();
    if (!display || !Plausible(parent))
        return 0;
    ErrorTrap trap(display);
    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(display, parent, &parentAttributes) || trap.Failed())
        return 0;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // no flash of background before the first picture
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    const Window child = XCreateWindow(display, parent, x, y, static_cast<unsigned>(std::max(width, 1)),
                                       static_cast<unsigned>(std::max(height, 1)), 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    // Our own interest in the parent, added to what we selected before.
    XSelectInput(display, parent, parentAttributes.your_event_mask | StructureNotifyMask);
    if (trap.Failed()) {
        if (child)
            XDestroyWindow(display, child);
        return 0;
    }
    Tolerate(parent);
    Tolerate(child);
    return child;
}

void ShowChildWindow(WindowNumber child, bool visible)
{
    if (::Display* display = XDisplay()) {
        if (visible)
            XMapWindow(display, child);
        else
            XUnmapWindow(display, child);
        XFlush(display);
    }
}

void DestroyChildWindow(WindowNumber child)
{
    if (::Display* display = XDisplay()) {
        XDestroyWindow(display, child);
        XFlush(display);
    }
}

std::optional<WindowNumber> DestroyedWindow(const SDL_Event& event)
{
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return std::nullopt;
    const XEvent& xevent = event.syswm.msg->msg.x11.event;
    if (xevent.type != DestroyNotify)
        return std::nullopt;
    return xevent.xdestroywindow.window;
}

void Synchronise()
{
    if (::Display* display = XDisplay())
        XSync(display, False);
}

std::optional<POINT> PointerPosition()
{
    ::Display* display = XDisplay();
    if (!display)
        return std::nullopt;
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned buttons = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY, &buttons))
        return std::nullopt;
    return POINT{x, y};
}

int EventFile()
{
    ::Display* display = XDisplay();
    return display ? ConnectionNumber(display) : -1;
}

}  // namespace vesper::platform::sdl::x11
