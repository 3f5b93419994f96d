// The player's process entry: the arguments become the command tail that the
// host would pass (run-mode letter, then a window number for a preview host,
// a native window id in decimal), and WinMain runs the mode. As a hack of a
// screen saver daemon (--root, --window-id) it draws in the daemon's window.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/module_path.h"
#include "platform/sdl_choice.h"
#include "shell/entry.h"
#include "tools/vesper/hosted_options.h"

namespace {

// Modes that show windows need a display; without one they would run unseen
// and never end.
bool DisplayMissing()
{
    vesper::platform::CurrentWindowBackend();
    const std::string reason = vesper::platform::DisplayUnavailableReason();
    if (reason.empty())
        return false;
    std::fprintf(stderr, "vesper: no display could be opened (%s); vesper-render shows a scene without one.\n",
                 reason.c_str());
    return true;
}

int RunHosted(const HostedRun& run)
{
    // Before the display starts the threads that must not take the signals.
    BlockHostedEndingSignals();
    if (DisplayMissing())
        return 2;
    return RunHostedSaver(vesper::platform::ProgramInstance(), run);
}

}  // namespace

int main(int argc, char* argv[])
{
    const HostedOptions hosted =
        ParseHostedOptions(std::vector<std::string>(argv + 1, argv + argc), std::getenv("XSCREENSAVER_WINDOW"));
    if (hosted.outcome == HostedOptions::Outcome::invalid) {
        std::fprintf(stderr, "vesper: %s\n", hosted.error.c_str());
        return 2;
    }
    if (hosted.outcome == HostedOptions::Outcome::hosted)
        return RunHosted(hosted.run);
    std::string tail = CommandTailOf(argc, argv);
    if (NeedsDisplay(ParseCommandLine(tail.c_str()).mode) && DisplayMissing())
        return 2;
    return WinMain(vesper::platform::ProgramInstance(), nullptr, tail.data(), SW_SHOW);
}
