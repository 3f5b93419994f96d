// Finding and opening the face of a font: the face name chooses a family of
// faces, fontconfig the file, SDL2_ttf the glyphs.
#include "platform/gdi/gdi_text_font.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>

#include "platform/kernel/settings_text.h"
#include "platform/kernel/windows_1252.h"

namespace vesper::platform::gdi {

namespace {

enum class Generic { Sans, Serif, Mono };

struct KnownFace {
    std::string_view name;
    Generic generic;
};

// Face names of the classic Windows fonts and the kind of face standing in
// for them; the stand-ins are metric-compatible where one exists.
constexpr std::array kKnownFaces = {
    KnownFace{"MS Sans Serif", Generic::Sans},   KnownFace{"MS Shell Dlg", Generic::Sans},
    KnownFace{"Arial", Generic::Sans},           KnownFace{"Helvetica", Generic::Sans},
    KnownFace{"System", Generic::Sans},          KnownFace{"Small Fonts", Generic::Sans},
    KnownFace{"Tahoma", Generic::Sans},          KnownFace{"Verdana", Generic::Sans},
    KnownFace{"Times New Roman", Generic::Serif}, KnownFace{"Times", Generic::Serif},
    KnownFace{"MS Serif", Generic::Serif},       KnownFace{"Tms Rmn", Generic::Serif},
    KnownFace{"Courier New", Generic::Mono},     KnownFace{"Courier", Generic::Mono},
    KnownFace{"Fixedsys", Generic::Mono},        KnownFace{"Terminal", Generic::Mono},
};

std::string_view FamiliesOf(Generic generic)
{
    switch (generic) {
    case Generic::Serif: return "Liberation Serif,Tinos,DejaVu Serif,serif";
    case Generic::Mono: return "Liberation Mono,Cousine,DejaVu Sans Mono,monospace";
    case Generic::Sans: break;
    }
    return "Liberation Sans,Arimo,DejaVu Sans,sans-serif";
}

BYTE FamilyBitsOf(Generic generic)
{
    switch (generic) {
    case Generic::Serif: return FF_ROMAN | VARIABLE_PITCH;
    case Generic::Mono: return FF_MODERN | FIXED_PITCH;
    case Generic::Sans: break;
    }
    return FF_SWISS | VARIABLE_PITCH;
}

std::string FaceNameOf(const LOGFONTA& logical)
{
    const auto end = std::find(logical.lfFaceName, logical.lfFaceName + LF_FACESIZE, '\0');
    return std::string(logical.lfFaceName, end);
}

// The fontconfig family list for a font: a known Windows face gives its
// stand-ins; another name is tried first as it is, then the pitch and family
// bits choose.
struct FamilyRequest {
    std::string families;
    Generic generic;
};

FamilyRequest FamiliesFor(const LOGFONTA& logical)
{
    const std::string face = FaceNameOf(logical);
    for (const KnownFace& known : kKnownFaces)
        if (EqualsIgnoringCase(face, known.name))
            return {std::string(FamiliesOf(known.generic)), known.generic};
    Generic generic = Generic::Sans;
    if ((logical.lfPitchAndFamily & 0xF0) == FF_ROMAN)
        generic = Generic::Serif;
    else if ((logical.lfPitchAndFamily & 0xF0) == FF_MODERN || (logical.lfPitchAndFamily & 0x03) == FIXED_PITCH)
        generic = Generic::Mono;
    std::string families(FamiliesOf(generic));
    // A comma would split the name into two families.
    if (!face.empty() && face.find(',') == std::string::npos)
        families = face + "," + families;
    return {families, generic};
}

constexpr int kDefaultEmPixels = 16;  // a height of 0: 12 points at 96 dots per inch
constexpr int kLightestBold = FW_SEMIBOLD;
constexpr int kReferenceSize = 256;

struct FaceFile {
    std::string path;
    int index = 0;
    bool italic = false;
    bool bold = false;
};

std::optional<FaceFile> FindFaceFile(const std::string& families, bool italic, bool bold)
{
    // Loaded once; released at exit, since fontconfig does not keep all of
    // its configuration reachable.
    static const bool loaded = [] {
        if (!FcInit())
            return false;
        std::atexit(FcFini);
        return true;
    }();
    if (!loaded)
        return std::nullopt;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(families.c_str()));
    if (!pattern)
        return std::nullopt;
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return std::nullopt;
    std::optional<FaceFile> found;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FaceFile face;
        face.path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &face.index);
        int slant = FC_SLANT_ROMAN;
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        face.italic = slant != FC_SLANT_ROMAN;
        face.bold = weight >= FC_WEIGHT_DEMIBOLD;
        found = face;
    }
    FcPatternDestroy(match);
    return found;
}

