#include "platform/drivers/wayland/wayland_screen.h"

#include <algorithm>

#include "platform/drivers/wayland/wayland_connection.h"

namespace vesper::platform::wayland {

std::shared_ptr<ScreenPicture> SharedScreen()
{
    // Kept alive past static destruction: GDI objects are released at exit.
    static auto* screen = [] {
        Connection* connection = Connection::Get();
        if (!connection)
            return new std::shared_ptr<ScreenPicture>;
        const SIZE size = ScreenSizeFor(connection->StartOutputs());
        const DisplayMode mode{std::min<int>(size.cx, kLargestDisplaySide), std::min<int>(size.cy, kLargestDisplaySide),
                               32};
        return new std::shared_ptr<ScreenPicture>(std::make_shared<ScreenPicture>(mode));
    }();
    return *screen;
}

}  // namespace vesper::platform::wayland
