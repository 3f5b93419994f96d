#include "platform/drivers/sdl/sdl_windows.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/drivers/sdl/sdl_keys.h"
#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_x11.h"
#include "platform/drivers/sdl/sdl_x11_watch.h"
#include "platform/kernel/translation.h"
#include "platform/api/win32_user.h"
#include "platform/drivers/window_layer_calls.h"
#include "platform/kernel/windows_1252.h"

namespace vesper::platform::sdl {

namespace {

constexpr WORD kFirstSystemCursor = 32512;  // IDC_ARROW
// SDL's cursor for each system cursor from IDC_ARROW on: arrow, I-beam, wait, cross.
constexpr std::array<SDL_SystemCursor, 4> kSdlCursors = {SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_IBEAM,
                                                         SDL_SYSTEM_CURSOR_WAIT, SDL_SYSTEM_CURSOR_CROSSHAIR};

struct NativeWindow {
    HWND window = nullptr;
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    // The client area on the screen: where its pixels are in the screen picture.
    RECT area{0, 0, 0, 0};
    bool visible = false;
    // When it was last shown, in the order of showing: the keyboard goes
    // back to the latest shown when the window that had it goes.
    std::uint64_t shownOrder = 0;
    // Our X child window inside another program's window, and that window.
    x11::WindowNumber child = 0;
    NativeWindowId foreignParent = 0;
    // X destroyed it (its parent went away); nothing may be drawn in it.
    bool gone = false;
    // The X window SDL draws it in.
    x11::WindowNumber xWindow = 0;
    // Presented straight from the screen picture (DirectPresenter), not
    // through its SDL surface.
    bool direct = false;
};

bool DisplayHasPalette()
{
    const auto lock = window_layer::LockScreen();
    return CurrentDisplay().HasPalette();
}

// The backend whose windows SDL's events are for (the newest one made); only
// the video thread touches it.
std::weak_ptr<SdlWindowBackend::State>& ActiveState()
{
    static auto* active = new std::weak_ptr<SdlWindowBackend::State>;
    return *active;
}

// Whether some shown window is presented through its SDL surface, which only
// the video thread can do; set by the video thread.
std::atomic<bool> surfaceWindowsShown{false};

// The X window SDL draws a window in; 0 when SDL does not run on X.
x11::WindowNumber XWindowOf(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

bool SameArea(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The monitors as X tells of them; elsewhere SDL's displays, the first one
// taken for the primary.
std::vector<MonitorArea> CurrentMonitors()
{
    if (x11::Available())
        return x11::Monitors();
    std::vector<MonitorArea> monitors;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(i, &bounds) == 0)
            monitors.push_back({RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h}, i == 0});
    }
    return monitors;
}

// The display server SDL is connected to, as the environment names it.
std::string DisplayServerName(const std::string& driver)
{
    const char* name = std::getenv(driver == "wayland" ? "WAYLAND_DISPLAY" : "DISPLAY");
    return name && *name ? name : "(default)";
}

// A window that cannot be made ends the run; the person who started it must
// learn why, as no window will show it.
void ReportRefusedWindow(const NativeWindowRequest& request, bool made)
{
    const std::string error = SDL_GetError();
    const std::string why = std::string(made ? Tr("SDL gives the window no surface to draw in") : Tr("SDL could not make it")) +
                            (error.empty() ? std::string() : ": " + error);
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string driverName = driver ? driver : "none";
    const std::string size = std::to_string(request.screenArea.right - request.screenArea.left) + "x" +
                             std::to_string(request.screenArea.bottom - request.screenArea.top);
    std::fputs(Fill(Tr("vesper: the display \"%s\" (SDL's \"%s\" driver) could not make the window \"%s\" of %s (%s)\n"),
                    {DisplayServerName(driverName), driverName, request.title, size, why})
                   .c_str(),
               stderr);
}

bool SameMonitors(const std::vector<MonitorArea>& a, const std::vector<MonitorArea>& b)
{
    return std::ranges::equal(a, b, [](const MonitorArea& x, const MonitorArea& y) {
        return SameArea(x.area, y.area) && x.primary == y.primary;
    });
}

}  // namespace

