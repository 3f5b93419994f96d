// vesper-thumbnailer: the file managers' picture of a saver or a scene.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vesper_render/thumbnail.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return vesper::tools::RunThumbnailer(args, std::cout, std::cerr);
}
