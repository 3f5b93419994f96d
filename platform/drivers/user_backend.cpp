// The window backend in use.
#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/drivers/backends.h"
#include "platform/user/user_state.h"

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

// VESPER_DISPLAY chooses the backend from the table as it chooses the
// display; the backend brings its message box and password prompt.
std::shared_ptr<WindowBackend> BackendFromEnvironment()
{
    const BackendEntry& entry = *ChooseBackend(std::getenv("VESPER_DISPLAY")).entry;
    InstallBackendServices(entry);
    return entry.makeWindowBackend();
}

// A backend with a pointer of its own tells where the layer's cursor starts,
// so that the first pointer motion is not taken for a jump from (0, 0).
void StartCursorAtPointer(WindowBackend& backend)
{
    const std::optional<POINT> pointer = backend.PointerPosition();
    if (!pointer)
        return;
    const SIZE screen = user::ScreenSize();
    user::Lock lock = user::LockState();
    POINT& cursor = user::GetState().cursor;
    cursor.x = std::clamp<LONG>(pointer->x, 0, std::max<LONG>(screen.cx - 1, 0));
    cursor.y = std::clamp<LONG>(pointer->y, 0, std::max<LONG>(screen.cy - 1, 0));
}

}  // namespace

std::shared_ptr<WindowBackend> CurrentWindowBackend()
{
    std::shared_ptr<WindowBackend> made;
    {
        BackendSlot& slot = Slot();
        std::lock_guard lock(slot.mutex);
        if (slot.backend)
            return slot.backend;
        slot.backend = BackendFromEnvironment();
        made = slot.backend;
    }
    StartCursorAtPointer(*made);
    return made;
}

void UseWindowBackend(std::shared_ptr<WindowBackend> backend)
{
    const std::shared_ptr<WindowBackend> adopted = backend;
    {
        BackendSlot& slot = Slot();
        std::lock_guard lock(slot.mutex);
        slot.backend = std::move(backend);
    }
    user::ForgetForeignWindows();
    if (adopted)
        StartCursorAtPointer(*adopted);
}

void RefreshForeignWindows()
{
    user::ForgetForeignWindows();
}

}  // namespace vesper::platform
