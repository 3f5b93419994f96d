// The headless window backend: native windows are records, the screen is the
// in-memory headless display that GDI draws on, input is a script the test
// queues, and "host" windows stand for the foreign windows another program
// would own (the preview host of the display settings).
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/drivers/window_backend.h"

namespace vesper::platform {

class HeadlessWindowBackend final : public WindowBackend {
public:
    struct HostMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    NativeWindowId CreateNativeWindow(const NativeWindowRequest& request) override;
    void DestroyNativeWindow(NativeWindowId window) override;
    void ShowNativeWindow(NativeWindowId window, bool visible) override;
    void PresentChanges() override {}
    std::vector<InputEvent> TakeInputEvents() override;
    void SetCursorVisible(bool visible) override;
    void MoveCursor(POINT screenPosition) override;
    std::optional<RECT> FindForeignWindow(NativeWindowId window) override;
    bool DeliverToForeignWindow(NativeWindowId window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Queues an event and tells the waiting threads.
    void QueueInput(const InputEvent& event);
    // Queues events together: the window layer takes all of them at once.
    void QueueInputs(const std::vector<InputEvent>& events);
    NativeWindowId AddHostWindow(const RECT& screenArea);
    // The host goes away; the window layer destroys the windows inside it.
    void RemoveHostWindow(NativeWindowId host);
    std::vector<HostMessage> HostMessages(NativeWindowId host) const;

    bool CursorVisible() const;
    // Events queued that the window layer has not taken yet.
    std::size_t PendingInput() const;
    std::size_t NativeWindowCount() const;
    // Whether the native window of a window is shown; false when it has none.
    bool NativeWindowShown(HWND window) const;

private:
    struct NativeWindow {
        NativeWindowRequest request;
        bool visible = false;
    };

    mutable std::mutex m_mutex;
    std::deque<InputEvent> m_input;
    std::map<NativeWindowId, NativeWindow> m_windows;
    std::map<NativeWindowId, RECT> m_hosts;
    std::map<NativeWindowId, std::vector<HostMessage>> m_hostMessages;
    NativeWindowId m_nextWindow = 1;
    NativeWindowId m_nextHost = kFirstHost;
    bool m_cursorVisible = true;

    // Host numbers double as window handles: far from the window layer's own.
    static constexpr NativeWindowId kFirstHost = 0x40000000;
    static constexpr NativeWindowId kHostStep = 0x10;
};

// Makes a new headless backend current and returns it.
HeadlessWindowBackend& UseHeadlessWindowBackend();

// Scripted input and hosts for tests, on the current backend (made headless
// when it is not).
namespace headless {

HeadlessWindowBackend& Backend();

void MoveMouse(int x, int y);
void KeyDown(UINT virtualKey);
void KeyUp(UINT virtualKey);
void PressKey(UINT virtualKey);
void ButtonDown(MouseButton button);
void ButtonUp(MouseButton button);
void ClickButton(MouseButton button);
// A command of the window manager, such as SC_NEXTWINDOW for Alt+Tab.
void SystemCommand(WPARAM command);

// A window of another program at the given screen area, usable as a parent.
HWND MakeHostWindow(const RECT& screenArea);
void DestroyHostWindow(HWND host);
std::vector<HeadlessWindowBackend::HostMessage> HostMessages(HWND host);

bool CursorVisible();

}  // namespace headless

}  // namespace vesper::platform
