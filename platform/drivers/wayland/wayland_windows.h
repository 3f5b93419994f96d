// The Wayland window backend: for each shown top-level window of the layer,
// a surface on every output it covers (a layer surface in the overlay layer,
// anchored to all edges and holding the keyboard, where the compositor offers
// the wlroots layer shell; a full-screen xdg toplevel on that output where
// not), or one surface of its size in the middle of its output for a smaller
// window such as a dialog. A surface's buffer is at the output's device
// pixels with the output's scale set as the buffer scale, so the compositor
// never stretches it. Where the surface's size is the size of its area of the
// screen, its buffer is that area of the screen's own memory
// (platform/drivers/wayland/wayland_screen.h), and a tick's changes go out as
// the buffer's damage with nothing copied; where the compositor chose another
// size, the surface has two buffers of its own, and the changed areas are
// copied into a free one. Pointer and keyboard input of the seat becomes the
// layer's input events.
//
// All Wayland work runs on the connection's thread
// (platform/drivers/wayland/wayland_connection.h); the functions here hand
// it over and, where they answer something, wait for it. Presenting a
// change runs on the calling thread instead while the connection's thread
// sleeps, so that a tick wakes no other thread.
#pragma once

#include "platform/internal.h"

#include <memory>

#include "platform/drivers/wayland/wayland_connection.h"
#include "platform/drivers/wayland/wayland_screen.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::wayland {

class WaylandWindowBackend final : public WindowBackend {
public:
    WaylandWindowBackend(Connection& connection, std::shared_ptr<Screen> screen);
    ~WaylandWindowBackend() override;
    WaylandWindowBackend(const WaylandWindowBackend&) = delete;
    WaylandWindowBackend& operator=(const WaylandWindowBackend&) = delete;

    NativeWindowId CreateNativeWindow(const NativeWindowRequest& request) override;
    void DestroyNativeWindow(NativeWindowId window) override;
    void ShowNativeWindow(NativeWindowId window, bool visible) override;
    void PresentChanges() override;
    std::vector<InputEvent> TakeInputEvents() override;
    void SetCursorVisible(bool visible) override;
    void MoveCursor(POINT screenPosition) override;
    std::optional<POINT> PointerPosition() override;
    std::optional<RECT> FindForeignWindow(NativeWindowId window) override;
    bool DeliverToForeignWindow(NativeWindowId window, UINT message, WPARAM wParam, LPARAM lParam) override;
    std::vector<MonitorArea> Monitors() override;

    struct State;

private:
    Connection& m_connection;
    std::shared_ptr<State> m_state;
};

}  // namespace vesper::platform::wayland
