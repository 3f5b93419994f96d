// What a display backend does for the window layer: native windows for the
// windows that need one (top-level windows, and children of a foreign window
// such as the host of a preview), showing what GDI drew, input, the cursor,
// and foreign windows known only by the backend's number for them.
//
// The window layer never calls a backend while holding its own lock, and a
// backend never calls the window layer back from these functions; input
// reaches the layer when it asks for it (TakeInputEvents).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/win32_types.h"

namespace vesper::platform {

// A backend's number for a native window; 0 is none. A foreign window's
// number is also its HWND in the window layer.
using NativeWindowId = std::uintptr_t;

struct NativeWindowRequest {
    HWND window = nullptr;
    // Where the window's client area lies on the screen.
    RECT screenArea{0, 0, 0, 0};
    std::string title;
    bool topmost = false;
    // The foreign window it is a child of; 0 for a top-level window.
    NativeWindowId foreignParent = 0;
};

// One monitor of the screen: where it lies, and whether it is the primary one.
struct MonitorArea {
    RECT area{0, 0, 0, 0};
    bool primary = false;
};

enum class MouseButton { Left, Right, Middle };

struct InputEvent {
    enum class Kind {
        MouseMove,      // position: the new cursor position on the screen
        ButtonDown,     // button, at the cursor position
        ButtonUp,
        KeyDown,        // virtualKey (VK_SHIFT, VK_CONTROL, VK_MENU for either side)
        KeyUp,
        SystemCommand,  // command: SC_NEXTWINDOW, SC_PREVWINDOW, SC_SCREENSAVE ...
        ForeignWindowGone,  // foreignWindow no longer exists; its children are destroyed
        MonitorsChanged,    // a monitor came, went, moved or changed size (Monitors() tells)
    };
    Kind kind = Kind::MouseMove;
    POINT position{0, 0};
    MouseButton button = MouseButton::Left;
    UINT virtualKey = 0;
    // 0: the US keyboard's scan code of virtualKey (MapVirtualKeyA).
    UINT scanCode = 0;
    bool extendedKey = false;
    WPARAM command = 0;
    NativeWindowId foreignWindow = 0;
};

// Tells that a foreign window may have moved, changed size or gone: its file
// becomes readable then. Used by one thread at a time.
class ForeignWindowWatch {
public:
    virtual ~ForeignWindowWatch() = default;
    // A descriptor to wait on for reading.
    virtual int ChangeFile() const = 0;
    // Reads what the descriptor holds without waiting; true when the window
    // may have changed since the last call.
    virtual bool TakeChanges() = 0;
};

class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // Returns 0 when no native window can be made; the window creation fails.
    virtual NativeWindowId CreateNativeWindow(const NativeWindowRequest& request) = 0;
    virtual void DestroyNativeWindow(NativeWindowId window) = 0;
    virtual void ShowNativeWindow(NativeWindowId window, bool visible) = 0;
    // GDI draws into the display; this shows what changed in the native
    // windows. The layer calls it each time a thread looks at its message
    // queue, at the end of each paint cycle and when a thread's outermost
    // window procedure returns.
    virtual void PresentChanges() = 0;

    // The input that arrived since the last call, oldest first.
    virtual std::vector<InputEvent> TakeInputEvents() = 0;
    // 0: the backend calls NotifyInputAvailable() when input arrives. Otherwise
    // a thread waiting for messages looks for input again after this many
    // milliseconds of the (real) clock.
    virtual std::uint32_t InputPollMilliseconds() const { return 0; }

    virtual void SetCursorVisible(bool visible) = 0;
    // The cursor's shape: the number of a system cursor (32512 IDC_ARROW,
    // 32514 IDC_WAIT ...) or 0 for any other cursor, shown as the arrow.
    virtual void SetCursorShape(WORD systemCursor) { (void)systemCursor; }
    virtual void MoveCursor(POINT screenPosition) = 0;
    // Where the backend's own pointer is, for a backend that has one: the
    // layer's cursor starts there when the backend comes into use.
    virtual std::optional<POINT> PointerPosition() { return std::nullopt; }

    // The client area on the screen of a foreign window, none when there is no
    // such window.
    virtual std::optional<RECT> FindForeignWindow(NativeWindowId window) = 0;
    // News of a foreign window's changes as they happen; null from a backend
    // that can only be asked (FindForeignWindow) from time to time.
    virtual std::unique_ptr<ForeignWindowWatch> WatchForeignWindow(NativeWindowId window)
    {
        (void)window;
        return nullptr;
    }
    // A message posted or sent to a foreign window; false when it cannot be
    // delivered.
    virtual bool DeliverToForeignWindow(NativeWindowId window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The number of the screen's root window as a foreign window, 0 for a
    // backend whose screen has none.
    virtual NativeWindowId ScreenRootWindow() { return 0; }
    // The monitors, in screen coordinates, as the display server tells of
    // them now; none from a backend that knows of no monitors (the window
    // layer then counts the whole screen as one). A backend that learns of
    // changes queues a MonitorsChanged event.
    virtual std::vector<MonitorArea> Monitors() { return {}; }
    // A value the desktop publishes to its programs as a resource of the
    // display (X resources: "Xft.dpi"); empty when it publishes none.
    virtual std::string DesktopResource(std::string_view name)
    {
        (void)name;
        return {};
    }
};

// The backend in use: made on first use by the backend VESPER_DISPLAY
// chooses (platform/drivers/backends.h).
std::shared_ptr<WindowBackend> CurrentWindowBackend();
// Replaces the backend; only while no window of the program exists. The
// foreign windows of the old backend are forgotten. Null makes the next use
// choose again from VESPER_DISPLAY.
void UseWindowBackend(std::shared_ptr<WindowBackend> backend);
// Forgets the foreign windows known so far, so that their place and size are
// asked of the backend again when next used; only while no window of the
// program is a child of one.
void RefreshForeignWindows();
// Tells threads waiting for messages that input arrived.
void NotifyInputAvailable();
// Whether the calling thread is running a window procedure: what it draws
// meanwhile can wait for PresentChanges when the procedure returns.
bool InsideWindowProcedure();

}  // namespace vesper::platform
