// Font objects and the faces they are drawn with. A font object keeps its
// LOGFONTA; the face (a TrueType file found through fontconfig, opened with
// SDL2_ttf at the right pixel size) is made on first use and kept for the
// process, shared by every font that asks for the same face and size.
// Everything here is called with GdiMutex() held.
#pragma once

#include "platform/internal.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/gdi_objects.h"
#include "platform/api/win32_gdi.h"

namespace vesper::platform::gdi {

struct Font final : GdiObject {
    ObjectKind Kind() const override { return ObjectKind::Font; }

    LOGFONTA logical{};
};

Font* FindFont(HGDIOBJ handle);
// The font a context draws with: its selected font or the stock system font.
const Font& SelectedFont(const DeviceContext& context);

// The coverage of a drawn text: one byte (0 to 255) per pixel, rows of
// `width` bytes from the top of the character cell.
struct GlyphCoverage {
    int width = 0;
    int height = 0;
    std::vector<BYTE> coverage;
};

class FontFace {
public:
    virtual ~FontFace() = default;

    virtual TEXTMETRICA Metrics() const = 0;
    // Text in the Windows-1252 code page.
    virtual SIZE Measure(std::string_view text) const = 0;
    virtual GlyphCoverage Render(std::string_view text) const = 0;
    virtual std::string FamilyName() const = 0;
};

// The face a font is drawn with; null when no font file can be found.
const FontFace* FaceOf(const LOGFONTA& logical);

// Draws text with the context's font, colours and background mode, the top
// of its character cell at `at` (context coordinates), cut to the context's
// drawable area and to `clip` (context coordinates) when given. False when
// the font has no face.
bool PaintText(const DeviceContext& context, POINT at, std::string_view text, const RECT* clip);

}  // namespace vesper::platform::gdi
