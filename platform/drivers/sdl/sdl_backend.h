// Which screen and window backend the program runs on, from VESPER_DISPLAY:
// "headless:<w>x<h>x<bits>" keeps the in-memory headless screen; "sdl", or
// no setting while a display server is there (DISPLAY or WAYLAND_DISPLAY is
// set), chooses SDL2 when SDL's video subsystem starts. Otherwise the program
// runs headless, and DisplayUnavailableReason() says why.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/drivers/display.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform {

// Why the program runs headless although it did not ask for that; empty when
// SDL is in use or the headless screen was asked for.
std::string DisplayUnavailableReason();

namespace sdl {

enum class Wish {
    Headless,      // VESPER_DISPLAY names a headless screen (or something unreadable)
    Sdl,           // VESPER_DISPLAY=sdl
    SdlIfPresent,  // no setting: SDL when a display server is there
};

// What the value of VESPER_DISPLAY (null when unset) asks for.
Wish WishOf(const char* setting);
// Whether the environment names a display server to connect to.
bool DisplayServerNamed();

// The SDL display and window backend when the environment chooses SDL and SDL
// starts; null otherwise (with the reason recorded for DisplayUnavailableReason).
std::unique_ptr<Display> SdlDisplayFromEnvironment();
std::shared_ptr<WindowBackend> SdlBackendFromEnvironment();

// Makes the SDL display and window backend current whatever the environment
// says, with message boxes shown by SDL; false (changing nothing) when SDL's
// video subsystem cannot start.
bool UseSdlDisplayAndBackend();

}  // namespace sdl

}  // namespace vesper::platform