bool TextEngineReady()
{
    static const bool ready = TTF_Init() == 0;
    return ready;
}

class TrueTypeFace final : public FontFace {
public:
    TrueTypeFace(TTF_Font* font, const LOGFONTA& logical, BYTE familyBits)
        : m_font(font), m_logical(logical), m_familyBits(familyBits)
    {
    }
    // Faces live as long as the process: contexts of static objects may
    // still draw while the program ends.

    TEXTMETRICA Metrics() const override
    {
        TEXTMETRICA metrics{};
        // The cell is the face's rounded-up line height, the one text is drawn
        // in; the face's own descent is rounded towards the baseline and
        // would leave descenders outside a box of the cell's height.
        metrics.tmAscent = TTF_FontAscent(m_font);
        metrics.tmDescent = std::max(-TTF_FontDescent(m_font), TTF_FontHeight(m_font) - metrics.tmAscent);
        metrics.tmHeight = metrics.tmAscent + metrics.tmDescent;
        const int em = m_logical.lfHeight < 0 ? -m_logical.lfHeight : metrics.tmHeight;
        metrics.tmInternalLeading = std::max(0, metrics.tmHeight - em);
        metrics.tmExternalLeading = std::max(0, TTF_FontLineSkip(m_font) - metrics.tmHeight);
        metrics.tmAveCharWidth = AverageAlphabetWidth();
        metrics.tmMaxCharWidth = WidestCharacter();
        metrics.tmWeight = m_logical.lfWeight == FW_DONTCARE ? FW_NORMAL : m_logical.lfWeight;
        metrics.tmDigitizedAspectX = metrics.tmDigitizedAspectY = 96;
        metrics.tmFirstChar = 0x20;
        metrics.tmLastChar = 0xFF;
        metrics.tmDefaultChar = '?';
        metrics.tmBreakChar = ' ';
        metrics.tmItalic = m_logical.lfItalic ? 1 : 0;
        metrics.tmUnderlined = m_logical.lfUnderline ? 1 : 0;
        metrics.tmStruckOut = m_logical.lfStrikeOut ? 1 : 0;
        // TMPF_FIXED_PITCH set means variable pitch, as on Windows.
        metrics.tmPitchAndFamily = static_cast<BYTE>((m_familyBits & 0xF0) | TMPF_TRUETYPE |
                                                     (TTF_FontFaceIsFixedWidth(m_font) ? 0 : TMPF_FIXED_PITCH));
        metrics.tmCharSet = m_logical.lfCharSet;
        return metrics;
    }

    SIZE Measure(std::string_view text) const override
    {
        int width = 0;
        int height = TTF_FontHeight(m_font);
        if (!text.empty())
            TTF_SizeUTF8(m_font, Utf8FromWindows1252(text).c_str(), &width, &height);
        return SIZE{width, TTF_FontHeight(m_font)};
    }

    GlyphCoverage Render(std::string_view text) const override
    {
        GlyphCoverage glyphs;
        if (text.empty())
            return glyphs;
        SDL_Surface* drawn =
            TTF_RenderUTF8_Blended(m_font, Utf8FromWindows1252(text).c_str(), SDL_Color{255, 255, 255, 255});
        if (!drawn)
            return glyphs;
        glyphs.width = drawn->w;
        glyphs.height = drawn->h;
        glyphs.coverage.resize(static_cast<std::size_t>(drawn->w) * drawn->h);
        SDL_LockSurface(drawn);
        for (int y = 0; y < drawn->h; ++y) {
            const auto* row = reinterpret_cast<const Uint32*>(static_cast<const BYTE*>(drawn->pixels) +
                                                              static_cast<std::ptrdiff_t>(y) * drawn->pitch);
            for (int x = 0; x < drawn->w; ++x) {
                Uint8 red = 0, green = 0, blue = 0, alpha = 0;
                SDL_GetRGBA(row[x], drawn->format, &red, &green, &blue, &alpha);
                glyphs.coverage[static_cast<std::size_t>(y) * drawn->w + x] = alpha;
            }
        }
        SDL_UnlockSurface(drawn);
        SDL_FreeSurface(drawn);
        return glyphs;
    }

