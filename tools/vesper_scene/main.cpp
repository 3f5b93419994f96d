// vesper-scene: inspects and makes scenes and packaged screen savers.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vesper_scene/command_line.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return vesper::tools::RunTool(args, std::cout, std::cerr);
}
