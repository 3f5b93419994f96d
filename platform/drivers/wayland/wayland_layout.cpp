#include "platform/drivers/wayland/wayland_layout.h"

#include <algorithm>
#include <cstdlib>

namespace vesper::platform::wayland {

namespace {

bool LogicallyBefore(const OutputInfo& a, const OutputInfo& b)
{
    if (a.logical.x != b.logical.x)
        return a.logical.x < b.logical.x;
    if (a.logical.y != b.logical.y)
        return a.logical.y < b.logical.y;
    return a.id < b.id;
}

LONG Width(const RECT& area)
{
    return area.right - area.left;
}

LONG Height(const RECT& area)
{
    return area.bottom - area.top;
}

}  // namespace

SIZE ScreenSizeFor(const std::vector<OutputInfo>& outputs)
{
    SIZE size{kRoomForAnotherOutput.cx, kRoomForAnotherOutput.cy};
    LONG widest = 0;
    for (const OutputInfo& output : outputs) {
        size.cx += output.pixels.cx;
        widest = std::max(widest, output.pixels.cx);
        size.cy = std::max(size.cy, output.pixels.cy);
    }
    // Room for one more of the widest, when that is wider than the room kept.
    size.cx += std::max<LONG>(widest - kRoomForAnotherOutput.cx, 0);
    return size;
}

void OutputLayout::Update(const std::vector<OutputInfo>& outputs)
{
    std::vector<OutputInfo> ordered = outputs;
    std::ranges::sort(ordered, LogicallyBefore);
    std::vector<PlacedOutput> kept;
    for (const OutputInfo& output : ordered)
        if (const PlacedOutput* known = Find(output.id);
            known && Width(known->area) == output.pixels.cx && Height(known->area) == output.pixels.cy) {
            kept.push_back(*known);
            kept.back().scale = output.scale;
        }
    m_placed = std::move(kept);
    for (const OutputInfo& output : ordered) {
        if (std::ranges::any_of(m_placed, [&](const PlacedOutput& placed) { return placed.id == output.id; }))
            continue;
        const LONG left = FreePlace(output.pixels);
        m_placed.push_back({output.id, RECT{left, 0, left + output.pixels.cx, output.pixels.cy}, output.scale, false});
    }
    // In the compositor's order, so that the primary one comes first.
    std::vector<PlacedOutput> inOrder;
    for (const OutputInfo& output : ordered)
        inOrder.push_back(*Find(output.id));
    m_placed = std::move(inOrder);
    if (!m_placed.empty())
        m_placed.front().primary = true;
}

LONG OutputLayout::FreePlace(SIZE size) const
{
    std::vector<RECT> taken;
    for (const PlacedOutput& placed : m_placed)
        taken.push_back(placed.area);
    std::ranges::sort(taken, {}, &RECT::left);
    LONG left = 0;
    for (const RECT& area : taken) {
        if (area.left - left >= size.cx)
            return left;
        left = std::max(left, area.right);
    }
    return left;
}

const PlacedOutput* OutputLayout::Find(std::uint32_t id) const
{
    const auto found = std::ranges::find(m_placed, id, &PlacedOutput::id);
    return found == m_placed.end() ? nullptr : &*found;
}

const PlacedOutput* OutputLayout::At(POINT point) const
{
    const PlacedOutput* nearest = nullptr;
    long nearestDistance = 0;
    for (const PlacedOutput& placed : m_placed) {
        const LONG dx = point.x < placed.area.left ? placed.area.left - point.x
                        : point.x >= placed.area.right ? point.x - placed.area.right + 1 : 0;
        const LONG dy = point.y < placed.area.top ? placed.area.top - point.y
                        : point.y >= placed.area.bottom ? point.y - placed.area.bottom + 1 : 0;
        const long distance = static_cast<long>(dx) + dy;
        if (!nearest || distance < nearestDistance) {
            nearest = &placed;
            nearestDistance = distance;
        }
    }
    return nearest;
}

std::vector<MonitorArea> OutputLayout::Monitors() const
{
    std::vector<MonitorArea> monitors;
    for (const PlacedOutput& placed : m_placed)
        monitors.push_back({placed.area, placed.primary, placed.scale});
    return monitors;
}

POINT PointerPlace::Report(POINT position)
{
    if (!m_found) {
        m_found = position;
        m_offset = POINT{m_cursor.x - position.x, m_cursor.y - position.y};
    } else if (m_offset.x != 0 || m_offset.y != 0) {
        const long moved = std::labs(position.x - m_found->x) + std::labs(position.y - m_found->y);
        if (moved > m_settle)
            m_offset = POINT{0, 0};
    }
    m_cursor = POINT{position.x + m_offset.x, position.y + m_offset.y};
    return m_cursor;
}

}  // namespace vesper::platform::wayland
