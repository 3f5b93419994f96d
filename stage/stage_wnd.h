// CStageWnd: the window side of the stage. Bound to a window that the shell
// created, it owns the 8-bit frame buffer, the palette-index header and the
// stage palette, copies areas of the frame to the window (one to one on a
// full screen, the whole frame stretched into a preview window), passes
// palette indexes straight through on 256-colour displays and RGB colours
// otherwise, and realises the stage palette when the system palette changes.
#pragma once

#include <memory>

#include "framework/window.h"
#include "imaging/dib_palette.h"
#include "imaging/dib8bpp.h"
#include "platform/win32.h"
#include "stage/pixel_scale.h"
#include "stage/shown_frame.h"

// The display's colour depth (planes × bits per pixel). 8 until the first
// CStageWnd is made; the stage is a static object, so that happens once, at
// start-up, and a later change of display mode is not noticed.
extern int g_nDisplayBits;

// Set when the saver runs inside a preview host window (the shell sets it
// before the saver window exists); the stage then stretches its whole frame
// into the small window. Kept with the stage, its lowest reader, so that the
// stage needs nothing of the saver.
extern BOOL g_bPreview;
// Set when the saver is a hack drawing into a window of a screen saver
// daemon (g_bPreview is set too: the host owns input, cursor and password).
// The stage then takes the host window's size when it is large enough, and
// the multimedia timer paces it as in full-screen saving.
extern BOOL g_bHosted;

// A bitmap header followed by 256 palette indexes 0, 1, ..., 255: handed to
// StretchDIBits with DIB_PAL_COLORS, it makes every pixel value of the frame
// an index into the palette selected in the device context.
struct PaletteIndexInfo {
    BITMAPINFOHEADER header;
    WORD indexes[kDIB8ColourTableEntries];
};
static_assert(sizeof(PaletteIndexInfo) == 552, "40-byte header and 256 16-bit indexes, nothing between");

class CStageWnd : public CWnd {
    DECLARE_DYNAMIC(CStageWnd)

public:
    // Unbound and empty; measures the display's colour depth into g_nDisplayBits.
    CStageWnd();
    ~CStageWnd() override;

    // Replaces the frame buffer by a blank frame of the image's size (colour
    // table: the default palette), then builds the palette-index header and
    // the stage palette from the image. False when the frame cannot be made
    // (there is then no frame buffer) or CreateStagePalette fails.
    BOOL CreateFrameBuffer(CDIB8BPP& image);
    // Copies the image's bitmap header into a new palette-index header and
    // makes the stage palette from the image's colour table, matched to the
    // system palette on a 256-colour display. False when the header cannot
    // be made (none is left) or the palette cannot (no stage palette is left).
    BOOL CreateStagePalette(CDIB8BPP& image);

    // How frame pixels reach the window outside preview: each one a block of
    // layout.factor x layout.factor window pixels, the frame at layout.origin
    // and a black border around it. One to one at (0, 0) until set.
    void SetLayout(const StageLayout& layout);
    const StageLayout& Layout() const { return m_layout; }

    // Copies frame pixels to the window through `dc`, or through a context
    // of the window obtained for the copy when dc is null. Full screen: the
    // rectangle of frame pixels (null: the client area, border included) cut
    // to the context's clipping box and to the frame, magnified by the
    // layout's factor (nearest neighbour, never smoothed). Preview (g_bPreview): the whole frame
    // stretched with halftoning to the client area, whatever the rectangle;
    // a hosted stage (g_bHosted) laid out for its window's size goes as
    // on a full screen.
    // Does nothing without a frame buffer or palette-index header.
    void CopyToWindow(HDC dc, const RECT* rect);
    // Answers a paint request: the frame as it is, for the area to be repainted.
    void PaintWindow();
    // Realises the stage palette in the window; when that remapped entries of
    // the system palette the whole window is invalidated (and erased) so that
    // it is painted again with the new mapping. True in that case.
    BOOL RealizeStagePalette();
    // Another window changed the system palette: realise the stage palette
    // again. Changes made by the stage's own window are ignored.
    void PaletteChanged(HWND changedBy);
    // Offers the stage palette to a picture or sprite: its UsePalette result,
    // 0 without a stage palette.
    BOOL AdaptToStagePalette(CDIB8BPP& object);
    // Deletes the frame buffer, the palette-index header and the stage palette.
    void ReleaseFrameBuffer();

    std::unique_ptr<CDIB8BPP> m_pFrame;
    std::unique_ptr<PaletteIndexInfo> m_pPalIndexInfo;
    std::unique_ptr<CDIBPalette> m_pPalette;

private:
    // Selects the stage palette (when there is one) into a context as a
    // foreground palette and realises it; Restore puts the previous one back.
    HPALETTE SelectStagePalette(HDC dc) const;
    static void RestorePalette(HDC dc, HPALETTE previous);
    // The client area of the bound window; an unbound stage draws on the
    // screen, whose area is the context's clipping box.
    RECT ClientArea(HDC dc) const;
    // Whether copies stretch the whole frame into the window (preview).
    bool Stretches(HDC dc) const;
    void CopyStretched(HDC dc, const BITMAPINFO* frameInfo, const BYTE* bits) const;
    // A rectangle given to a magnified stage is copied only where it differs
    // from what was shown.
    void CopyOneToOne(HDC dc, const RECT* rect, const BITMAPINFO* frameInfo, const BYTE* bits);
    // Paints black what the window shows outside the magnified frame.
    void PaintBorder(HDC dc, const RECT& client) const;

    StageLayout m_layout;
    ShownFrame m_shown;
};
