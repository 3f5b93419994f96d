#include "platform/gdi/display_palette.h"

#include <limits>

#include "platform/api/win32_gdi.h"

namespace vesper::platform {

namespace {

constexpr PALETTEENTRY Colour(BYTE red, BYTE green, BYTE blue) { return PALETTEENTRY{red, green, blue, 0}; }

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

// Position in the system palette of static colour i (0-19).
int StaticColourSlot(int i)
{
    return i < kStaticColoursAtEachEnd ? i : kSystemPaletteSize - kStaticColourCount + i;
}

constexpr int kNone = -1;

}  // namespace

const std::array<PALETTEENTRY, kStaticColourCount>& StaticColours()
{
    static constexpr std::array<PALETTEENTRY, kStaticColourCount> colours = {
        Colour(0x00, 0x00, 0x00), Colour(0x80, 0x00, 0x00), Colour(0x00, 0x80, 0x00), Colour(0x80, 0x80, 0x00),
        Colour(0x00, 0x00, 0x80), Colour(0x80, 0x00, 0x80), Colour(0x00, 0x80, 0x80), Colour(0xC0, 0xC0, 0xC0),
        Colour(0xC0, 0xDC, 0xC0), Colour(0xA4, 0xC8, 0xF0), Colour(0xFF, 0xFB, 0xF0), Colour(0xA0, 0xA0, 0xA4),
        Colour(0x80, 0x80, 0x80), Colour(0xFF, 0x00, 0x00), Colour(0x00, 0xFF, 0x00), Colour(0xFF, 0xFF, 0x00),
        Colour(0x00, 0x00, 0xFF), Colour(0xFF, 0x00, 0xFF), Colour(0x00, 0xFF, 0xFF), Colour(0xFF, 0xFF, 0xFF),
    };
    return colours;
}

SystemPalette::SystemPalette() : m_use(SYSPAL_STATIC)
{
    WriteStaticColours();
    m_generation = 0;
}

bool SystemPalette::IsStatic(int index) const
{
    switch (m_use) {
    case SYSPAL_STATIC:
        return index < kStaticColoursAtEachEnd || index >= kSystemPaletteSize - kStaticColoursAtEachEnd;
    case SYSPAL_NOSTATIC:
        return index == 0 || index == kSystemPaletteSize - 1;
    default:
        return false;
    }
}

UINT SystemPalette::WriteEntry(int index, const PALETTEENTRY& colour)
{
    PALETTEENTRY& entry = m_entries[index];
    if (SameColour(entry, colour))
        return 0;
    entry = Colour(colour.peRed, colour.peGreen, colour.peBlue);
    ++m_generation;
    return 1;
}

UINT SystemPalette::WriteStaticColours()
{
    UINT changed = 0;
    for (int i = 0; i < kStaticColourCount; ++i) {
        const int slot = StaticColourSlot(i);
        if (IsStatic(slot))
            changed += WriteEntry(slot, StaticColours()[i]);
    }
    return changed;
}

UINT SystemPalette::SetUse(UINT use)
{
    if (use != SYSPAL_STATIC && use != SYSPAL_NOSTATIC && use != SYSPAL_NOSTATIC256)
        return SYSPAL_ERROR;
    const UINT previous = m_use;
    m_use = use;
    WriteStaticColours();
    return previous;
}

BYTE SystemPalette::ExplicitIndex(const PALETTEENTRY& entry)
{
    // The low word names a hardware entry; on a 256-entry palette only its
    // low byte can name one.
    return entry.peRed;
}

BYTE SystemPalette::Nearest(BYTE red, BYTE green, BYTE blue) const
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < kSystemPaletteSize; ++i) {
        if (m_reserved[i])
            continue;
        const int dr = m_entries[i].peRed - red;
        const int dg = m_entries[i].peGreen - green;
        const int db = m_entries[i].peBlue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return static_cast<BYTE>(best);
}

