// The player's process entry. As a hack of a screen saver daemon (--root,
// --window-id) it draws in the daemon's window; otherwise its own options
// come first (help, version), then the run-mode words become the command
// tail that the host would pass and WinMain runs the mode. With --scene FILE,
// in any mode, it plays the scene that FILE holds instead of its own.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/module_path.h"
#include "platform/kernel/translation.h"
#include "platform/drivers/backends.h"
#include "saver/globals.h"
#include "saver/stage_layout.h"
#include "scene/vesper_doc.h"
#include "shell/entry.h"
#include "tools/vesper/hosted_options.h"
#include "tools/vesper/options.h"

namespace {

// "vesper: " and the complaint, on standard error, in the user's language
// (whose typography may want a space before the colon).
void Complain(const std::string& complaint)
{
    std::fputs(vesper::Fill(vesper::Tr("vesper: %s"), {complaint}).c_str(), stderr);
}

// Modes that show windows need a display; without one they would run unseen
// and never end.
bool DisplayMissing()
{
    vesper::platform::CurrentWindowBackend();
    const std::string reason = vesper::platform::DisplayUnavailableReason();
    if (reason.empty())
        return false;
    std::fputs(vesper::Fill(vesper::Tr("vesper: no display could be opened (%s); vesper-render shows a scene without one.\n"),
                    {reason})
                   .c_str(),
               stderr);
    return true;
}

// Modes that draw in another program's window need a display that has such
// windows (X11 has, Wayland has not).
bool ForeignWindowsMissing()
{
    const vesper::platform::BackendEntry* backend = vesper::platform::ChosenBackend();
    if (!backend || backend->foreignWindowsRefusal.empty())
        return false;
    Complain(std::string(vesper::Tr(std::string(backend->foreignWindowsRefusal).c_str())) + ".\n");
    return true;
}

int RunHosted(const HostedRun& run)
{
    // Before the display starts the threads that must not take the signals.
    BlockHostedEndingSignals();
    if (DisplayMissing() || ForeignWindowsMissing())
        return vesper::player::kExitUsage;
    return RunHostedSaver(vesper::platform::ProgramInstance(), run);
}

}  // namespace

int main(int argc, char* argv[])
{
    using namespace vesper::player;
    const std::string_view program = argc > 0 ? argv[0] : "vesper";
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const SceneChoice scene = TakeSceneOption(arguments);
    if (!scene.error.empty()) {
        Complain(scene.error + "\n" + PlayerUsage(program));
        return kExitUsage;
    }
    if (!scene.file.empty())
        ChooseSceneFile(scene.file);

    const HostedOptions hosted = ParseHostedOptions(arguments, std::getenv("XSCREENSAVER_WINDOW"));
    if (hosted.outcome == HostedOptions::Outcome::invalid) {
        Complain(hosted.error + "\n");
        return kExitUsage;
    }
    if (hosted.outcome == HostedOptions::Outcome::hosted)
        return RunHosted(hosted.run);

    const ParsedArguments parsed = ParsePlayerArguments(std::vector<std::string_view>(arguments.begin(), arguments.end()));
    if (!parsed.error.empty()) {
        Complain(parsed.error + "\n" + PlayerUsage(program));
        return kExitUsage;
    }
    if (parsed.request.showHelp) {
        std::fputs(PlayerUsage(program).c_str(), stdout);
        return 0;
    }
    if (parsed.request.showVersion) {
        std::puts(PlayerVersion().c_str());
        return 0;
    }
    g_monitorLayoutOverride = parsed.request.monitors;
    std::string tail = parsed.request.commandTail;
    const RunMode mode = ParseCommandLine(tail.c_str()).mode;
    if (NeedsDisplay(mode) && DisplayMissing())
        return kExitUsage;
    if (mode == RunMode::preview && ForeignWindowsMissing())
        return kExitUsage;
    if (mode == RunMode::save) {
        const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        const std::string refusal =
            FixedScaleRefusal(parsed.request.scale, screen, vesper::Tr("the option \"--scale\""));
        if (!refusal.empty()) {
            Complain(refusal + "\n");
            return kExitUsage;
        }
    }
    g_scaleOverride = parsed.request.scale;
    return WinMain(vesper::platform::ProgramInstance(), nullptr, tail.data(), SW_SHOW);
}
