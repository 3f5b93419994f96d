// The areas of a backend's screen picture written since a presenter last
// took them, none repeated: an area inside another is dropped, and past a few
// dozen a new area joins the one nearest it (the one whose joint box takes in
// the fewest pixels that neither covers), where one larger copy costs less
// than the bookkeeping. Safe to use from any thread.
#pragma once

#include "platform/internal.h"

#include <mutex>
#include <vector>

#include "platform/api/win32_types.h"

namespace vesper::platform {

class ChangedAreas {
public:
    // Records a written area; true when it is the first since the areas were
    // last taken (the presenter is to be told). Empty areas are ignored.
    bool Add(const RECT& area);
    std::vector<RECT> Take();

private:
    std::mutex m_mutex;
    std::vector<RECT> m_areas;
};

}  // namespace vesper::platform
