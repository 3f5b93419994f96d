#include "platform/drivers/changed_areas.h"

#include <algorithm>
#include <utility>

#include "platform/api/win32_user.h"

namespace vesper::platform {

namespace {

constexpr std::size_t kMostSeparateAreas = 64;

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

long long AreaOf(const RECT& r)
{
    return static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
}

// The pixels that one area over both would take in beyond the two.
long long Growth(const RECT& a, const RECT& b)
{
    RECT both;
    UnionRect(&both, &a, &b);
    return AreaOf(both) - AreaOf(a) - AreaOf(b);
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
    if (m_areas.size() < kMostSeparateAreas) {
        m_areas.push_back(area);
        return first;
    }
    // Too many: the area joins the one that together with it takes in the
    // least that neither covers, and what that joined area covers goes.
    const auto cheapest = std::min_element(m_areas.begin(), m_areas.end(), [&](const RECT& a, const RECT& b) {
        return Growth(a, area) < Growth(b, area);
    });
    RECT joined;
    UnionRect(&joined, &*cheapest, &area);
    m_areas.erase(cheapest);
    std::erase_if(m_areas, [&](const RECT& known) { return Inside(known, joined); });
    m_areas.push_back(joined);
    return first;
}

std::vector<RECT> ChangedAreas::Take()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_areas, {});
}

}  // namespace vesper::platform
