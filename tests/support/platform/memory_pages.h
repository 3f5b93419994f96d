// What the system says of a process's memory pages: whether it hands out
// large pages when asked, and how much of each mapping they back.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesper::test {

// Whether the transparent large page setting in that file
// (/sys/kernel/mm/transparent_hugepage/enabled or .../shmem_enabled) grants
// large pages to memory that asks for them; false when it cannot be read.
bool LargePagesGrantedOnRequest(const std::string& settingFile);

// One mapping of a process, as its smaps file describes it.
struct Mapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    // The file or name mapped ("/SYSV00000000 (deleted)"); empty for none.
    std::string path;
    // The "Name: N kB" lines: "Size", "AnonHugePages", "ShmemPmdMapped", ...
    std::map<std::string, long> kilobytes;

    bool Holds(const void* address) const
    {
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        return start <= at && at < end;
    }
};

// The mappings an smaps file ("/proc/self/smaps", "/proc/PID/smaps") lists;
// none when it cannot be read.
std::vector<Mapping> ReadMappings(const std::string& smapsFile);

}  // namespace vesper::test
