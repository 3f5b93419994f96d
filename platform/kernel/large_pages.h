// Large pictures (the screen, full-screen frames) are copied in scattered
// rectangles, one short row at a time; each row of a 4 KiB-paged picture
// lies on a page of its own, so every row costs a TLB miss. Backing them with
// 2 MiB pages, where the system allows, removes most of those misses.
#pragma once

#include "platform/internal.h"

#include <cstddef>

namespace vesper::platform {

// Blocks at least this large are worth backing with large pages.
inline constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

// Asks the system to back the whole large pages inside [bytes, bytes + size)
// with large pages. Only a hint: nothing changes for smaller blocks or where
// the system has no such pages. Best called before the block is first touched.
void AdviseLargePages(void* bytes, std::size_t size);

// Makes every page of [bytes, bytes + size) present and writable now, in one
// request, instead of one fault at a time when the block is first written
// (tens of milliseconds for a screen-sized block). Only a hint: systems
// without the request leave the faults for later (the result is false). The
// contents stay as they are (zero for fresh memory).
bool PrefaultPages(void* bytes, std::size_t size);

}  // namespace vesper::platform
