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

// The display servers the environment names, for the reasons given when
// none answers: "DISPLAY is unset, WAYLAND_DISPLAY is \"wayland-1\"".
std::string NamedServers()
{
    std::string text;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        text += text.empty() ? "" : ", ";
        text += std::string(variable) + (value && *value ? " is \"" + std::string(value) + "\"" : " is unset");
    }
    return text;
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
        return VideoThread::StartFailure() + "; " + NamedServers();
    return {};
}

std::unique_ptr<Display> MakeDisplay(std::string_view)
{
    return std::make_unique<PictureDisplay>(SharedScreen());
}

std::shared_ptr<WindowBackend> MakeWindowBackend()
{
    return std::make_shared<SdlWindowBackend>(*VideoThread::Get(), SharedScreen());
}

}  // namespace vesper::platform::sdl
