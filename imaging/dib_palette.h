// A palette object made from a frame's colour table, which can be rebuilt from
// the system palette as the display realised it so that its indexes map 1:1
// onto the hardware palette.
#pragma once

#include "framework/palette.h"
#include "platform/win32.h"

class CDIB8BPP;

class CDIBPalette : public CPalette {
public:
    CDIBPalette() = default;
    ~CDIBPalette() override;

    // Creates a platform palette (version 0x300) from the frame's colour table,
    // one entry per colour, flags 0, and attaches it (deleting any palette the
    // object held). 0 for an empty frame, no colours, or when the platform
    // refuses the palette; the object then holds no palette.
    BOOL CreateFromImage(const CDIB8BPP& frame);

    // On a palette-based 256-colour display, resets the system's fixed colours,
    // realises this palette and replaces its entries by the system palette as
    // realised, the middle entries marked PC_NOCOLLAPSE. 1 when rebuilt; 0 on
    // any other display or without a palette, leaving the palette unchanged.
    BOOL MakeIdentity();
};
