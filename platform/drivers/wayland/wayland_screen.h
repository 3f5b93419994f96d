// The Wayland backend's screen: a picture (platform/drivers/screen_picture.h)
// that holds every output side by side in device pixels
// (platform/drivers/wayland/wayland_layout.h), whose changed areas the window
// backend copies into the buffers of the surfaces on the outputs. Its pages
// are touched only where something is drawn, so the room kept for outputs
// that may arrive costs nothing until they do.
#pragma once

#include "platform/internal.h"

#include <memory>

#include "platform/drivers/screen_picture.h"

namespace vesper::platform::wayland {

// The process's screen, sized for the outputs at the start; null when there
// is no compositor to use.
std::shared_ptr<ScreenPicture> SharedScreen();

}  // namespace vesper::platform::wayland
