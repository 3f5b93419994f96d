// The hardware palette of a 256-colour display and the realisation of logical
// palettes into it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/api/win32_types.h"

namespace vesper::platform {

inline constexpr int kSystemPaletteSize = 256;
inline constexpr int kStaticColourCount = 20;
// The static colours occupy the first and the last ten entries.
inline constexpr int kStaticColoursAtEachEnd = kStaticColourCount / 2;

// The twenty static colours in the order of the stock default palette: system
// entries 0-9, then 246-255. Flags are 0.
const std::array<PALETTEENTRY, kStaticColourCount>& StaticColours();

// What a realisation produced: for each logical entry, the system entry its
// colour is shown with; and how many system entries changed colour.
struct Realisation {
    std::vector<BYTE> toSystem;
    UINT changedEntries = 0;
};

class SystemPalette {
public:
    SystemPalette();

    const std::array<PALETTEENTRY, kSystemPaletteSize>& Entries() const { return m_entries; }

    // SYSPAL_STATIC keeps all twenty static colours, SYSPAL_NOSTATIC only black
    // (entry 0) and white (entry 255), SYSPAL_NOSTATIC256 none. Returning to
    // SYSPAL_STATIC writes the static colours back. Returns the previous use,
    // or SYSPAL_ERROR for an unknown value (nothing changes then).
    UINT SetUse(UINT use);
    UINT Use() const { return m_use; }
    bool IsStatic(int index) const;

    // Foreground: every non-static entry is up for grabs. Entries flagged
    // PC_EXPLICIT name a system entry in their low word; PC_NOCOLLAPSE and
    // PC_RESERVED entries each get a free entry of their own, in order, from
    // the lowest free index (PC_RESERVED ones are then left out of colour
    // matching, since their owner animates them); other entries reuse a system
    // entry that already shows their exact colour or take the next free one.
    // When the free entries run out, the rest map to the nearest colour.
    // Realising the same palette twice changes nothing the second time.
    Realisation RealizeForeground(std::span<const PALETTEENTRY> logical);
    // Background: no system entry changes; every logical entry maps to the
    // nearest colour already present.
    Realisation RealizeBackground(std::span<const PALETTEENTRY> logical) const;

    // The entry closest to the colour (squared RGB distance, lowest index on a
    // tie), never one reserved for animation.
    BYTE Nearest(BYTE red, BYTE green, BYTE blue) const;

    // Increases whenever an entry changes colour.
    std::uint64_t Generation() const { return m_generation; }

private:
    static BYTE ExplicitIndex(const PALETTEENTRY& entry);
    UINT WriteEntry(int index, const PALETTEENTRY& colour);
    UINT WriteStaticColours();

    std::array<PALETTEENTRY, kSystemPaletteSize> m_entries{};
    std::array<bool, kSystemPaletteSize> m_reserved{};
    UINT m_use;
    std::uint64_t m_generation = 0;
};

}  // namespace vesper::platform
