#include "sprites/sprite.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "imaging/quantizer.h"
#include "imaging/renderers.h"
#include "sprites/sprite_observer.h"

IMPLEMENT_SERIAL(CSprite, CDIB8BPP, 0)

namespace {

// Edges of a rectangle computed from a position and a size; kept inside the
// 32-bit range instead of overflowing for extreme positions.
LONG EdgeAfter(int start, int extent)
{
    const std::int64_t edge = std::int64_t{start} + extent;
    return static_cast<LONG>(std::clamp<std::int64_t>(edge, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

CSprite::CSprite() = default;

void CSprite::Serialize(CArchive& ar)
{
    image.Serialize(ar);
    if (ar.IsStoring()) {
        ar << auxText1 << auxText2;
        ar << static_cast<SHORT>(x) << static_cast<SHORT>(y) << static_cast<SHORT>(depth);
        ar << static_cast<WORD>(auxWord1) << static_cast<WORD>(auxWord2);
        return;
    }
    ar >> auxText1 >> auxText2;
    SHORT storedX, storedY, storedDepth;
    WORD storedWord1, storedWord2;
    ar >> storedX >> storedY >> storedDepth >> storedWord1 >> storedWord2;
    x = storedX;
    y = storedY;
    depth = storedDepth;
    auxWord1 = storedWord1;
    auxWord2 = storedWord2;
}

void CSprite::GetRect(LPRECT out) const
{
    out->left = x;
    out->top = y;
    out->right = EdgeAfter(x, GetWidth());
    out->bottom = EdgeAfter(y, GetHeight());
}

BOOL CSprite::ReadImage(CFile*)
{
    return TRUE;
}

BOOL CSprite::LoadImage(LPCSTR fileName)
{
    image.LoadFromFile(fileName ? fileName : "");
    return image.dib != nullptr;
}

BOOL CSprite::UsePalette(CPalette* palette)
{
    return palette != nullptr;
}

void CSprite::NotifyOwner(DWORD flags, const RECT* first, const RECT* second)
{
    if (owner)
        owner->OnSpriteChanged(this, flags, first, second);
}

void CSprite::SetPosition(int newX, int newY)
{
    RECT before, after;
    GetRect(&before);
    x = newX;
    y = newY;
    GetRect(&after);
    NotifyOwner(ChangePosition, &before, &after);
}

void CSprite::SetDepth(int newDepth)
{
    if (newDepth == depth)
        return;
    depth = newDepth;
    NotifyOwner(ChangeOrder, nullptr, nullptr);
}

BOOL CSprite::HitTest(int px, int py) const
{
    return HitTestFromRow(px, py, 0);
}

void CSprite::Draw(CDIB8BPP& target, const RECT& clip) const
{
    DrawFromRow(target, clip, 0);
}

BOOL CSprite::HitTestFromRow(int px, int py, int firstRow) const
{
    // Both bounds are strict: the leftmost column and the top row never hit.
    const bool insideX = x < px && std::int64_t{px} < std::int64_t{x} + GetWidth();
    const bool insideY = y < py && std::int64_t{py} < std::int64_t{y} + GetHeight();
    if (!insideX || !insideY)
        return FALSE;
    const std::int64_t row = std::int64_t{firstRow} + (std::int64_t{py} - y);
    if (row > std::numeric_limits<int>::max())
        return FALSE;
    // A point whose pixel the frame lacks shows nothing, so it does not hit.
    const BYTE* pixel = PixelAddress(px - x, static_cast<int>(row));
    return pixel && *pixel != transparentIndex;
}

void CSprite::DrawFromRow(CDIB8BPP& target, const RECT& clip, int firstRow) const
{
    RECT bounds, visible;
    GetRect(&bounds);
    if (!IntersectRect(&visible, &clip, &bounds))
        return;
    const std::int64_t sourceRow = std::int64_t{firstRow} + (visible.top - y);
    if (sourceRow > std::numeric_limits<int>::max())
        return;
    // The key is a palette-index colour (bit 24 set), so it never reads as
    // the copy-everything value and the transparent index is always left out.
    TransferTo(target, visible.left, visible.top, visible.right - visible.left, visible.bottom - visible.top,
               visible.left - x, static_cast<int>(sourceRow), PALETTEINDEX(transparentIndex));
}

void CSprite::PrepareFrame()
{
    if (image.IsEmpty())
        return;
    FreeBlock();
    block = ConvertSpriteImage(image.dib, g_defaultPalette);
    // Index 1 marks the bottom-left pixel's colour; what is left out when
    // drawing is whatever the top-left pixel became (0 without a frame).
    transparentIndex = GetPixelIndex(0, 0);
}

void CSprite::ResetImageState()
{
    transparentIndex = kTransparentIndex;
}

int CSprite::ImageHeight() const
{
    if (image.IsEmpty())
        return 0;
    // A block too small for the header it announces counts as no picture; the
    // picture classes keep heights positive, and a negative one would count as 0.
    const SIZE_T available = GlobalSize(image.dib);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(image.dib));
    int height = 0;
    if (header && available >= kCoreHeaderSize && (header->biSize == kCoreHeaderSize || available >= kInfoHeaderSize))
        height = std::max<LONG>(0, PackedDIBHeight(header));
    GlobalUnlock(image.dib);
    return height;
}
