#include "platform/drivers/sdl/sdl_x11.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace vesper::platform::sdl::x11 {

namespace {

// X's request number of SendEvent (X_SendEvent of <X11/Xproto.h>, whose
// types clash with the platform's).
constexpr unsigned char kSendEventRequest = 25;
// The exit code when the X server's connection breaks.
constexpr int kExitConnectionLost = 1;
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
    // Connections of our own whose errors are counted and otherwise ignored.
    std::set<::Display*> quiet;
    std::atomic<unsigned> quietErrors{0};
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
        if (state.quiet.contains(display)) {
            ++state.quietErrors;
            return 0;
        }
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

// Xlib calls this when the connection breaks and ends the program if it
// returns; ending at once keeps the other threads, which may wait on X, from
// hanging the exit (the default handler's exit runs the static destructors).
int OnConnectionLost(::Display*)
{
    static constexpr char kMessage[] = "vesper: the connection to the X server was lost\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    _exit(kExitConnectionLost);
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
    XSetIOErrorHandler(OnConnectionLost);
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

WindowNumber ScreenRootWindow()
{
    ::Display* display = XDisplay();
    return display ? DefaultRootWindow(display) : 0;
}

std::optional<SIZE> RootSize()
{
    ::Display* display = XDisplay();
    if (!display)
        return std::nullopt;
    const int screen = DefaultScreen(display);
    return SIZE{DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

namespace {

struct RandrSupport {
    bool present = false;
    int eventBase = 0;
    // RandR 1.5 or later: the server lists monitors.
    bool monitors = false;
};

const RandrSupport& Randr(::Display* display)
{
    static const RandrSupport support = [display] {
        RandrSupport found;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        if (XRRQueryExtension(display, &found.eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor)) {
            found.present = true;
            found.monitors = major > 1 || (major == 1 && minor >= 5);
        }
        return found;
    }();
    return support;
}

std::vector<MonitorArea> RandrMonitors(::Display* display)
{
    if (!Randr(display).monitors)
        return {};
    int count = 0;
    XRRMonitorInfo* listed = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    std::vector<MonitorArea> monitors;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& monitor = listed[i];
        monitors.push_back({RECT{monitor.x, monitor.y, monitor.x + monitor.width, monitor.y + monitor.height},
                            monitor.primary != 0});
    }
    if (listed)
        XRRFreeMonitors(listed);
    return monitors;
}

// Xinerama knows no primary head: the first one is taken for it.
std::vector<MonitorArea> XineramaHeads(::Display* display)
{
    int eventBase = 0;
    int errorBase = 0;
    if (!XineramaQueryExtension(display, &eventBase, &errorBase) || !XineramaIsActive(display))
        return {};
    int count = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(display, &count);
    std::vector<MonitorArea> monitors;
    for (int i = 0; i < count; ++i) {
        const XineramaScreenInfo& head = heads[i];
        monitors.push_back({RECT{head.x_org, head.y_org, head.x_org + head.width, head.y_org + head.height}, i == 0});
    }
    if (heads)
        XFree(heads);
    return monitors;
}

bool Meets(const RECT& area, const std::vector<MonitorArea>& monitors)
{
    return std::ranges::any_of(monitors, [&area](const MonitorArea& monitor) {
        const RECT& other = monitor.area;
        return std::max(area.left, other.left) < std::min(area.right, other.right) &&
               std::max(area.top, other.top) < std::min(area.bottom, other.bottom);
    });
}

}  // namespace

std::vector<MonitorArea> Monitors()
{
    ::Display* display = XDisplay();
    if (!display)
        return {};
    std::vector<MonitorArea> randr = RandrMonitors(display);
    std::vector<MonitorArea> heads = XineramaHeads(display);
    // Where RandR speaks for the whole screen (as on a server whose Xinerama
    // answers from RandR), its monitors count: they may join outputs.
    const bool randrDescribesAll =
        !randr.empty() && std::ranges::all_of(heads, [&randr](const MonitorArea& head) { return Meets(head.area, randr); });
    return randrDescribesAll ? randr : heads.empty() ? randr : heads;
}

void WatchMonitors()
{
    ::Display* display = XDisplay();
    if (!display)
        return;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, root, &attributes))
        XSelectInput(display, root, attributes.your_event_mask | StructureNotifyMask);
    // SDL asks for output changes on the root window itself: they stay asked for.
    if (Randr(display).present)
        XRRSelectInput(display, root, RRScreenChangeNotifyMask | RROutputChangeNotifyMask | RRCrtcChangeNotifyMask);
    XFlush(display);
}

bool MonitorsMayHaveChanged(const SDL_Event& event)
{
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    ::Display* display = XDisplay();
    if (!display)
        return false;
    const XEvent& xevent = event.syswm.msg->msg.x11.event;
    if (xevent.type == ConfigureNotify)
        return xevent.xconfigure.window == DefaultRootWindow(display);
    const RandrSupport& randr = Randr(display);
    return randr.present && xevent.type >= randr.eventBase && xevent.type < randr.eventBase + RRNumberEvents;
}

std::string Resource(std::string_view name)
{
    ::Display* display = XDisplay();
    const char* resources = display ? XResourceManagerString(display) : nullptr;
    if (!resources)
        return {};
    // One resource a line: "name:<blanks>value".
    std::string_view rest(resources);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        line.remove_prefix(name.size() + 1);
        const std::size_t first = line.find_first_not_of(" \t");
        return first == std::string_view::npos ? std::string() : std::string(line.substr(first));
    }
    return {};
}