Realisation SystemPalette::RealizeForeground(std::span<const PALETTEENTRY> logical)
{
    Realisation result;
    result.toSystem.assign(logical.size(), 0);
    std::vector<int> slotOf(logical.size(), kNone);
    std::array<bool, kSystemPaletteSize> claimed{};
    m_reserved.fill(false);

    auto takeFreeSlot = [&]() {
        for (int i = 0; i < kSystemPaletteSize; ++i)
            if (!IsStatic(i) && !claimed[i]) {
                claimed[i] = true;
                return i;
            }
        return kNone;
    };
    // A slot whose colour this realisation may share: a static colour or one
    // already placed, unless it is reserved for animation.
    auto findShared = [&](const PALETTEENTRY& colour) {
        for (int i = 0; i < kSystemPaletteSize; ++i)
            if ((IsStatic(i) || claimed[i]) && !m_reserved[i] && SameColour(m_entries[i], colour))
                return i;
        return kNone;
    };
    // The system entry with the logical entry's own number, when it shows the
    // colour and may be used, so that palettes copied from the system
    // palette map each index to itself.
    auto claimOwnNumber = [&](std::size_t index, const PALETTEENTRY& colour) {
        if (index >= static_cast<std::size_t>(kSystemPaletteSize))
            return kNone;
        const int slot = static_cast<int>(index);
        if (m_reserved[slot] || !SameColour(m_entries[slot], colour))
            return kNone;
        claimed[slot] = claimed[slot] || !IsStatic(slot);
        return slot;
    };
    auto claimHolding = [&](const PALETTEENTRY& colour) {
        for (int i = 0; i < kSystemPaletteSize; ++i)
            if (!IsStatic(i) && !claimed[i] && SameColour(m_entries[i], colour)) {
                claimed[i] = true;
                return i;
            }
        return kNone;
    };

    // Entries that need a slot of their own go first, in order, so that a
    // palette laid out like the system palette realises to the identity.
    for (std::size_t i = 0; i < logical.size(); ++i) {
        const PALETTEENTRY& entry = logical[i];
        if (entry.peFlags & PC_EXPLICIT) {
            slotOf[i] = ExplicitIndex(entry);
        } else if (entry.peFlags & (PC_NOCOLLAPSE | PC_RESERVED)) {
            slotOf[i] = takeFreeSlot();
            if (slotOf[i] != kNone) {
                result.changedEntries += WriteEntry(slotOf[i], entry);
                m_reserved[slotOf[i]] = (entry.peFlags & PC_RESERVED) != 0;
            }
        }
    }
    for (std::size_t i = 0; i < logical.size(); ++i) {
        const PALETTEENTRY& entry = logical[i];
        if (entry.peFlags & (PC_EXPLICIT | PC_NOCOLLAPSE | PC_RESERVED))
            continue;
        int slot = claimOwnNumber(i, entry);
        if (slot == kNone)
            slot = findShared(entry);
        if (slot == kNone)
            slot = claimHolding(entry);
        if (slot == kNone) {
            slot = takeFreeSlot();
            if (slot != kNone)
                result.changedEntries += WriteEntry(slot, entry);
        }
        slotOf[i] = slot;
    }
    for (std::size_t i = 0; i < logical.size(); ++i) {
        const PALETTEENTRY& entry = logical[i];
        result.toSystem[i] =
            slotOf[i] != kNone ? static_cast<BYTE>(slotOf[i]) : Nearest(entry.peRed, entry.peGreen, entry.peBlue);
    }
    return result;
}

Realisation SystemPalette::RealizeBackground(std::span<const PALETTEENTRY> logical) const
{
    Realisation result;
    result.toSystem.reserve(logical.size());
    for (const PALETTEENTRY& entry : logical)
        result.toSystem.push_back((entry.peFlags & PC_EXPLICIT) ? ExplicitIndex(entry)
                                                                : Nearest(entry.peRed, entry.peGreen, entry.peBlue));
    return result;
}

}  // namespace vesper::platform
