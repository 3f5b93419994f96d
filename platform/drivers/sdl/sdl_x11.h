// What the SDL backend does with X directly, beside SDL, on SDL's own X
// connection: windows of other programs (the host of a preview, known only by
// its number), a child window of ours inside such a window for SDL to draw
// in, and news of their destruction. A broken connection to the X server
// ends the program with one line on standard error. X reports a request about a window that
// no longer exists as an error that would end the program; errors about the
// windows named here are expected (their owner may destroy them at any time)
// and are ignored.
//
// Everything here runs on the video thread, but for the error counting of a
// connection of our own.
#pragma once

#include "platform/internal.h"

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/api/win32_types.h"
#include "platform/drivers/window_backend.h"

// Xlib's connection type (its header's names clash with the platform's).
struct _XDisplay;

namespace vesper::platform::sdl::x11 {

using WindowNumber = std::uintptr_t;

// Whether SDL runs on X and these functions can work. The first call (which
// needs SDL's video subsystem) attaches to SDL's connection and asks SDL for
// the X events of windows that are not its own.
bool Available();

// The client area on the screen of an existing X window, none when there is
// no such window (or X is not in use).
std::optional<RECT> ClientAreaOf(WindowNumber window);

// The screen's root window, 0 without X.
WindowNumber ScreenRootWindow();
// The root window's size (the box every monitor lies in); none without X.
std::optional<SIZE> RootSize();

// The monitors of the screen: RandR 1.5 monitors, unless the server joins
// screens with Xinerama that RandR does not describe (as Xephyr's +xinerama
// does), where the Xinerama heads count; none without X or when the server
// tells of neither.
std::vector<MonitorArea> Monitors();
// Asks the X server, on SDL's connection, for the events that tell of a
// change of the monitors: the root window's configuration (RandR monitors
// set or deleted, the screen resized) and RandR's screen, output and CRTC
// changes.
void WatchMonitors();
// Whether an SDL_SYSWMEVENT is one of those events.
bool MonitorsMayHaveChanged(const SDL_Event& event);

// The value of an X resource the desktop set on the screen (the
// RESOURCE_MANAGER property: "Xft.dpi"), empty when unset or without X.
std::string Resource(std::string_view name);

// Whether a window manager runs: some client redirects the root window's
// map and configure requests. Without one nobody answers a request for the
// full-screen state.
bool WindowManagerRuns();

// Makes a child window of `parent` at (x, y) of its client area with the
// given size, unmapped, and watches both for destruction; 0 when it cannot be
// made. A child of the root window is kept from the window manager, which
// would otherwise frame it as a window of its own.
WindowNumber CreateChildWindow(WindowNumber parent, int x, int y, int width, int height);
void ShowChildWindow(WindowNumber child, bool visible);
void DestroyChildWindow(WindowNumber child);

// The window an SDL_SYSWMEVENT reports destroyed, none for any other event.
std::optional<WindowNumber> DestroyedWindow(const SDL_Event& event);

// Gives the keyboard focus to `window` (a top-level window of ours) if X
// holds it on no program's window: on none (X's answer when the focused
// window went or was hidden), on the root window, or on whatever window the
// pointer is in. A window that has the focus keeps it. Asked of the X server
// itself, since SDL hears of focus changes only later. True when the focus
// was given.
bool TakeUnheldKeyboardFocus(WindowNumber window);

// Waits until the X server has carried out every request made so far (and so
// shows what was presented).
void Synchronise();

// Where the pointer is on the screen, asked of the X server (SDL's answer
// lags while the pointer is outside SDL's windows); none without X.
std::optional<POINT> PointerPosition();

// The name of the X server SDL is connected to, for a connection of our own
// to the same server; empty without X.
std::string ServerName();

// X reports the errors of every connection to one handler: those of
// `display`, a connection of our own beside SDL's whose requests may fail
// harmlessly, are counted and ignored while `ignore` holds. Only once
// Available() has been asked.
void IgnoreErrorsOn(_XDisplay* display, bool ignore);
// How many errors of such connections have been ignored so far.
unsigned IgnoredErrors();

// The file of SDL's X connection, readable when X events arrive; -1 when X is
// not in use.
int EventFile();

// While it lives, a message box of SDL's with this title (SDL shows it on an X
// connection of its own) answers the keyboard as on Windows: it takes the
// keyboard focus once it is mapped (without a window manager the focus
// would stay with the window under the pointer), and Space presses its
// default button as Return does. Works on a connection of its own, on a
// thread of its own; does nothing when X cannot be reached. Made on the video
// thread. The connection is opened before the thread starts: SDL shows the
// box from a forked copy of the process, and a fork while another thread is
// inside XOpenDisplay leaves Xlib's global lock taken in the copy, which then
// hangs opening its own connection.
class MessageBoxKeyboard {
public:
    explicit MessageBoxKeyboard(std::string title);
    ~MessageBoxKeyboard();
    MessageBoxKeyboard(const MessageBoxKeyboard&) = delete;
    MessageBoxKeyboard& operator=(const MessageBoxKeyboard&) = delete;

private:
    void Run(const std::string& title);

    _XDisplay* m_display = nullptr;
    int m_stopFile = -1;
    std::thread m_thread;
};

}  // namespace vesper::platform::sdl::x11
