#include "platform/drivers/sdl/sdl_choice.h"

#include <cstdlib>
#include <mutex>

#include "platform/drivers/sdl/sdl_display.h"
#include "platform/drivers/sdl/sdl_message_box.h"
#include "platform/drivers/sdl/sdl_video.h"
#include "platform/drivers/sdl/sdl_windows.h"

namespace vesper::platform {

namespace {

struct Reason {
    std::mutex mutex;
    std::string text;
};

Reason& UnavailableReason()
{
    static auto* reason = new Reason;
    return *reason;
}

void RecordReason(std::string text)
{
    std::lock_guard lock(UnavailableReason().mutex);
    UnavailableReason().text = std::move(text);
}

bool Named(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

// Whether SDL is to be used, starting it when the environment asks for it.
// Records why not when the program did not ask for the headless screen.
bool SdlChosen()
{
    using sdl::Wish;
    const Wish wish = sdl::WishOf(std::getenv("VESPER_DISPLAY"));
    if (wish == Wish::Headless) {
        RecordReason({});
        return false;
    }
    if (wish == Wish::SdlIfPresent && !sdl::DisplayServerNamed()) {
        RecordReason("no display server: neither DISPLAY nor WAYLAND_DISPLAY is set");
        return false;
    }
    if (!sdl::VideoThread::Get()) {
        RecordReason(sdl::VideoThread::StartFailure());
        return false;
    }
    RecordReason({});
    return true;
}

}  // namespace

std::string DisplayUnavailableReason()
{
    std::lock_guard lock(UnavailableReason().mutex);
    return UnavailableReason().text;
}

namespace sdl {

Wish WishOf(const char* setting)
{
    if (!setting || !*setting)
        return Wish::SdlIfPresent;
    return std::string_view(setting) == "sdl" ? Wish::Sdl : Wish::Headless;
}

bool DisplayServerNamed()
{
    return Named("DISPLAY") || Named("WAYLAND_DISPLAY");
}

std::unique_ptr<Display> SdlDisplayFromEnvironment()
{
    if (!SdlChosen())
        return nullptr;
    return std::make_unique<SdlDisplay>(SharedScreen());
}

std::shared_ptr<WindowBackend> SdlBackendFromEnvironment()
{
    if (!SdlChosen())
        return nullptr;
    InstallMessageBoxes();
    return std::make_shared<SdlWindowBackend>(*VideoThread::Get(), SharedScreen());
}

bool UseSdlDisplayAndBackend()
{
    VideoThread* video = VideoThread::Get();
    if (!video)
        return false;
    UseDisplay(std::make_unique<SdlDisplay>(SharedScreen()));
    UseWindowBackend(std::make_shared<SdlWindowBackend>(*video, SharedScreen()));
    InstallMessageBoxes();
    return true;
}

}  // namespace sdl

}  // namespace vesper::platform
