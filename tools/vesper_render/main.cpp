// vesper-render: plays a scene on a headless stage and writes its frames.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vesper_render/render_run.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return vesper::tools::RunRenderTool(args, std::cout, std::cerr);
}
