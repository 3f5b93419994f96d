// In the browser there are no font files to draw text with: no font has a
// face, so GDI draws no text there, as a native build does when fontconfig
// finds no font. The page shows every text of the player in HTML instead.
#include "platform/gdi/gdi_text_font.h"

namespace vesper::platform::gdi {

const FontFace* FaceOf(const LOGFONTA&)
{
    return nullptr;
}

}  // namespace vesper::platform::gdi
