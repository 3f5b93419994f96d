// The Wayland backend's entry in the backend table
// (platform/drivers/backends.h): whether a compositor answers, and its
// display and window backend on the shared screen.
#pragma once

#include "platform/internal.h"

#include <memory>
#include <string>
#include <string_view>

#include "platform/drivers/display.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::wayland {

// Why the backend cannot run, empty when it can (its connection then runs).
// Unasked it runs only where WAYLAND_DISPLAY names a compositor; asked for
// by name it tries the client library's default socket too.
std::string UnavailableReason(bool named);

std::unique_ptr<Display> MakeDisplay(std::string_view setting);
std::shared_ptr<WindowBackend> MakeWindowBackend();

}  // namespace vesper::platform::wayland
