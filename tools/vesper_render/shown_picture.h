// The picture a screen shows of a stage laid out at a whole-pixel scale:
// every frame pixel a factor x factor block, the frame at the layout's
// origin, black around it.
#pragma once

#include <memory>

#include "imaging/dib8bpp.h"
#include "stage/pixel_scale.h"

namespace vesper::tools {

// A frame of the layout's area size with the frame's colour table, or null
// when it cannot be made. The frame must have the layout's stage size.
std::unique_ptr<CDIB8BPP> MagnifiedFrame(const CDIB8BPP& frame, const StageLayout& layout);

}  // namespace vesper::tools
