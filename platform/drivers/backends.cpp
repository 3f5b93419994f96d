#include "platform/drivers/backends.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/headless/headless_windows.h"
#include "platform/kernel/translation.h"
#ifdef __EMSCRIPTEN__
#include "platform/drivers/web/web_backend.h"
#else
#include "platform/drivers/sdl/sdl_backend.h"
#include "platform/drivers/sdl/sdl_message_box.h"
#include "platform/drivers/wayland/wayland_backend.h"
#endif

namespace vesper::platform {

namespace {

std::shared_ptr<WindowBackend> MakeHeadlessWindowBackend()
{
    return std::make_shared<HeadlessWindowBackend>();
}

// A program built for the browser has the page's canvas where a native one
// has SDL.
#ifndef __EMSCRIPTEN__
// SDL on X11 alone, whatever else the session offers (Xwayland on a Wayland
// session): asked for by name only.
std::string X11UnavailableReason(bool named)
{
    if (!named)
        return "the X11 backend runs only when VESPER_DISPLAY asks for it";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    return sdl::UnavailableReason(true);
}
#endif

#ifdef __EMSCRIPTEN__
constexpr std::size_t kBackendCount = 2;
#else
constexpr std::size_t kBackendCount = 4;
#endif

const std::array<BackendEntry, kBackendCount> kBackends{{
#ifdef __EMSCRIPTEN__
    {
        .name = "web",
        .unavailableReason = web::UnavailableReason,
        .makeDisplay = web::MakeDisplay,
        .makeWindowBackend = MakeHeadlessWindowBackend,
        .showMessageBox = web::ShowMessageBox,
        .passwordPrompt = DialogPasswordPrompt,
    },
#else
    // A Wayland session gets native surfaces; X11 (and Xwayland) gets SDL.
    {
        .name = "wayland",
        .unavailableReason = wayland::UnavailableReason,
        .makeDisplay = wayland::MakeDisplay,
        .makeWindowBackend = wayland::MakeWindowBackend,
        .showMessageBox = [](const MessageBoxRequest& request) {
            return ShowMessageBoxDialog(request, WriteMessageBoxToStandardError);
        },
        .passwordPrompt = DialogPasswordPrompt,
        .foreignWindowsRefusal = N_("a Wayland session has no other program's window to draw in: the preview (/p) and a "
                                 "screen saver daemon's window (--root, --window-id) are X11 things; run them in an "
                                 "X11 session, or under Xwayland with VESPER_DISPLAY=x11"),
    },
    {
        .name = "sdl",
        .unavailableReason = sdl::UnavailableReason,
        .makeDisplay = sdl::MakeDisplay,
        .makeWindowBackend = sdl::MakeWindowBackend,
        // SDL's own box only where no dialog can be shown.
        .showMessageBox = [](const MessageBoxRequest& request) {
            return ShowMessageBoxDialog(request, sdl::ShowMessageBox);
        },
        .passwordPrompt = DialogPasswordPrompt,
    },
    {
        .name = "x11",
        .unavailableReason = X11UnavailableReason,
        .makeDisplay = sdl::MakeDisplay,
        .makeWindowBackend = sdl::MakeWindowBackend,
        .showMessageBox = [](const MessageBoxRequest& request) {
            return ShowMessageBoxDialog(request, sdl::ShowMessageBox);
        },
        .passwordPrompt = DialogPasswordPrompt,
    },
#endif
    {
        .name = "headless",
        .unavailableReason = [](bool) { return std::string(); },
        .makeDisplay = MakeHeadlessDisplay,
        .makeWindowBackend = MakeHeadlessWindowBackend,
        .showMessageBox = [](const MessageBoxRequest& request) {
            return ShowMessageBoxDialog(request, WriteMessageBoxToStandardError);
        },
        .passwordPrompt = DialogPasswordPrompt,
    },
}};

struct Reason {
    std::mutex mutex;
    std::string text;
};

Reason& UnavailableReason()
{
    static auto* reason = new Reason;
    return *reason;
}

std::atomic<const BackendEntry*>& Chosen()
{
    static std::atomic<const BackendEntry*> chosen{nullptr};
    return chosen;
}

const BackendChoice& Choose(const BackendChoice& choice)
{
    Chosen() = choice.entry;
    return choice;
}

void RecordReason(std::string text)
{
    std::lock_guard lock(UnavailableReason().mutex);
    UnavailableReason().text = std::move(text);
}

bool Names(std::string_view setting, std::string_view name)
{
    return setting.starts_with(name) && (setting.size() == name.size() || setting[name.size()] == ':');
}

const BackendEntry* FindByName(std::string_view name)
{
    for (const BackendEntry& entry : kBackends)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

}  // namespace

std::span<const BackendEntry> Backends()
{
    return kBackends;
}

const BackendEntry* BackendNamed(const char* setting)
{
    if (!setting || !*setting)
        return nullptr;
    for (const BackendEntry& entry : kBackends)
        if (Names(setting, entry.name))
            return &entry;
    return &kBackends.back();
}

BackendChoice ChooseBackend(const char* setting)
{
    if (const BackendEntry* named = BackendNamed(setting)) {
        std::string reason = named->unavailableReason(true);
        const bool runs = reason.empty();
        RecordReason(std::move(reason));
        return Choose(runs ? BackendChoice{named, setting} : BackendChoice{&kBackends.back(), {}});
    }
    std::string firstReason;
    for (const BackendEntry& entry : kBackends) {
        std::string reason = entry.unavailableReason(false);
        if (reason.empty()) {
            // Why no display runs matters only when the last resort, the
            // headless entry, is what runs.
            RecordReason(&entry == &kBackends.back() ? std::move(firstReason) : std::string());
            return Choose({&entry, {}});
        }
        if (firstReason.empty())
            firstReason = std::move(reason);
    }
    RecordReason(std::move(firstReason));
    return Choose({&kBackends.back(), {}});
}

const BackendEntry* ChosenBackend()
{
    return Chosen();
}

std::string DisplayUnavailableReason()
{
    std::lock_guard lock(UnavailableReason().mutex);
    return UnavailableReason().text;
}

void InstallBackendServices(const BackendEntry& entry)
{
    SetBackendMessageBox(entry.showMessageBox);
    SetBackendPasswordPrompt(entry.passwordPrompt());
}

bool UseBackend(std::string_view name)
{
    const BackendEntry* entry = FindByName(name);
    if (!entry || !entry->unavailableReason(true).empty())
        return false;
    UseDisplay(entry->makeDisplay({}));
    UseWindowBackend(entry->makeWindowBackend());
    InstallBackendServices(*entry);
    return true;
}

void UseOffscreenBackend(const DisplayMode& mode)
{
    const BackendEntry& everywhere = kBackends.back();
    UseHeadlessDisplay(mode);
    UseWindowBackend(everywhere.makeWindowBackend());
    InstallBackendServices(everywhere);
    // Nobody sees that screen, so nobody could answer a box on it.
    SetBackendMessageBox(WriteMessageBoxToStandardError);
}

}  // namespace vesper::platform