// Everything but the input queue belongs to the video thread.
struct SdlWindowBackend::State {
    std::shared_ptr<Screen> screen;
    std::map<NativeWindowId, NativeWindow> windows;
    std::uint64_t showings = 0;
    NativeWindowId nextWindow = 1;
    std::array<SDL_Cursor*, kSdlCursors.size()> cursors{};
    bool inputArrived = false;
    // As last measured; a full-screen window covers one of them.
    std::vector<MonitorArea> monitors;

    std::mutex inputMutex;
    std::deque<InputEvent> input;

    NativeWindow* Find(NativeWindowId id)
    {
        const auto found = windows.find(id);
        return found == windows.end() ? nullptr : &found->second;
    }

    NativeWindow* FindBySdlId(Uint32 sdlId)
    {
        for (auto& [id, window] : windows)
            if (window.sdlId == sdlId)
                return &window;
        return nullptr;
    }

    void Queue(const InputEvent& event)
    {
        std::lock_guard lock(inputMutex);
        input.push_back(event);
        inputArrived = true;
    }

    void Present() { PresentAreas(screen->TakeChangedAreas()); }

    void PresentAreas(const std::vector<RECT>& areas)
    {
        if (x11::DirectPresenter* presenter = screen->Presenter())
            presenter->Present(areas);
        PresentToSurfaces(areas);
    }

    // After a window was made, shown, hidden, destroyed or lost: which shown
    // windows each way of presenting serves.
    void WindowsChanged()
    {
        // The presenter serves the active backend's windows only.
        if (ActiveState().lock().get() != this)
            return;
        std::vector<x11::DirectPresenter::Target> targets;
        bool surfaces = false;
        for (const auto& [id, window] : windows) {
            if (!window.visible || window.gone)
                continue;
            if (window.direct)
                targets.push_back({window.xWindow, window.area});
            else
                surfaces = true;
        }
        if (x11::DirectPresenter* presenter = screen->Presenter())
            presenter->SetTargets(std::move(targets));
        surfaceWindowsShown = surfaces;
    }

    // Copies the areas (screen coordinates) into the surfaces of the shown
    // windows they touch that are not presented directly, then presents the
    // rectangles written.
    void PresentToSurfaces(const std::vector<RECT>& areas)
    {
        if (areas.empty())
            return;
        struct Update {
            SDL_Window* window;
            SDL_Surface* surface;
            RECT area;
            std::vector<SDL_Rect> rects;
        };
        std::vector<Update> updates;
        for (auto& [id, window] : windows)
            if (window.visible && !window.gone && !window.direct)
                if (SDL_Surface* surface = SDL_GetWindowSurface(window.sdl))
                    updates.push_back(Update{window.sdl, surface, window.area, {}});
        {
            const auto gdi = window_layer::LockScreen();
            const Surface pixels = screen->Pixels();
            for (Update& update : updates)
                for (const RECT& area : areas) {
                    RECT part;
                    if (!IntersectRect(&part, &area, &update.area))
                        continue;
                    const POINT origin{part.left - update.area.left, part.top - update.area.top};
                    const SDL_Rect written = CopyToSurface(pixels, part, *update.surface, origin);
                    if (written.w > 0 && written.h > 0)
                        update.rects.push_back(written);
                }
        }
        for (const Update& update : updates)
            if (!update.rects.empty())
                SDL_UpdateWindowSurfaceRects(update.window, update.rects.data(), static_cast<int>(update.rects.size()));
    }

    void DestroyWindow(NativeWindow& window)
    {
        SDL_DestroyWindow(window.sdl);
        if (window.child && !window.gone)
            x11::DestroyChildWindow(window.child);
    }

