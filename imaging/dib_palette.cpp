#include "imaging/dib_palette.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "imaging/default_palette.h"
#include "imaging/dib8bpp.h"

namespace {

// The palette of a display that can be made an identity palette has this many
// colours; the fixed colours sit in the first and the last half of them.
constexpr int kIdentityColours = 256;
constexpr int kFixedHalf = kIdentityColours / 2;

}  // namespace

CDIBPalette::~CDIBPalette() = default;

BOOL CDIBPalette::CreateFromImage(const CDIB8BPP& frame)
{
    const RGBQUAD* table = frame.GetColorTable();
    // A frame's table has 256 entries whatever its header claims.
    const UINT count = std::min<UINT>(frame.GetColorCount(), kDIB8ColourTableEntries);
    if (!table || count == 0)
        return FALSE;
    std::vector<BYTE> record(offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY));
    auto* logPalette = reinterpret_cast<LOGPALETTE*>(record.data());
    logPalette->palVersion = kLogPaletteVersion;
    logPalette->palNumEntries = static_cast<WORD>(count);
    for (UINT i = 0; i < count; ++i)
        logPalette->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    DeleteObject();
    return Attach(::CreatePalette(logPalette));
}

BOOL CDIBPalette::MakeIdentity()
{
    if (!m_hObject)
        return FALSE;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return FALSE;
    if ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) == 0 || GetDeviceCaps(screen, NUMCOLORS) != kIdentityColours) {
        ReleaseDC(nullptr, screen);
        return FALSE;
    }
    const int systemSize = GetDeviceCaps(screen, SIZEPALETTE);
    if (systemSize <= 0) {
        ReleaseDC(nullptr, screen);
        return FALSE;
    }
    const UINT size = static_cast<UINT>(systemSize);

    // Switching to no fixed colours and back makes the system restore them.
    SetSystemPaletteUse(screen, SYSPAL_NOSTATIC);
    SetSystemPaletteUse(screen, SYSPAL_STATIC);
    HPALETTE previous = SelectPalette(screen, *this, FALSE);
    RealizePalette(screen);
    SelectPalette(screen, previous, FALSE);

    std::vector<PALETTEENTRY> entries(size, PALETTEENTRY{0, 0, 0, 0});
    GetSystemPaletteEntries(screen, 0, size, entries.data());
    // The fixed colours keep flags 0; the free middle must not be collapsed
    // onto them when the palette is realised again.
    for (int i = 0; i < systemSize; ++i)
        entries[i].peFlags = i >= kFixedHalf && i < systemSize - kFixedHalf ? PC_NOCOLLAPSE : 0;
    ResizePalette(size);
    SetPaletteEntries(0, size, entries.data());
    ReleaseDC(nullptr, screen);
    return TRUE;
}
