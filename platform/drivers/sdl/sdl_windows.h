// The SDL2 window backend: a borderless SDL window for each top-level window
// of the layer (full screen for one that covers the screen), an X child window
// wrapped by SDL for a child of another program's window, the changed areas
// of the screen copied into the window surfaces and presented rectangle by
// rectangle, and SDL's input turned into the layer's input events.
//
// All SDL work runs on the video thread (platform/drivers/sdl/sdl_video.h); the functions
// here hand it over and, where they answer something, wait for it.
#pragma once

#include "platform/internal.h"

#include <memory>

#include "platform/drivers/sdl/sdl_display.h"
#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::sdl {

class SdlWindowBackend final : public WindowBackend {
public:
    SdlWindowBackend(VideoThread& video, std::shared_ptr<Screen> screen);
    ~SdlWindowBackend() override;
    SdlWindowBackend(const SdlWindowBackend&) = delete;
    SdlWindowBackend& operator=(const SdlWindowBackend&) = delete;

    NativeWindowId CreateNativeWindow(const NativeWindowRequest& request) override;
    void DestroyNativeWindow(NativeWindowId window) override;
    void ShowNativeWindow(NativeWindowId window, bool visible) override;
    void PresentChanges() override;
    std::vector<InputEvent> TakeInputEvents() override;
    void SetCursorVisible(bool visible) override;
    void SetCursorShape(WORD systemCursor) override;
    void MoveCursor(POINT screenPosition) override;
    std::optional<POINT> PointerPosition() override;
    std::optional<RECT> FindForeignWindow(NativeWindowId window) override;
    std::unique_ptr<ForeignWindowWatch> WatchForeignWindow(NativeWindowId window) override;
    bool DeliverToForeignWindow(NativeWindowId window, UINT message, WPARAM wParam, LPARAM lParam) override;
    NativeWindowId ScreenRootWindow() override;
    std::vector<MonitorArea> Monitors() override;
    std::string DesktopResource(std::string_view name) override;

    // Presents what changed and waits until the display server has it on the
    // screen.
    void Flush();

    struct State;

private:
    VideoThread& m_video;
    std::shared_ptr<State> m_state;
};

// The SDL window of the native window made for `window`, null when there is
// none. Only on the video thread.
SDL_Window* SdlWindowOf(HWND window);

}  // namespace vesper::platform::sdl
