// The screen of the SDL backend: the picture of the whole desktop
// (platform/drivers/screen_picture.h), shared with the X server where it
// allows, and the copy of its areas into SDL's window surfaces.
#pragma once

#include "platform/internal.h"

#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/drivers/display.h"
#include "platform/drivers/screen_picture.h"
#include "platform/drivers/sdl/sdl_x11_present.h"

namespace vesper::platform::sdl {

class Screen final : public ScreenPicture {
public:
    // A picture of its own.
    explicit Screen(const DisplayMode& mode) : ScreenPicture(mode) {}
    // The picture shared with the X server through `presenter`, made for the
    // same mode.
    Screen(const DisplayMode& mode, std::unique_ptr<x11::DirectPresenter> presenter);

    // Null unless the screen is presented straight into X windows.
    x11::DirectPresenter* Presenter() const { return m_presenter.get(); }

private:
    std::unique_ptr<x11::DirectPresenter> m_presenter;
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


}  // namespace vesper::platform::sdl
