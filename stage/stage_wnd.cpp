#include "stage/stage_wnd.h"

#include <cstring>
#include <new>

#include "imaging/packed_dib.h"
#include "stage/frame_lock.h"

IMPLEMENT_DYNAMIC(CStageWnd, CWnd)

int g_nDisplayBits = 8;
BOOL g_bPreview = FALSE;
BOOL g_bHosted = FALSE;

namespace {

// Depth at which frames are copied as palette indexes.
constexpr int kPaletteDisplayBits = 8;

// A device context for the duration of a copy: the caller's, or one of the
// window (the screen for an unbound stage) released at the end.
class CopyDeviceContext {
public:
    CopyDeviceContext(HWND window, HDC given) : m_window(window), m_dc(given)
    {
        if (!m_dc) {
            m_dc = GetDC(window);
            m_obtained = m_dc != nullptr;
        }
    }
    ~CopyDeviceContext()
    {
        if (m_obtained)
            ReleaseDC(m_window, m_dc);
    }
    CopyDeviceContext(const CopyDeviceContext&) = delete;
    CopyDeviceContext& operator=(const CopyDeviceContext&) = delete;

    HDC Get() const { return m_dc; }
    // Whether the context is this copy's own (its state may be changed).
    bool Own() const { return m_obtained; }

private:
    HWND m_window;
    HDC m_dc;
    bool m_obtained = false;
};

bool Intersect(RECT& out, const RECT& a, const RECT& b)
{
    return IntersectRect(&out, &a, &b) != FALSE;
}

// The window pixels of a stretched copy whose averages take from the frame's
// rectangle `changed` (a window pixel d covers the frame's [d * n / m,
// (d + 1) * n / m) on each axis), with one pixel to spare on each side.
RECT ReachInWindow(const RECT& changed, LONG frameWidth, LONG frameHeight, const RECT& client)
{
    const auto low = [](LONG from, LONG window, LONG frame) {
        return static_cast<LONG>(static_cast<long long>(from) * window / frame) - 1;
    };
    const auto high = [](LONG to, LONG window, LONG frame) {
        return static_cast<LONG>((static_cast<long long>(to) * window + frame - 1) / frame) + 1;
    };
    const RECT reach{low(changed.left, client.right, frameWidth), low(changed.top, client.bottom, frameHeight),
                     high(changed.right, client.right, frameWidth), high(changed.bottom, client.bottom, frameHeight)};
    RECT inside{};
    Intersect(inside, reach, client);
    return inside;
}

}  // namespace

CStageWnd::CStageWnd()
{
    g_nDisplayBits = GetDisplayColorDepth();
}

CStageWnd::~CStageWnd() = default;

BOOL CStageWnd::CreateFrameBuffer(CDIB8BPP& image)
{
    m_pFrame.reset();
    std::unique_ptr<CDIB8BPP> frame(new (std::nothrow) CDIB8BPP);
    if (!frame || !frame->Create(image.GetWidth(), image.GetHeight()))
        return FALSE;
    m_pFrame = std::move(frame);
    return CreateStagePalette(image);
}

BOOL CStageWnd::CreateStagePalette(CDIB8BPP& image)
{
    // The same indexes may show other colours now.
    m_shown.Forget();
    m_pPalIndexInfo.reset(new (std::nothrow) PaletteIndexInfo);
    if (!m_pPalIndexInfo)
        return FALSE;

    const CFrameLock lock(image);
    // The header is read from the image's block; one too small to hold it
    // gives no header, which stops every copy rather than reading past it.
    if (!lock.Bytes() || GlobalSize(image.block) < kInfoHeaderSize) {
        m_pPalIndexInfo.reset();
        return FALSE;
    }
    std::memcpy(&m_pPalIndexInfo->header, lock.Bytes(), sizeof m_pPalIndexInfo->header);
    for (WORD i = 0; i < kDIB8ColourTableEntries; ++i)
        m_pPalIndexInfo->indexes[i] = i;

    m_pPalette.reset(new (std::nothrow) CDIBPalette);
    if (!m_pPalette || !m_pPalette->CreateFromImage(image)) {
        m_pPalette.reset();
        return FALSE;
    }
    // Only 256-colour displays rebuild the palette; elsewhere it stays as made.
    m_pPalette->MakeIdentity();
    return TRUE;
}

