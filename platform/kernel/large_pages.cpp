#include "platform/kernel/large_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vesper::platform {

void AdviseLargePages(void* bytes, std::size_t size)
{
#if defined(MADV_HUGEPAGE)
    const auto start = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t first = (start + kLargePageSize - 1) & ~(kLargePageSize - 1);
    const std::uintptr_t end = (start + size) & ~(kLargePageSize - 1);
    if (!bytes || end <= first)
        return;
    // A refusal (no large pages configured) leaves ordinary pages.
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)bytes;
    (void)size;
#endif
}

bool PrefaultPages(void* bytes, std::size_t size)
{
#if defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPageSize = 4096;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes) & ~(kPageSize - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(bytes) + size;
    return bytes && size > 0 && madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) == 0;
#else
    (void)bytes;
    (void)size;
    return false;
#endif
}

}  // namespace vesper::platform