    std::string FamilyName() const override
    {
        const char* name = TTF_FontFaceFamilyName(m_font);
        return name ? name : std::string();
    }

private:
    // What dialogs measure their base units with: the mean advance of the
    // 52 letters, rounded.
    int AverageAlphabetWidth() const
    {
        static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        constexpr int kLetters = sizeof kAlphabet - 1;
        int width = 0;
        int height = 0;
        TTF_SizeUTF8(m_font, kAlphabet, &width, &height);
        return (width + kLetters / 2) / kLetters;
    }

    int WidestCharacter() const
    {
        int widest = 0;
        for (Uint32 character = 0x20; character < 0x7F; ++character) {
            int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
            if (TTF_GlyphMetrics32(m_font, character, &minX, &maxX, &minY, &maxY, &advance) == 0)
                widest = std::max(widest, advance);
        }
        return widest;
    }

    TTF_Font* m_font;
    LOGFONTA m_logical;
    BYTE m_familyBits;
};

// The em size in pixels that gives a font its requested height.
int EmPixelsFor(TTF_Font* font, LONG height)
{
    if (height < 0)
        return -height;
    if (height == 0)
        return kDefaultEmPixels;
    // A cell height: scale the face's cell at a reference size.
    TTF_SetFontSize(font, kReferenceSize);
    const int cell = std::max(1, TTF_FontHeight(font));
    return std::max(1, (height * kReferenceSize + cell / 2) / cell);
}

// What decides the face of a font: everything but the widths, angles and
// precisions, which do not change the glyphs.
using FaceKey = std::tuple<std::string, BYTE, LONG, LONG, BYTE, BYTE, BYTE, BYTE>;

FaceKey KeyOf(const LOGFONTA& logical)
{
    std::string face = FaceNameOf(logical);
    std::ranges::transform(face, face.begin(), LowerAscii);
    return {face,
            logical.lfPitchAndFamily,
            logical.lfHeight,
            logical.lfWeight,
            logical.lfItalic,
            logical.lfUnderline,
            logical.lfStrikeOut,
            logical.lfCharSet};
}

std::unique_ptr<TrueTypeFace> OpenFace(const LOGFONTA& logical)
{
    const bool italic = logical.lfItalic != 0;
    const bool bold = logical.lfWeight >= kLightestBold;
    const FamilyRequest request = FamiliesFor(logical);
    const std::optional<FaceFile> file = FindFaceFile(request.families, italic, bold);
    if (!file)
        return nullptr;
    TTF_Font* font = TTF_OpenFontIndex(file->path.c_str(), kReferenceSize, file->index);
    if (!font)
        return nullptr;
    TTF_SetFontSize(font, EmPixelsFor(font, logical.lfHeight));
    // A face file without the slant or weight asked for gets it drawn.
    TTF_SetFontStyle(font, (italic && !file->italic ? TTF_STYLE_ITALIC : 0) |
                               (bold && !file->bold ? TTF_STYLE_BOLD : 0) |
                               (logical.lfUnderline ? TTF_STYLE_UNDERLINE : 0) |
                               (logical.lfStrikeOut ? TTF_STYLE_STRIKETHROUGH : 0));
    // GDI places glyphs by their advances alone.
    TTF_SetFontKerning(font, 0);
    return std::make_unique<TrueTypeFace>(font, logical, FamilyBitsOf(request.generic));
}

}  // namespace

const FontFace* FaceOf(const LOGFONTA& logical)
{
    if (!TextEngineReady())
        return nullptr;
    // Kept for the process, failures included, so that fontconfig is asked
    // once per kind of font.
    static auto* faces = new std::map<FaceKey, std::unique_ptr<TrueTypeFace>>;
    const FaceKey key = KeyOf(logical);
    if (const auto found = faces->find(key); found != faces->end())
        return found->second.get();
    return faces->emplace(key, OpenFace(logical)).first->second.get();
}

}  // namespace vesper::platform::gdi
