// A small sample scene made from scratch: a gradient picture as background and
// three animated sprites that show the motions and edge behaviours.
#pragma once

#include "scene/vesper_doc.h"

namespace vesper::tools {

// Replaces the document's contents with the sample.
void FillSampleScene(CVesperDoc& doc);

}  // namespace vesper::tools
