// CSaverStage: the scene player. It renders a scene document's background at
// the stage size, plays its own working copies of the document's sprites,
// collects the rectangles that change on each tick, recomposes exactly those
// in the frame buffer (background, then the sprites from the back of the list
// to the front) and copies them to the window.
#pragma once

#include <memory>

#include "imaging/dib8bpp.h"
#include "platform/win32.h"
#include "sprites/sprite_list.h"
#include "sprites/rect_list.h"
#include "sprites/stage_change_target.h"
#include "stage/sprite_index.h"
#include "stage/stage_wnd.h"

class CVesperDoc;

class CSaverStage : public CStageWnd, public CStageChangeTarget {
    DECLARE_DYNAMIC(CSaverStage)

public:
    // Empty, with its own sprite list reporting changed areas to it.
    CSaverStage();
    ~CSaverStage() override;
    CSaverStage(const CSaverStage&) = delete;
    CSaverStage& operator=(const CSaverStage&) = delete;

    // Starts playing the document on a stage of width × height pixels: the
    // background, then the sprites, each step showing the whole frame.
    void LoadScene(CVesperDoc* document, int width, int height);
    // Renders the background at the stage size and installs it with a new
    // frame buffer and stage palette. Without a rendered picture the stage
    // has no background and keeps whatever frame buffer it had. Only for the
    // document being played.
    void BuildBackground(CVesperDoc* document, int width, int height);
    // Replaces the stage's sprites by working copies of the document's, head
    // to tail, prepared for the stage palette and placed for the stage size
    // (their rectangles stay pending until the first flush), then composes
    // and shows the whole frame. Only for the document being played.
    void BuildSprites(CVesperDoc* document);

    // Steps every sprite, head to tail; when any changed, the pending
    // rectangles are recomposed and shown.
    void Tick();

    // Changes given by a rectangle (or none): ChangeArea records the area
    // for the next flush, ChangeFlush recomposes and shows the pending areas,
    // ChangeObject recomposes and shows the area at once. A background comes
    // only as a picture, so ChangeBackground here, like any unknown kind,
    // recomposes and shows the whole frame. Ignored before a scene is loaded.
    void NotifyChange(int kind, const RECT* area) override;
    // Changes given by a picture or sprite: ChangeBackground installs the
    // picture as the background (new frame buffer and stage palette) and
    // shows the whole frame; every other kind stands for the object's
    // rectangle, as above.
    void NotifyChange(int kind, CDIB8BPP* object);
    void NotifyChange(int kind) { NotifyChange(kind, static_cast<const RECT*>(nullptr)); }

    // Paints the background and then the sprites, tail to head, inside clip
    // (null: the whole frame) into the frame buffer.
    void Compose(const RECT* clip);
    // Merges the pending rectangles, recomposes and shows each, and forgets them.
    void FlushDirtyAreas();
    SIZE GetStageSize() const override;
    // Deletes the stage's working sprites.
    void ClearSprites();
    // Drops frame buffer, palettes, sprites and background; the document link
    // and any pending rectangles stay.
    void ReleaseScene();

    std::unique_ptr<CDIB8BPP> m_pBackground;
    CSpriteList m_sprites;
    int m_nWidth = 0;
    int m_nHeight = 0;
    CRectList m_dirtyRects;
    CVesperDoc* m_pDocument = nullptr;

private:
    // The stage's sprites, from the tail of the list to the head, by place
    // in the frame; sprites do not move while it is in use.
    SpriteIndex IndexSprites() const;
    // Compose inside clip, finding the sprites to draw in the index.
    void ComposeWith(const RECT* clip, SpriteIndex& sprites);
    // Recomposes and shows one area.
    void Redraw(const RECT& area, SpriteIndex& sprites);
};

// The one stage of the program.
extern CSaverStage g_stage;