HPALETTE CStageWnd::SelectStagePalette(HDC dc) const
{
    if (!m_pPalette)
        return nullptr;
    HPALETTE previous = SelectPalette(dc, *m_pPalette, FALSE);
    RealizePalette(dc);
    return previous;
}

void CStageWnd::RestorePalette(HDC dc, HPALETTE previous)
{
    if (previous)
        SelectPalette(dc, previous, TRUE);
}

RECT CStageWnd::ClientArea(HDC dc) const
{
    RECT area{};
    if (m_hWnd && GetClientRect(m_hWnd, &area))
        return area;
    if (!m_hWnd && GetClipBox(dc, &area) != ERROR)
        return area;
    SetRectEmpty(&area);
    return area;
}

void CStageWnd::CopyToWindow(HDC dc, const RECT* rect)
{
    if (!m_pFrame || !m_pPalIndexInfo)
        return;
    const CopyDeviceContext context(m_hWnd, dc);
    if (!context.Get())
        return;
    const CFrameLock lock(*m_pFrame);
    if (!lock.Bytes())
        return;
    const auto* frameInfo = reinterpret_cast<const BITMAPINFO*>(lock.Bytes());
    if (Stretches(context.Get())) {
        // The window shows the whole frame stretched. What a changed
        // rectangle alters is only the part of the window that averages it:
        // drawing only there leaves the window as a whole copy would, at a
        // fraction of the work on every tick.
        if (rect && m_hWnd && context.Own() && m_pFrame->GetWidth() > 0 && m_pFrame->GetHeight() > 0) {
            const RECT reach = ReachInWindow(*rect, m_pFrame->GetWidth(), m_pFrame->GetHeight(),
                                             ClientArea(context.Get()));
            if (IsRectEmpty(&reach))
                return;
            IntersectClipRect(context.Get(), reach.left, reach.top, reach.right, reach.bottom);
        }
        CopyStretched(context.Get(), frameInfo, m_pFrame->GetBits());
    } else
        CopyOneToOne(context.Get(), rect, frameInfo, m_pFrame->GetBits());
}

bool CStageWnd::Stretches(HDC dc) const
{
    if (!g_bPreview)
        return false;
    // A hack's stage laid out for its host window's size goes as in
    // full-screen saving; a preview stage is stretched into its window.
    const RECT client = ClientArea(dc);
    return !g_bHosted || client.right != m_layout.area.cx || client.bottom != m_layout.area.cy ||
           m_pFrame->GetWidth() != m_layout.stage.cx || m_pFrame->GetHeight() != m_layout.stage.cy;
}

void CStageWnd::SetLayout(const StageLayout& layout)
{
    m_layout = layout;
    m_shown.Forget();
}

void CStageWnd::CopyStretched(HDC dc, const BITMAPINFO* frameInfo, const BYTE* bits) const
{
    // The stage is 640 x 480 in preview; the whole frame goes into the
    // client area, however small, with halftoning to keep it legible.
    const RECT client = ClientArea(dc);
    const HPALETTE previousPalette = SelectStagePalette(dc);
    const int previousMode = SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, m_pFrame->GetWidth(), m_pFrame->GetHeight(), bits,
                  frameInfo, DIB_RGB_COLORS, SRCCOPY);
    if (previousMode)
        SetStretchBltMode(dc, previousMode);
    RestorePalette(dc, previousPalette);
}