    // The window's contents went missing on the screen (uncovered, resized):
    // shown again from the screen picture at once, and repainted by its owner.
    void Refresh(NativeWindow& window)
    {
        PresentAreas({window.area});
        window_layer::RepaintWindow(window.window);
    }

    void OnWindowEvent(const SDL_WindowEvent& event)
    {
        NativeWindow* window = FindBySdlId(event.windowID);
        if (!window)
            return;
        switch (event.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (window->visible && !window->gone)
                Refresh(*window);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            window_layer::RequestClose(window->window);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            // On a palette display activation sends WM_QUERYNEWPALETTE and
            // waits for the window's thread, which may be waiting for us.
            if (!DisplayHasPalette())
                window_layer::FocusGained(window->window);
            break;
        default:
            break;
        }
    }

    void QueuePointer(const NativeWindow& window, int x, int y)
    {
        InputEvent event;
        event.kind = InputEvent::Kind::MouseMove;
        event.position = POINT{window.area.left + x, window.area.top + y};
        Queue(event);
    }

    void OnButton(const SDL_MouseButtonEvent& button)
    {
        const NativeWindow* window = FindBySdlId(button.windowID);
        if (!window)
            return;
        InputEvent event;
        switch (button.button) {
        case SDL_BUTTON_LEFT: event.button = MouseButton::Left; break;
        case SDL_BUTTON_RIGHT: event.button = MouseButton::Right; break;
        case SDL_BUTTON_MIDDLE: event.button = MouseButton::Middle; break;
        default: return;
        }
        // The press happens where the button event says, even if no motion
        // event told of that position.
        QueuePointer(*window, button.x, button.y);
        event.kind = button.state == SDL_PRESSED ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
        Queue(event);
    }

    void OnKey(const SDL_KeyboardEvent& key)
    {
        const VirtualKey virtualKey = VirtualKeyOf(key.keysym);
        InputEvent event;
        event.kind = key.state == SDL_PRESSED ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        event.virtualKey = virtualKey.code;
        event.extendedKey = virtualKey.extended;
        Queue(event);
    }

    // Our child windows inside a window that X destroyed are gone with it;
    // the layer destroys them once told that their parent went away.
    void OnDestroyed(x11::WindowNumber destroyed)
    {
        bool parentGone = false;
        for (auto& [id, window] : windows) {
            if (window.child == destroyed)
                window.gone = true;
            if (window.foreignParent == destroyed) {
                window.gone = true;
                parentGone = true;
            }
        }
        WindowsChanged();
        if (parentGone) {
            InputEvent event;
            event.kind = InputEvent::Kind::ForeignWindowGone;
            event.foreignWindow = destroyed;
            Queue(event);
        }
    }

    // The layer hears of the monitors only when they did change.
    void MeasureMonitors()
    {
        std::vector<MonitorArea> measured = CurrentMonitors();
        if (SameMonitors(measured, monitors))
            return;
        monitors = std::move(measured);
        InputEvent changed;
        changed.kind = InputEvent::Kind::MonitorsChanged;
        Queue(changed);
    }

    // Whether the area is exactly one monitor, so that the window may take
    // the full-screen state there.
    bool IsOneMonitor(const RECT& area) const
    {
        return std::ranges::any_of(monitors, [&area](const MonitorArea& monitor) { return SameArea(monitor.area, area); });
    }

