// vesper-scene's commands: info (inspect a scene or a packaged saver), new
// (write a sample scene) and pack (append a scene to a player).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vesper::tools {

enum ExitCode : int {
    exitSuccess = 0,
    exitFailure = 1,  // the scene did not load, or a file could not be written
    exitUsage = 2,    // bad arguments, or an input file that cannot be read
};

// Runs one command; args exclude the program name.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vesper::tools
