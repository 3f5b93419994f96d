// The player's own command line on Linux. Words that begin with "--" are
// options of this program (and "-h" and "/?" ask for help); every other word
// belongs to the command tail that the host would pass (run-mode letter, then
// a window number), handed to WinMain as it stands.
//
// Each option is one row of the option table (kOptions): its name, the name of
// its value (none for a flag), its line of help and what it sets.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saver/monitor_setting.h"
#include "stage/pixel_scale.h"

namespace vesper::player {

// What the command line asks for.
struct PlayerRequest {
    bool showHelp = false;
    bool showVersion = false;
    // --monitors: how full-screen saving covers the monitors, for this run.
    std::optional<MonitorLayout> monitors;
    // The run-mode words, joined by single blanks.
    std::string commandTail;
    // --scale for full-screen saving; none: the settings file's.
    std::optional<ScaleChoice> scale;
};

struct ParsedArguments {
    PlayerRequest request;
    // Empty when the arguments are sound; otherwise the one-line complaint.
    std::string error;
};

// --scene FILE (or --scene=FILE), which goes with every run mode and with the
// hosted options: the file whose scene to play instead of the program's own.
struct SceneChoice {
    std::string file;   // empty: the program's own scene
    std::string error;  // the one-line complaint, if any
};

// Finds --scene among the arguments and removes it (and its value) from them.
SceneChoice TakeSceneOption(std::vector<std::string>& arguments);

// Reads the arguments after the program name.
ParsedArguments ParsePlayerArguments(const std::vector<std::string_view>& arguments);

// The usage text: the run modes and the options, one per line.
std::string PlayerUsage(std::string_view program);
std::string PlayerVersion();

// Exit codes of the command line itself (the run modes have their own).
inline constexpr int kExitUsage = 2;

}  // namespace vesper::player
