// The player's process entry: the arguments become the command tail that the
// host would pass (run-mode letter, then a window number for a preview host,
// a native window id in decimal), and WinMain runs the mode.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/module_path.h"
#include "platform/sdl_choice.h"
#include "scene/vesper_doc.h"
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
    // --scene FILE: play the scene that FILE holds instead of the program's own.
    std::vector<char*> args(argv, argv + argc);
    for (auto at = args.begin() + 1; at != args.end(); ++at) {
        if (std::string_view(*at) != "--scene")
            continue;
        if (at + 1 == args.end()) {
            std::fprintf(stderr, "vesper: --scene needs a FILE\n");
            return 2;
        }
        ChooseSceneFile(std::string(at[1]));
        args.erase(at, at + 2);
        break;
    }
    std::string tail = CommandTailOf(static_cast<int>(args.size()), args.data());
    if (DisplayMissingFor(tail))
        return 2;
    return WinMain(vesper::platform::ProgramInstance(), nullptr, tail.data(), SW_SHOW);
}
