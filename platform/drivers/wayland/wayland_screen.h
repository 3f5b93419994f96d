// The Wayland backend's screen: GDI draws into one true-colour picture in
// memory that holds every output side by side in device pixels
// (platform/drivers/wayland/wayland_layout.h), and the window backend copies
// the areas that changed into the buffers of the surfaces on the outputs.
// The picture lives as long as the process. Its pages are touched only
// where something is drawn, so the room kept for outputs that may arrive
// costs nothing until they do.
#pragma once

#include "platform/internal.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/drivers/changed_areas.h"
#include "platform/drivers/display.h"

namespace vesper::platform::wayland {

class Screen {
public:
    explicit Screen(const DisplayMode& mode);

    const DisplayMode& Mode() const { return m_mode; }
    // Rows of blue, green, red and one unused byte, top row first (the
    // layout of wl_shm's XRGB8888). Read and written with GdiMutex() held.
    Surface Pixels();

    // Records a written area (already inside the screen). The first area
    // after the changes were last taken calls the change listener, which
    // must not block: it is called with GdiMutex() held.
    void AreaChanged(const RECT& area);
    // The areas written since the last call (platform/drivers/changed_areas.h).
    std::vector<RECT> TakeChangedAreas();

    using ChangeListener = std::function<void()>;
    void SetChangeListener(ChangeListener listener);

private:
    DisplayMode m_mode;
    std::unique_ptr<BYTE, void (*)(void*)> m_pixels;
    ChangedAreas m_changed;
    std::mutex m_listenerMutex;
    ChangeListener m_listener;
};

// The process's screen, sized for the outputs at the start; null when there
// is no compositor to use.
std::shared_ptr<Screen> SharedScreen();

class WaylandDisplay final : public Display {
public:
    explicit WaylandDisplay(std::shared_ptr<Screen> screen);

    Surface Pixels() override { return m_screen->Pixels(); }
    void AreaChanged(const RECT& area) override { m_screen->AreaChanged(area); }

private:
    std::shared_ptr<Screen> m_screen;
};

}  // namespace vesper::platform::wayland
