// The player's process entry: the arguments become the command tail that the
// host would pass (run-mode letter, then a window number for a preview host,
// a native window id in decimal), and WinMain runs the mode.
#include <cstdio>
#include <string>

#include "platform/kernel/module_path.h"
#include "platform/drivers/sdl/sdl_choice.h"
#include "shell/entry.h"

namespace {

// Modes that show windows need a display; without one they would run unseen
// and never end.
bool DisplayMissingFor(const std::string& tail)
{
    if (!NeedsDisplay(ParseCommandLine(tail.c_str()).mode))
        return false;
    vesper::platform::CurrentWindowBackend();
    const std::string reason = vesper::platform::DisplayUnavailableReason();
    if (reason.empty())
        return false;
    std::fprintf(stderr, "vesper: no display could be opened (%s); vesper-render shows a scene without one.\n",
                 reason.c_str());
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::string tail = CommandTailOf(argc, argv);
    if (DisplayMissingFor(tail))
        return 2;
    return WinMain(vesper::platform::ProgramInstance(), nullptr, tail.data(), SW_SHOW);
}
