// vesper-scene's commands: info (inspect a scene or a packaged saver), build
// (a scene from its JSON description and pictures), dump (a scene back into
// a description and pictures), pack (a player and a scene into a saver) and
// new (a small sample scene).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vesper::tools {

enum ExitCode : int {
    exitSuccess = 0,
    exitFailure = 1,  // the input was refused, a scene did not load, or a file could not be written
    exitUsage = 2,    // bad arguments, or an input file that cannot be read
};

// Runs one command; args exclude the program name.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vesper::tools
