// The options of the player as a hack of a screen saver daemon: --root,
// --window-id ID (also spelled -root, -window-id, as older hosts pass them),
// --speed N, --scale auto|K, and the daemon's XSCREENSAVER_WINDOW variable.
#pragma once

#include <string>
#include <vector>

#include "shell/hosted_saver.h"

struct HostedOptions {
    enum class Outcome {
        notHosted,  // none of the hosted options: the run-mode letters count
        hosted,     // run: what to draw in and at which speed
        invalid,    // error: what is wrong
    };
    Outcome outcome = Outcome::notHosted;
    HostedRun run;
    std::string error;
};

// Reads the arguments after the program name. `xscreensaverWindow` is the
// value of XSCREENSAVER_WINDOW (null when unset): a window number in
// hexadecimal that wins over --root; an explicit --window-id wins over it.
HostedOptions ParseHostedOptions(const std::vector<std::string>& args, const char* xscreensaverWindow);
