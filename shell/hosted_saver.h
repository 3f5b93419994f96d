// The saver as a hack of a screen saver daemon (xscreensaver): it draws into
// a window that another program owns, takes no input, and ends when told to
// by a signal, when that window goes away or when the X connection breaks.
#pragma once

#include <signal.h>

#include <cstdint>
#include <optional>

#include "platform/win32.h"
#include "stage/pixel_scale.h"

struct HostedRun {
    // The X window to draw in; 0: the screen's root window.
    std::uintptr_t window = 0;
    // The speed for this run, 1 to 100; 0: the settings file's.
    int speed = 0;
    // The whole-pixel scale for this run; none: the settings file's.
    std::optional<ScaleChoice> scale;
};

// A fixed scale too large for the host window (refused like a bad option).
inline constexpr int kExitScaleTooLarge = 2;

// The signals that end a hosted run (the daemon sends SIGTERM when the user
// comes back; SIGINT and SIGHUP from a terminal).
sigset_t HostedEndingSignals();

// Blocks the ending signals in the calling thread and in every thread it
// starts afterwards, so that they wait for the run to take them. Called
// first thing, before any thread exists.
void BlockHostedEndingSignals();

// Draws the saver's scene into the run's window until a signal ends it (exit
// code 0) or the window is destroyed (0); when the window changes size the
// stage is built again at the new size. 1 when there is no such window or the
// scene cannot be shown, 2 when a fixed scale leaves no stage in a window
// that would be scaled, with a line on standard error.
int RunHostedSaver(HINSTANCE instance, const HostedRun& run);
