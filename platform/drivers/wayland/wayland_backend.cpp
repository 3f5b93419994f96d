#include "platform/drivers/wayland/wayland_backend.h"

#include <cstdlib>

#include "platform/drivers/wayland/wayland_connection.h"
#include "platform/drivers/wayland/wayland_screen.h"
#include "platform/drivers/wayland/wayland_windows.h"

namespace vesper::platform::wayland {

std::string UnavailableReason(bool named)
{
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    if (!named && !(socket && *socket)) {
        const char* x = std::getenv("DISPLAY");
        return x && *x ? "not a Wayland session: WAYLAND_DISPLAY is unset"
                       : "no display server: neither DISPLAY nor WAYLAND_DISPLAY is set";
    }
    if (!Connection::Get())
        return Connection::ConnectFailure();
    return {};
}

std::unique_ptr<Display> MakeDisplay(std::string_view)
{
    return std::make_unique<PictureDisplay>(SharedScreen());
}

std::shared_ptr<WindowBackend> MakeWindowBackend()
{
    return std::make_shared<WaylandWindowBackend>(*Connection::Get(), SharedScreen());
}

}  // namespace vesper::platform::wayland
