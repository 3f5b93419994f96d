// Where the compositor's outputs lie on the Wayland backend's screen. The
// screen is one picture in device pixels, and each output gets a place on it
// the size of its own pixels (a 1280 x 720 output at scale 2 takes 2560 x
// 1440), side by side in the compositor's order from left to right: the
// compositor's own layout is in logical units, which do not add up to device
// pixels when outputs have different scales. An output keeps its place while
// it exists; one that arrives later takes the first free place it fits in.
// Also the pointer's positions as the layer sees them.
#pragma once

#include "platform/internal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/api/win32_types.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::wayland {

// An output as the compositor describes it.
struct OutputInfo {
    // The compositor's global name for it.
    std::uint32_t id = 0;
    std::string name;
    // Its top left corner in the compositor's logical layout.
    POINT logical{0, 0};
    // Its size in device pixels, as shown (turned by its transform).
    SIZE pixels{0, 0};
    // The whole-number scale the compositor states for it.
    int scale = 1;
};

struct PlacedOutput {
    std::uint32_t id = 0;
    RECT area{0, 0, 0, 0};
    int scale = 1;
    bool primary = false;
};

// Room for an output larger than any at the start to arrive during a run.
inline constexpr SIZE kRoomForAnotherOutput{3840, 2160};

// The screen's size for the outputs there at the start: their widths side by
// side plus room for one more output, and the tallest height (or that room's).
SIZE ScreenSizeFor(const std::vector<OutputInfo>& outputs);

class OutputLayout {
public:
    explicit OutputLayout(SIZE screen) : m_screen(screen) {}

    // Takes the outputs that exist now: those known keep their places unless
    // their size changed, the others are placed in order of their logical
    // position. The primary output is the one leftmost in the compositor's
    // layout (the top one among equals).
    void Update(const std::vector<OutputInfo>& outputs);

    const std::vector<PlacedOutput>& Outputs() const { return m_placed; }
    const PlacedOutput* Find(std::uint32_t id) const;
    // The output that holds the point, or else the one nearest to it.
    const PlacedOutput* At(POINT point) const;
    std::vector<MonitorArea> Monitors() const;

private:
    // The first place from the left where an output of the size fits beside
    // those placed, at the top of the screen; past the rightmost one when no
    // gap will do.
    LONG FreePlace(SIZE size) const;

    SIZE m_screen;
    std::vector<PlacedOutput> m_placed;
};

// The pointer as the layer sees it. A Wayland client learns where the
// pointer is only when it enters one of its surfaces; that first position is
// taken to be where the layer's cursor already is (so a saver that appears
// under a still pointer does not take its appearing for a move), and
// positions follow from there until the pointer has moved further than
// `settleDistance` (|dx| + |dy|) from where it was found: from then on they
// are the true ones, a jump the layer sees as the move it is.
class PointerPlace {
public:
    explicit PointerPlace(int settleDistance) : m_settle(settleDistance) {}

    // Where the layer's cursor is (moved by the layer, or as last reported).
    POINT Cursor() const { return m_cursor; }
    void MoveCursor(POINT cursor) { m_cursor = cursor; }
    // A position on the screen from the compositor; returns where the layer's
    // cursor goes.
    POINT Report(POINT position);
    // From now on positions are the true ones (a button was pressed: the
    // press belongs where the pointer is).
    void Settle() { m_offset = POINT{0, 0}; }

private:
    int m_settle;
    POINT m_cursor{0, 0};
    std::optional<POINT> m_found;
    POINT m_offset{0, 0};
};

}  // namespace vesper::platform::wayland
