// The screen of the SDL backend: GDI draws into one true-colour picture of the
// whole desktop kept in memory, and the window backend copies the areas that
// changed into the windows on the desktop. The picture lives as long as the
// process, shared by every SdlDisplay and SdlWindowBackend made in it.
#pragma once

#include "platform/internal.h"

#include <SDL.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/drivers/changed_areas.h"
#include "platform/drivers/display.h"
#include "platform/drivers/sdl/sdl_x11_present.h"

namespace vesper::platform::sdl {

class Screen {
public:
    // A picture of its own.
    explicit Screen(const DisplayMode& mode);
    // The picture shared with the X server through `presenter`, made for the
    // same mode.
    Screen(const DisplayMode& mode, std::unique_ptr<x11::DirectPresenter> presenter);

    // Null unless the screen is presented straight into X windows.
    x11::DirectPresenter* Presenter() const { return m_presenter.get(); }

    const DisplayMode& Mode() const { return m_mode; }
    // Rows of blue, green, red and one unused byte, top row first. Read and
    // written with GdiMutex() held.
    Surface Pixels();

    // Records a written area (already inside the screen). The first area
    // after the changes were last taken calls the change listener, which
    // must not block: it is called with GdiMutex() held.
    void AreaChanged(const RECT& area);
    // The areas written since the last call, none repeated: an area inside
    // another is dropped, and past a few dozen the areas merge into one.
    std::vector<RECT> TakeChangedAreas();

    using ChangeListener = std::function<void()>;
    void SetChangeListener(ChangeListener listener);

private:
    DisplayMode m_mode;
    std::unique_ptr<x11::DirectPresenter> m_presenter;
    // Allocated zeroed and untouched, so that large pages can back it (when
    // it is not the presenter's).
    std::unique_ptr<BYTE, void (*)(void*)> m_pixels;

    ChangedAreas m_changed;
    std::mutex m_listenerMutex;
    ChangeListener m_listener;
};

// The process's screen, measured from SDL's desktop when first asked for and
// presented straight into X windows where the server allows; null when SDL's
// video subsystem cannot start.
std::shared_ptr<Screen> SharedScreen();

// Copies `area` of the screen's pixels (cut to the pixels) into `to` with its
// top left corner at `toOrigin`, cut to the surface, converting to the
// surface's pixel format. Returns the part of the surface written (empty
// when none).
SDL_Rect CopyToSurface(const Surface& from, const RECT& area, SDL_Surface& to, POINT toOrigin);

class SdlDisplay final : public Display {
public:
    explicit SdlDisplay(std::shared_ptr<Screen> screen);

    Surface Pixels() override { return m_screen->Pixels(); }
    void AreaChanged(const RECT& area) override { m_screen->AreaChanged(area); }

private:
    std::shared_ptr<Screen> m_screen;
};

}  // namespace vesper::platform::sdl
