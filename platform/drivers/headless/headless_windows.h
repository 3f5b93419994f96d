// The headless window backend: native windows are records, the screen is the
// in-memory headless display that GDI draws on, input is a script the test
// queues, and "host" windows stand for the foreign windows another program
// would own (the preview host of the display settings).
#pragma once

#include "platform/internal.h"

#include <deque>
#include <map>
#include <memory>
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
    // Its file becomes readable when the host is moved or removed.
    std::unique_ptr<ForeignWindowWatch> WatchForeignWindow(NativeWindowId window) override;
    std::vector<MonitorArea> Monitors() override;

    // The monitors from now on (none: the whole screen is one); the window
    // layer is told of the change as of input.
    void SetMonitors(std::vector<MonitorArea> monitors);

    // Queues an event and tells the waiting threads.
    void QueueInput(const InputEvent& event);
    // Queues events together: the window layer takes all of them at once.
    void QueueInputs(const std::vector<InputEvent>& events);
    NativeWindowId AddHostWindow(const RECT& screenArea);
    // The host takes another place or size on the screen.
    void MoveHostWindow(NativeWindowId host, const RECT& screenArea);
    // The host goes away; the window layer destroys the windows inside it.
    void RemoveHostWindow(NativeWindowId host);
    std::vector<HostMessage> HostMessages(NativeWindowId host) const;

    bool CursorVisible() const;
    // Events queued that the window layer has not taken yet.
    std::size_t PendingInput() const;
    std::size_t NativeWindowCount() const;
    // The native windows inside a host, as they were asked for.
    std::vector<NativeWindowRequest> ChildrenOf(NativeWindowId host) const;
    // Whether the native window of a window is shown; false when it has none.
    bool NativeWindowShown(HWND window) const;

private:
    struct NativeWindow {
        NativeWindowRequest request;
        bool visible = false;
    };

    // The file a watch of a host waits on; closed when the watch and every
    // telling of a change are done with it.
    struct ChangeSignal {
        ~ChangeSignal();
        int file = -1;
    };
    class HostWatch;
    void TellWatchesLocked(NativeWindowId host);

    mutable std::mutex m_mutex;
    std::multimap<NativeWindowId, std::weak_ptr<ChangeSignal>> m_watches;
    std::deque<InputEvent> m_input;
    std::map<NativeWindowId, NativeWindow> m_windows;
    std::map<NativeWindowId, RECT> m_hosts;
    std::vector<MonitorArea> m_monitors;
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

}  // namespace vesper::platform