bool WindowManagerRuns()
{
    ::Display* display = XDisplay();
    XWindowAttributes root{};
    // all_event_masks joins what every client selected on the root.
    return display && XGetWindowAttributes(display, DefaultRootWindow(display), &root) &&
           (root.all_event_masks & SubstructureRedirectMask) != 0;
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
    attributes.override_redirect = parent == DefaultRootWindow(display) ? True : False;
    const Window child = XCreateWindow(display, parent, x, y, static_cast<unsigned>(std::max(width, 1)),
                                       static_cast<unsigned>(std::max(height, 1)), 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWBackPixmap | CWEventMask | CWOverrideRedirect, &attributes);
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

bool TakeUnheldKeyboardFocus(WindowNumber window)
{
    ::Display* display = XDisplay();
    if (!display || !Plausible(window))
        return false;
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    if (focus != None && focus != PointerRoot && focus != DefaultRootWindow(display))
        return false;
    // Only a viewable window can take the focus; asking for an unmapped one
    // is an error that would end the program.
    ErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    return !trap.Failed();
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

std::string ServerName()
{
    ::Display* display = XDisplay();
    return display ? DisplayString(display) : "";
}

void IgnoreErrorsOn(::Display* display, bool ignore)
{
    std::lock_guard lock(Errors().mutex);
    if (ignore)
        Errors().quiet.insert(display);
    else
        Errors().quiet.erase(display);
}

unsigned IgnoredErrors()
{
    return Errors().quietErrors.load();
}

int EventFile()
{
    ::Display* display = XDisplay();
    return display ? ConnectionNumber(display) : -1;
}

namespace {

bool Titled(::Display* display, Window window, const std::string& title)
{
    // SDL stores the name as UTF-8 text, which XFetchName does not return:
    // the property's bytes are compared as they stand.
    XTextProperty name{};
    if (!XGetWMName(display, window, &name) || !name.value)
        return false;
    const bool matches = name.format == 8 && title == std::string(reinterpret_cast<const char*>(name.value), name.nitems);
    XFree(name.value);
    return matches;
}

// The window with this title at or below `top` (a window manager puts the
// box into a frame of its own); 0 when there is none.
Window FindTitled(::Display* display, Window top, const std::string& title, int depth = 2)
{
    if (Titled(display, top, title))
        return top;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (depth == 0 || !XQueryTree(display, top, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i)
        found = FindTitled(display, children[i], title, depth - 1);
    if (children)
        XFree(children);
    return found;
}

}  // namespace

// How often the keyboard helper looks for the box until it has the focus.
constexpr int kFocusRetryMilliseconds = 50;

MessageBoxKeyboard::MessageBoxKeyboard(std::string title)
{
    // The error handler that keeps quiet about this connection's errors.
    if (!Available())
        return;
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        return;
    IgnoreErrorsOn(m_display, true);
    m_stopFile = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFile >= 0)
        m_thread = std::thread([this, title = std::move(title)] { Run(title); });
}

MessageBoxKeyboard::~MessageBoxKeyboard()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        while (write(m_stopFile, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    if (m_stopFile >= 0)
        close(m_stopFile);
    if (m_display) {
        XCloseDisplay(m_display);
        IgnoreErrorsOn(m_display, false);
    }
}

void MessageBoxKeyboard::Run(const std::string& title)
{
    ::Display* display = m_display;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    Window box = 0;
    bool focused = false;
    // The box may be found (by its title) before it is mapped, when it cannot
    // take the focus yet: the focus is given once it is viewable.
    const auto lookFor = [&](Window top) {
        if (!box) {
            box = FindTitled(display, top, title);
            if (box)
                XSelectInput(display, box, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        }
        XWindowAttributes attributes{};
        if (box && !focused && XGetWindowAttributes(display, box, &attributes) &&
            attributes.map_state == IsViewable) {
            XSetInputFocus(display, box, RevertToPointerRoot, CurrentTime);
            focused = true;
        }
    };
    // The box may be up already.
    lookFor(root);
    XFlush(display);
    const KeyCode returnKey = XKeysymToKeycode(display, XK_Return);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) {
                lookFor(event.xmap.window);
            } else if ((event.type == KeyPress || event.type == KeyRelease) && event.xkey.window == box &&
                       XLookupKeysym(&event.xkey, 0) == XK_space) {
                // The box knows Return only: Space is sent on as Return.
                event.xkey.keycode = returnKey;
                XSendEvent(display, box, False, event.type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
            }
        }
        // Until the box has the focus, look again now and then: its title or
        // its mapping may come without an event that names it.
        if (!focused)
            lookFor(root);
        XFlush(display);
        pollfd files[2] = {{m_stopFile, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
        if (poll(files, 2, focused ? -1 : kFocusRetryMilliseconds) < 0 && errno != EINTR)
            break;
        if (files[0].revents & POLLIN)
            break;
    }
}

}  // namespace vesper::platform::sdl::x11
