#include "platform/drivers/sdl/sdl_backend.h"

#include <cstdlib>

#include "platform/drivers/sdl/sdl_display.h"
#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_windows.h"

namespace vesper::platform::sdl {

namespace {

bool Named(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

}  // namespace

bool DisplayServerNamed()
{
    return Named("DISPLAY") || Named("WAYLAND_DISPLAY");
}

std::string UnavailableReason(bool named)
{
    if (!named && !DisplayServerNamed())
        return "no display server: neither DISPLAY nor WAYLAND_DISPLAY is set";
    if (!VideoThread::Get())
        return VideoThread::StartFailure();
    return {};
}

std::unique_ptr<Display> MakeDisplay(std::string_view)
{
    return std::make_unique<SdlDisplay>(SharedScreen());
}

std::shared_ptr<WindowBackend> MakeWindowBackend()
{
    return std::make_shared<SdlWindowBackend>(*VideoThread::Get(), SharedScreen());
}

}  // namespace vesper::platform::sdl
