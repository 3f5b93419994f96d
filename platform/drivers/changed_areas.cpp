#include "platform/drivers/changed_areas.h"

#include <algorithm>
#include <utility>

#include "platform/api/win32_user.h"

namespace vesper::platform {

namespace {

constexpr std::size_t kMostSeparateAreas = 32;

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

bool ChangedAreas::Add(const RECT& area)
{
    if (IsRectEmpty(&area))
        return false;
    std::lock_guard lock(m_mutex);
    if (std::any_of(m_areas.begin(), m_areas.end(), [&](const RECT& known) { return Inside(area, known); }))
        return false;
    const bool first = m_areas.empty();
    std::erase_if(m_areas, [&](const RECT& known) { return Inside(known, area); });
    m_areas.push_back(area);
    if (m_areas.size() > kMostSeparateAreas) {
        RECT bounds = m_areas.front();
        for (const RECT& known : m_areas)
            UnionRect(&bounds, &bounds, &known);
        m_areas.assign(1, bounds);
    }
    return first;
}

std::vector<RECT> ChangedAreas::Take()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_areas, {});
}

}  // namespace vesper::platform
