// The backends the program can run on, in the order they are tried when
// VESPER_DISPLAY is unset, and the choice of one: the only place that names
// a backend. An entry says whether its backend can run, makes its display
// and window backend, and brings the message box and password prompt that go
// with them; starting a backend from the table installs all of them.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/drivers/display.h"
#include "platform/drivers/window_backend.h"
#include "platform/password/password_prompt.h"
#include "platform/user/message_box.h"

namespace vesper::platform {

struct BackendEntry {
    // How VESPER_DISPLAY names it: the whole value ("sdl") or the value's
    // start before a colon ("headless:640x480x8").
    std::string_view name;
    // Why it cannot run, empty when it can. `named` tells whether
    // VESPER_DISPLAY asked for it; unasked, a backend may want more (SDL a
    // display server named in the environment).
    std::string (*unavailableReason)(bool named);
    // Its display, from the VESPER_DISPLAY value that named it (empty when
    // it was chosen without one).
    std::unique_ptr<Display> (*makeDisplay)(std::string_view setting);
    std::shared_ptr<WindowBackend> (*makeWindowBackend)();
    BackendMessageBox showMessageBox;
    PasswordPrompt& (*passwordPrompt)();
    // Why its windows cannot be children of another program's window (a
    // preview's host, a screen saver daemon's window); empty when they can.
    std::string_view foreignWindowsRefusal = {};
};

// The table. Its last entry runs everywhere and also reads the values that
// name no entry (refusing them with a warning).
std::span<const BackendEntry> Backends();

// The entry a VESPER_DISPLAY value names; null when the value is unset or
// empty.
const BackendEntry* BackendNamed(const char* setting);

struct BackendChoice {
    const BackendEntry* entry;
    // What its display is made from: the value when it named the entry.
    std::string_view setting;
};
// The backend to run on for a VESPER_DISPLAY value (null when unset): the
// one it names when that can run, else the first that can, ending with the
// last entry. Records why a backend asked for (or found by trying) could not
// run, for DisplayUnavailableReason.
BackendChoice ChooseBackend(const char* setting);

// The entry the last ChooseBackend chose; null before the first.
const BackendEntry* ChosenBackend();

// Why the program runs on the last entry although it did not ask for that;
// empty when it asked or another backend runs.
std::string DisplayUnavailableReason();

// Installs the entry's message box and password prompt (called when its
// window backend is made).
void InstallBackendServices(const BackendEntry& entry);

// Makes the named backend's display and window backend current, with its
// message box and password prompt, whatever the environment says; false
// (changing nothing) for an unknown name or a backend that cannot run.
bool UseBackend(std::string_view name);

// Makes current the backend that runs everywhere (the table's last entry) on
// a screen of `mode` that only memory holds, with its password prompt and
// message boxes written to standard error: for tools that draw or measure
// without showing anything.
void UseOffscreenBackend(const DisplayMode& mode);

}  // namespace vesper::platform
