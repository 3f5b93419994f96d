// CVesperDoc::RenderBackground: the stage background from the scene's
// background settings.
#include <optional>
#include <utility>

#include "imaging/bmp_source.h"
#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "imaging/renderers.h"
#include "scene/vesper_doc.h"

namespace {

// Width and height from a picture block's header; empty when the block cannot
// be locked or is too small to hold a header.
std::optional<std::pair<LONG, LONG>> PictureSize(HGLOBAL block)
{
    const vesper::imaging::BlockLock lock(block);
    if (!lock.bytes() || lock.size() < kInfoHeaderSize)
        return std::nullopt;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.bytes());
    return std::pair{PackedDIBWidth(header), PackedDIBHeight(header)};
}

HGLOBAL RenderPicture(HGLOBAL picture, DWORD placement, int width, int height, HPALETTE palette)
{
    switch (placement) {
    case CVesperDoc::placementStretch:
        // A picture of the stage's size is converted as it is.
        if (PictureSize(picture) == std::pair<LONG, LONG>{width, height})
            return ConvertToStage(picture, palette);
        return StretchToStage(picture, width, height, palette);
    case CVesperDoc::placementCentre:
        return CentreOnStage(picture, palette, width, height);
    case CVesperDoc::placementTile:
        return TileOnStage(picture, palette, width, height);
    default:
        return nullptr;
    }
}

}  // namespace

HGLOBAL CVesperDoc::RenderBackground(int width, int height) const
{
    // The same wait-cursor pair the scene loader uses: the one place that
    // talks to the platform's cursor.
    const HCURSOR previousCursor = ShowWaitCursor();
    const auto palette = static_cast<HPALETTE>(g_defaultPalette.GetSafeHandle());
    HGLOBAL rendered = nullptr;
    switch (backgroundKind) {
    case backgroundPicture:
        if (background && background->dib)
            rendered = RenderPicture(background->dib, imagePlacement, width, height, palette);
        break;
    case backgroundGradient:
        rendered = FillGradient(gradientFrom, gradientTo, width, height, gradientHorizontal, palette);
        break;
    case backgroundSolid:
        rendered = FillSolid(solidColour, width, height, palette);
        break;
    default:
        break;
    }
    RestoreCursor(previousCursor);
    return rendered;
}
