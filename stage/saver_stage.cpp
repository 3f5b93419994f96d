#include "stage/saver_stage.h"

#include <new>

#include "scene/vesper_doc.h"
#include "sprites/anim_sprite.h"
#include "sprites/sprite.h"

IMPLEMENT_DYNAMIC(CSaverStage, CStageWnd)

namespace {

// Shows the wait cursor while it lives, then the cursor it replaced.
class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

// Sprite lists hold only sprites.
CSprite* AsSprite(CObject* element)
{
    return static_cast<CSprite*>(element);
}

}  // namespace

CSaverStage::CSaverStage()
{
    m_sprites.observer.targetStage = this;
    m_sprites.ownerStage = this;
}

CSaverStage::~CSaverStage()
{
    ClearSprites();
    m_pBackground.reset();
    m_dirtyRects.DeleteAllRects();
}

void CSaverStage::LoadScene(CVesperDoc* document, int width, int height)
{
    m_pDocument = document;
    BuildBackground(document, width, height);
    BuildSprites(document);
}

void CSaverStage::BuildBackground(CVesperDoc* document, int width, int height)
{
    if (!document || document != m_pDocument)
        return;
    m_nWidth = width;
    m_nHeight = height;
    m_pBackground.reset();
    HGLOBAL rendered = document->RenderBackground(m_nWidth, m_nHeight);
    if (!rendered)
        return;
    std::unique_ptr<CDIB8BPP> background(new (std::nothrow) CDIB8BPP);
    if (!background) {
        GlobalFree(rendered);
        return;
    }
    background->block = rendered;
    m_pBackground = std::move(background);
    NotifyChange(ChangeBackground, m_pBackground.get());
}

void CSaverStage::BuildSprites(CVesperDoc* document)
{
    if (!document || document != m_pDocument)
        return;
    {
        const WaitCursor wait;
        ClearSprites();
        for (POSITION pos = document->sprites.GetHeadPosition(); pos;) {
            const CSprite* authored = AsSprite(document->sprites.GetNext(pos));
            auto* copy = new (std::nothrow) CAnimSprite(*authored);
            if (!copy)
                continue;
            copy->document = m_pDocument;
            copy->PrepareFrame();
            copy->UsePalette(m_pPalette.get());
            m_sprites.AddSprite(copy);
            // Placing reports the old and the new rectangle; they wait for
            // the first flush although the whole frame is shown below.
            copy->PlaceOnStage(m_nWidth, m_nHeight);
        }
        Compose(nullptr);
    }
    CopyToWindow(nullptr, nullptr);
}

void CSaverStage::Tick()
{
    bool changed = false;
    for (POSITION pos = m_sprites.GetHeadPosition(); pos;) {
        // The stage lists only its own working copies.
        auto* sprite = static_cast<CAnimSprite*>(m_sprites.GetNext(pos));
        changed = sprite->Step(*this) != FALSE || changed;
    }
    if (changed)
        NotifyChange(ChangeFlush);
}

void CSaverStage::NotifyChange(int kind, const RECT* area)
{
    if (!m_pDocument)
        return;
    switch (kind) {
    case ChangeArea:
        if (area)
            m_dirtyRects.AddRect(area);
        return;
    case ChangeFlush:
        FlushDirtyAreas();
        return;
    case ChangeObject:
        if (area) {
            SpriteIndex sprites = IndexSprites();
            Redraw(*area, sprites);
        }
        return;
    default:
        Compose(nullptr);
        CopyToWindow(nullptr, nullptr);
        return;
    }
}

void CSaverStage::NotifyChange(int kind, CDIB8BPP* object)
{
    if (!m_pDocument || !object)
        return;
    if (kind == ChangeBackground) {
        // A stage palette that cannot be made leaves the frames uncoloured
        // by it, but they are still composed and shown.
        CreateFrameBuffer(*object);
        AdaptToStagePalette(*object);
        Compose(nullptr);
        CopyToWindow(nullptr, nullptr);
        return;
    }
    RECT area;
    object->GetRect(&area);
    NotifyChange(kind, &area);
}

SpriteIndex CSaverStage::IndexSprites() const
{
    std::vector<SpriteIndex::Entry> sprites;
    sprites.reserve(static_cast<std::size_t>(m_sprites.GetCount()));
    for (POSITION pos = m_sprites.GetTailPosition(); pos;) {
        CSprite* sprite = AsSprite(m_sprites.GetPrev(pos));
        RECT rect;
        sprite->GetRect(&rect);
        sprites.push_back({sprite, rect});
    }
    RECT frame{};
    if (m_pBackground)
        m_pBackground->GetRect(&frame);
    return SpriteIndex(std::move(sprites), frame);
}

void CSaverStage::Redraw(const RECT& area, SpriteIndex& sprites)
{
    ComposeWith(&area, sprites);
    CopyToWindow(nullptr, &area);
}

void CSaverStage::Compose(const RECT* clip)
{
    SpriteIndex sprites = IndexSprites();
    ComposeWith(clip, sprites);
}

void CSaverStage::ComposeWith(const RECT* clip, SpriteIndex& sprites)
{
    if (!m_pDocument || !m_pBackground || !m_pFrame)
        return;
    RECT r;
    m_pBackground->GetRect(&r);
    if (clip && !IntersectRect(&r, &r, clip))
        return;
    if (IsRectEmpty(&r))
        return;
    m_pBackground->TransferTo(*m_pFrame, r.left, r.top, r.right - r.left, r.bottom - r.top, r.left, r.top,
                              kCopyAllPixels);
    // Back to front: the head sprite is painted last, on top. Sprites that
    // do not reach into r would draw nothing and are not asked to.
    for (CSprite* sprite : sprites.SpritesIn(r))
        sprite->Draw(*m_pFrame, r);
}

void CSaverStage::FlushDirtyAreas()
{
    if (!m_pDocument)
        return;
    m_dirtyRects.MergeOverlaps();
    SpriteIndex sprites = IndexSprites();
    for (POSITION pos = m_dirtyRects.GetHeadPosition(); pos;)
        Redraw(m_dirtyRects.GetNextRect(pos), sprites);
    m_dirtyRects.DeleteAllRects();
}

SIZE CSaverStage::GetStageSize() const
{
    return SIZE{m_nWidth, m_nHeight};
}

void CSaverStage::ClearSprites()
{
    m_sprites.DeleteAllSprites();
}

void CSaverStage::ReleaseScene()
{
    ReleaseFrameBuffer();
    ClearSprites();
    m_pBackground.reset();
}