    void OnEvent(const SDL_Event& event)
    {
        switch (event.type) {
        case SDL_WINDOWEVENT:
            OnWindowEvent(event.window);
            break;
        case SDL_MOUSEMOTION:
            if (const NativeWindow* window = FindBySdlId(event.motion.windowID))
                QueuePointer(*window, event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            OnButton(event.button);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            OnKey(event.key);
            break;
        case SDL_SYSWMEVENT:
            if (const auto destroyed = x11::DestroyedWindow(event))
                OnDestroyed(*destroyed);
            if (x11::MonitorsMayHaveChanged(event))
                MeasureMonitors();
            break;
        case SDL_DISPLAYEVENT:
            MeasureMonitors();
            break;
        default:
            break;
        }
    }

    // After a batch of events: the threads waiting for messages look at the input.
    void AfterEvents()
    {
        bool arrived = false;
        {
            std::lock_guard lock(inputMutex);
            arrived = std::exchange(inputArrived, false);
        }
        if (arrived)
            NotifyInputAvailable();
    }
};

namespace {

// Presents what changed on the screen: straight from this thread where the
// screen has a presenter, and through the video thread for the windows that
// need SDL's surfaces.
void PresentChangedAreas(VideoThread& video, Screen& screen)
{
    x11::DirectPresenter* presenter = screen.Presenter();
    if (!presenter) {
        video.Post([] {
            if (const auto state = ActiveState().lock())
                state->Present();
        });
        return;
    }
    std::vector<RECT> areas = screen.TakeChangedAreas();
    presenter->Present(areas);
    if (!areas.empty() && surfaceWindowsShown)
        video.Post([areas = std::move(areas)] {
            if (const auto state = ActiveState().lock())
                state->PresentToSurfaces(areas);
        });
}

// Routes SDL's events and the screen's changes to the active backend. Set up
// once per process, with the first backend.
void ConnectOnce(VideoThread& video, Screen& screen)
{
    static std::once_flag once;
    std::call_once(once, [&video, &screen] {
        video.SetEventListener([](const SDL_Event* event) {
            const auto state = ActiveState().lock();
            if (!state)
                return;
            if (event)
                state->OnEvent(*event);
            else
                state->AfterEvents();
        });
        screen.SetChangeListener([&video, &screen] {
            // Inside a window procedure the areas wait for it to return (a
            // tick's rectangles go out together); otherwise they go now.
            if (screen.Presenter() && InsideWindowProcedure())
                return;
            PresentChangedAreas(video, screen);
        });
    });
}

}  // namespace

SdlWindowBackend::SdlWindowBackend(VideoThread& video, std::shared_ptr<Screen> screen)
    : m_video(video), m_state(std::make_shared<State>())
{
    m_state->screen = std::move(screen);
    ConnectOnce(m_video, *m_state->screen);
    // Handed over without waiting, here and in the destructor: the window
    // layer may make or drop a backend while holding a lock that the video
    // thread needs to deliver a message.
    m_video.Post([state = m_state] {
        // Attach to X now, so that the destruction of foreign windows and
        // the changes of the monitors are seen.
        x11::WatchMonitors();
        state->monitors = CurrentMonitors();
        ActiveState() = state;
        state->WindowsChanged();
        // Areas written while no backend was active have waited for one.
        state->Present();
    });
}

SdlWindowBackend::~SdlWindowBackend()
{
    m_video.Post([state = m_state] {
        for (auto& [id, window] : state->windows)
            state->DestroyWindow(window);
        state->windows.clear();
        for (SDL_Cursor*& cursor : state->cursors)
            if (cursor)
                SDL_FreeCursor(std::exchange(cursor, nullptr));
        if (ActiveState().lock() == state) {
            state->WindowsChanged();
            ActiveState().reset();
        }
    });
}

NativeWindowId SdlWindowBackend::CreateNativeWindow(const NativeWindowRequest& request)
{
    NativeWindowId made = 0;
    m_video.Call([&] {
        NativeWindow window;
        window.window = request.window;
        window.area = request.screenArea;
        const int width = std::max<int>(request.screenArea.right - request.screenArea.left, 1);
        const int height = std::max<int>(request.screenArea.bottom - request.screenArea.top, 1);
        if (request.foreignParent) {
            const std::optional<RECT> parentArea = x11::ClientAreaOf(request.foreignParent);
            if (!parentArea)
                return;
            window.child = x11::CreateChildWindow(request.foreignParent, request.screenArea.left - parentArea->left,
                                                  request.screenArea.top - parentArea->top, width, height);
            if (!window.child)
                return;
            window.foreignParent = request.foreignParent;
            window.sdl = SDL_CreateWindowFrom(reinterpret_cast<const void*>(window.child));
        } else {
            Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
            if (request.topmost)
                flags |= SDL_WINDOW_ALWAYS_ON_TOP;
            // On X without a window manager nobody grants the full-screen
            // state, and SDL would wait a tenth of a second for it at showing
            // and again at hiding: there the borderless window over the whole
            // screen is all of it already.
            const bool unmanagedX = x11::Available() && !x11::WindowManagerRuns();
            if (m_state->IsOneMonitor(request.screenArea) && !unmanagedX)
                flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            window.sdl = SDL_CreateWindow(Utf8FromWindows1252(request.title).c_str(), request.screenArea.left,
                                          request.screenArea.top, width, height, flags);
        }
        // The surface is made now: making it can change an X window's number,
        // which must be read only afterwards.
        if (!window.sdl || !SDL_GetWindowSurface(window.sdl)) {
            ReportRefusedWindow(request, window.sdl != nullptr);
            m_state->DestroyWindow(window);
            return;
        }
        // SDL sets its own event mask on the root window when it makes a
        // window (for the colour profile), dropping ours: asked for again.
        x11::WatchMonitors();
        window.sdlId = SDL_GetWindowID(window.sdl);
        window.xWindow = window.child ? window.child : XWindowOf(window.sdl);
        if (x11::DirectPresenter* presenter = m_state->screen->Presenter())
            window.direct = window.xWindow && presenter->CanShowIn(window.xWindow);
        made = m_state->nextWindow++;
        m_state->windows.emplace(made, window);
    });
    return made;
}

namespace {

// The keyboard goes to the visible top-level window of ours shown last when
// a top-level window of ours goes or is hidden and nothing holds it (X gives
// the focus to no window when the focused one goes): without this it would
// reach nothing once a box or dialog over another window of ours closes. X
// is asked who holds the focus, since SDL hears of it later than it happens.
template <typename State>
void GiveKeyboardToLatestShown(State& state)
{
    NativeWindow* latest = nullptr;
    for (auto& [id, window] : state.windows)
        if (window.sdl && window.visible && !window.child && !window.gone &&
            (!latest || window.shownOrder > latest->shownOrder))
            latest = &window;
    if (!latest)
        return;
    if (x11::Available()) {
        if (x11::TakeUnheldKeyboardFocus(latest->xWindow))
            SDL_RaiseWindow(latest->sdl);
    } else if (!SDL_GetKeyboardFocus()) {
        SDL_RaiseWindow(latest->sdl);
    }
}

}  // namespace

void SdlWindowBackend::DestroyNativeWindow(NativeWindowId id)
{
    m_video.Call([&] {
        if (NativeWindow* window = m_state->Find(id)) {
            const bool leavesKeyboard = window->visible && !window->child;
            m_state->DestroyWindow(*window);
            m_state->windows.erase(id);
            m_state->WindowsChanged();
            if (leavesKeyboard)
                GiveKeyboardToLatestShown(*m_state);
        }
    });
}

void SdlWindowBackend::ShowNativeWindow(NativeWindowId id, bool visible)
{
    m_video.Call([&] {
        NativeWindow* window = m_state->Find(id);
        if (!window || window->gone || window->visible == visible)
            return;
        window->visible = visible;
        if (window->child) {
            x11::ShowChildWindow(window->child, visible);
        } else if (visible) {
            window->shownOrder = ++m_state->showings;
            SDL_ShowWindow(window->sdl);
            SDL_RaiseWindow(window->sdl);
            if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN)
                SDL_SetWindowInputFocus(window->sdl);
        } else {
            SDL_HideWindow(window->sdl);
            GiveKeyboardToLatestShown(*m_state);
        }
        m_state->WindowsChanged();
        if (visible)
            m_state->PresentAreas({window->area});
    });
}

