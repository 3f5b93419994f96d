// The window backend in use.
#include <mutex>

#include "platform/headless_windows.h"
#include "platform/user_state.h"

namespace vesper::platform {

namespace {

struct BackendSlot {
    std::mutex mutex;
    std::shared_ptr<WindowBackend> backend;
};

// Kept alive past static destruction: windows may be released at exit.
BackendSlot& Slot()
{
    static auto* slot = new BackendSlot;
    return *slot;
}

// VESPER_DISPLAY chooses the display: "headless:<w>x<h>x<bits>" (read by the
// display code) or, when unset, the default headless screen. Both use the
// headless window backend.
std::shared_ptr<WindowBackend> BackendFromEnvironment()
{
    return std::make_shared<HeadlessWindowBackend>();
}

}  // namespace

std::shared_ptr<WindowBackend> CurrentWindowBackend()
{
    BackendSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    if (!slot.backend)
        slot.backend = BackendFromEnvironment();
    return slot.backend;
}

void UseWindowBackend(std::shared_ptr<WindowBackend> backend)
{
    {
        BackendSlot& slot = Slot();
        std::lock_guard lock(slot.mutex);
        slot.backend = std::move(backend);
    }
    user::ForgetForeignWindows();
}

}  // namespace vesper::platform
