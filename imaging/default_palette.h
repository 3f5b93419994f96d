// The stage palette: 256 colours, the twenty fixed system colours at 0-9 and
// 246-255, greys, and 212 colours of the 6 × 6 × 6 cube (components 00, 33,
// 66, 99, CC, FF). Every blank frame takes it as its colour table and every
// picture shown is converted to its indexes.
#pragma once

#include "imaging/dib_palette.h"
#include "platform/win32.h"

class CPalette;

constexpr UINT kDefaultPaletteEntries = 256;
constexpr WORD kLogPaletteVersion = 0x300;

// Red, green, blue, flags 0.
extern const PALETTEENTRY defaultPalette[kDefaultPaletteEntries];

// Deletes the platform palette the object holds, if any, and attaches a new one
// made from defaultPalette. Returns the result of attaching (0 when the
// platform refuses the palette).
BOOL CreateDefaultPalette(CPalette& palette);

// The saver's palette object, re-created from defaultPalette when the saver
// window is created; the pictures are converted against its handle.
extern CDIBPalette g_defaultPalette;