void SdlWindowBackend::PresentChanges()
{
    // Without a presenter nothing waits here: the screen hands every changed
    // area to the video thread as it is written.
    if (m_state->screen->Presenter())
        PresentChangedAreas(m_video, *m_state->screen);
}

std::vector<InputEvent> SdlWindowBackend::TakeInputEvents()
{
    std::lock_guard lock(m_state->inputMutex);
    std::vector<InputEvent> events(m_state->input.begin(), m_state->input.end());
    m_state->input.clear();
    return events;
}

void SdlWindowBackend::SetCursorVisible(bool visible)
{
    m_video.Post([visible] { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); });
}

void SdlWindowBackend::SetCursorShape(WORD systemCursor)
{
    m_video.Post([state = m_state, systemCursor] {
        const std::size_t offset = systemCursor >= kFirstSystemCursor ? systemCursor - kFirstSystemCursor : 0;
        const std::size_t index = offset < kSdlCursors.size() ? offset : 0;
        SDL_Cursor*& cursor = state->cursors[index];
        if (!cursor)
            cursor = SDL_CreateSystemCursor(kSdlCursors[index]);
        if (cursor)
            SDL_SetCursor(cursor);
    });
}

void SdlWindowBackend::MoveCursor(POINT screenPosition)
{
    m_video.Post([screenPosition] { SDL_WarpMouseGlobal(screenPosition.x, screenPosition.y); });
}