void CStageWnd::CopyOneToOne(HDC dc, const RECT* rect, const BITMAPINFO* frameInfo, const BYTE* bits)
{
    RECT clip;
    if (GetClipBox(dc, &clip) == ERROR)
        return;
    const RECT client = ClientArea(dc);
    // Only a magnified stage has a border of its own; a stage of its window's
    // size leaves whatever lies past it to the window's background.
    if (!rect && m_layout.factor > 1)
        PaintBorder(dc, client);
    // Rectangles of frame pixels; the clipping box and the client area are
    // window pixels, taken back to the frame pixels whose blocks they meet.
    const RECT dest = rect ? *rect : m_layout.StageOf(client);
    const RECT clipInFrame = m_layout.StageOf(clip);
    RECT frameRect;
    m_pFrame->GetRect(&frameRect);
    RECT visible, r;
    if (!Intersect(visible, dest, clipInFrame) || !Intersect(r, visible, frameRect))
        return;

    const HPALETTE previousPalette = SelectStagePalette(dc);
    // On a 256-colour display the pixel values go through as indexes into
    // the realised stage palette, with no colour matching on the way.
    const bool passIndexes = g_nDisplayBits == kPaletteDisplayBits;
    const auto* info = passIndexes ? reinterpret_cast<const BITMAPINFO*>(m_pPalIndexInfo.get()) : frameInfo;
    // A magnified tick's rectangle goes only where its pixels changed, each
    // of them being many of the screen's; a whole copy (painting) goes as it
    // is. Unmagnified, a pixel costs too little to be worth comparing.
    const bool magnified = m_layout.factor > 1;
    std::vector<RECT> parts;
    if (rect && magnified) {
        parts = m_shown.Changes(*m_pFrame, r);
    } else {
        if (magnified)
            m_shown.Shown(*m_pFrame, r);
        parts.push_back(r);
    }
    // Whole blocks, each the colour of its one frame pixel: never averaged.
    const int previousMode = m_layout.factor > 1 ? SetStretchBltMode(dc, COLORONCOLOR) : 0;
    for (const RECT& part : parts) {
        const RECT target = m_layout.AreaOf(part);
        // The frame is stored bottom-up, so source rows count from its bottom.
        StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
                      part.left, m_pFrame->GetHeight() - part.bottom, part.right - part.left,
                      part.bottom - part.top, bits, info, passIndexes ? DIB_PAL_COLORS : DIB_RGB_COLORS, SRCCOPY);
    }
    if (previousMode)
        SetStretchBltMode(dc, previousMode);
    RestorePalette(dc, previousPalette);
}

void CStageWnd::PaintBorder(HDC dc, const RECT& client) const
{
    const RECT picture =
        m_layout.AreaOf(RECT{0, 0, static_cast<LONG>(m_pFrame->GetWidth()), static_cast<LONG>(m_pFrame->GetHeight())});
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    // Above, below, then left and right of the picture.
    const RECT strips[] = {
        {client.left, client.top, client.right, picture.top},
        {client.left, picture.bottom, client.right, client.bottom},
        {client.left, picture.top, picture.left, picture.bottom},
        {picture.right, picture.top, client.right, picture.bottom},
    };
    for (const RECT& strip : strips)
        if (strip.left < strip.right && strip.top < strip.bottom)
            FillRect(dc, &strip, black);
}

void CStageWnd::PaintWindow()
{
    PAINTSTRUCT paint{};
    if (!BeginPaint(m_hWnd, &paint))
        return;
    CopyToWindow(paint.hdc, nullptr);
    EndPaint(m_hWnd, &paint);
}

BOOL CStageWnd::RealizeStagePalette()
{
    if (!m_pPalette)
        return FALSE;
    HDC dc = GetDC(m_hWnd);
    if (!dc)
        return FALSE;
    const HPALETTE previous = SelectPalette(dc, *m_pPalette, FALSE);
    const UINT remapped = RealizePalette(dc);
    RestorePalette(dc, previous);
    ReleaseDC(m_hWnd, dc);
    if (remapped == 0 || remapped == GDI_ERROR)
        return FALSE;
    // A null window would invalidate every window; an unbound stage has none.
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}

void CStageWnd::PaletteChanged(HWND changedBy)
{
    if (changedBy != m_hWnd)
        RealizeStagePalette();
}

BOOL CStageWnd::AdaptToStagePalette(CDIB8BPP& object)
{
    return m_pPalette ? object.UsePalette(m_pPalette.get()) : FALSE;
}

void CStageWnd::ReleaseFrameBuffer()
{
    m_pFrame.reset();
    m_pPalIndexInfo.reset();
    m_pPalette.reset();
}
