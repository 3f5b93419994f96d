#include "tests/support/platform/memory_pages.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vesper::test {

bool LargePagesGrantedOnRequest(const std::string& settingFile)
{
    std::ifstream setting(settingFile);
    std::string text;
    std::getline(setting, text);
    // The chosen value is the bracketed one.
    for (const char* granting : {"[always]", "[madvise]", "[advise]", "[within_size]", "[force]"})
        if (text.find(granting) != std::string::npos)
            return true;
    return false;
}

std::vector<Mapping> ReadMappings(const std::string& smapsFile)
{
    std::ifstream smaps(smapsFile);
    std::vector<Mapping> mappings;
    std::string line;
    while (std::getline(smaps, line)) {
        // A mapping's first line: "start-end perms offset dev inode [path]";
        // the lines after it: "Name:   N kB" (and a few without kB).
        std::uintmax_t start = 0;
        std::uintmax_t end = 0;
        int pathAt = 0;
        if (std::sscanf(line.c_str(), "%jx-%jx %*s %*s %*s %*s %n", &start, &end, &pathAt) == 2 && pathAt > 0) {
            mappings.push_back(Mapping{start, end, line.substr(static_cast<std::size_t>(pathAt)), {}});
            continue;
        }
        std::istringstream fields(line);
        std::string name;
        long kilobytes = 0;
        std::string unit;
        if (!mappings.empty() && fields >> name >> kilobytes >> unit && unit == "kB" && name.back() == ':')
            mappings.back().kilobytes[name.substr(0, name.size() - 1)] = kilobytes;
    }
    return mappings;
}

}  // namespace vesper::test