std::optional<POINT> SdlWindowBackend::PointerPosition()
{
    POINT position{0, 0};
    m_video.Call([&position] {
        if (const std::optional<POINT> pointer = x11::PointerPosition()) {
            position = *pointer;
            return;
        }
        int x = 0;
        int y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        position = POINT{x, y};
    });
    return position;
}

std::optional<RECT> SdlWindowBackend::FindForeignWindow(NativeWindowId window)
{
    std::optional<RECT> area;
    m_video.Call([&] { area = x11::ClientAreaOf(window); });
    return area;
}

std::unique_ptr<ForeignWindowWatch> SdlWindowBackend::WatchForeignWindow(NativeWindowId window)
{
    std::string server;
    m_video.Call([&server] { server = x11::Available() ? x11::ServerName() : ""; });
    return x11::StructureWatch::Open(server, window);
}

bool SdlWindowBackend::DeliverToForeignWindow(NativeWindowId, UINT, WPARAM, LPARAM)
{
    // Another program's X window has no window messages to receive.
    return false;
}

std::vector<MonitorArea> SdlWindowBackend::Monitors()
{
    std::vector<MonitorArea> monitors;
    m_video.Call([&] { monitors = m_state->monitors; });
    return monitors;
}

NativeWindowId SdlWindowBackend::ScreenRootWindow()
{
    NativeWindowId root = 0;
    m_video.Call([&root] { root = x11::ScreenRootWindow(); });
    return root;
}

std::string SdlWindowBackend::DesktopResource(std::string_view name)
{
    std::string value;
    m_video.Call([&value, name] { value = x11::Resource(name); });
    return value;
}

void SdlWindowBackend::Flush()
{
    m_video.Call([this] {
        m_state->Present();
        if (x11::DirectPresenter* presenter = m_state->screen->Presenter())
            presenter->Synchronise();
        x11::Synchronise();
    });
}

SDL_Window* SdlWindowOf(HWND hwnd)
{
    const auto state = ActiveState().lock();
    if (!state)
        return nullptr;
    for (auto& [id, window] : state->windows)
        if (window.window == hwnd && !window.gone)
            return window.sdl;
    return nullptr;
}

}  // namespace vesper::platform::sdl
