// The SDL2 backend's entry in the backend table (platform/drivers/backends.h):
// whether SDL can run, and its display and window backend on SDL's shared
// screen.
#pragma once

#include "platform/internal.h"

#include <memory>
#include <string>
#include <string_view>

#include "platform/drivers/display.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::sdl {

// Whether the environment names a display server to connect to (DISPLAY or
// WAYLAND_DISPLAY is set).
bool DisplayServerNamed();

// Why SDL cannot run, empty when it can (its video subsystem then runs).
// Asked for by name it needs no display server to be named; otherwise it
// runs only where one is.
std::string UnavailableReason(bool named);

std::unique_ptr<Display> MakeDisplay(std::string_view setting);
std::shared_ptr<WindowBackend> MakeWindowBackend();

}  // namespace vesper::platform::sdl
