// A picture with a position, drawn over the stage's background with one
// palette index left out. The base of the sprite family: the frame it derives
// from holds the picture converted to the stage palette, `image` the picture
// as authored and stored.
#pragma once

#include <string>

#include "framework/archive.h"
#include "imaging/dib8bpp.h"
#include "platform/win32.h"
#include "imaging/dib.h"

class CSpriteObserver;
class CVesperDoc;

class CSprite : public CDIB8BPP {
    DECLARE_SERIAL(CSprite)

public:
    CSprite();
    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    // Stored form: image, auxText1, auxText2, then x, y, depth as signed and
    // auxWord1, auxWord2 as unsigned 16-bit values.
    void Serialize(CArchive& ar) override;

    // Bounding rectangle in stage coordinates, one GetHeight() high.
    void GetRect(LPRECT out) const override;

    // A sprite's picture comes only through `image`: reading a frame from a
    // file reads nothing, loading by name loads `image`.
    BOOL ReadImage(CFile* file) override;
    BOOL LoadImage(LPCSTR fileName) override;
    BOOL UsePalette(CPalette* palette) override;

    virtual int GetX() const { return x; }
    virtual int GetY() const { return y; }
    virtual int GetDepth() const { return depth; }

    // Moves the sprite and reports ChangePosition with the old and the new
    // rectangle, also when the position is unchanged.
    virtual void SetPosition(int newX, int newY);
    // Reports ChangeOrder when the depth actually changes.
    virtual void SetDepth(int newDepth);
    virtual void SetOwner(CSpriteObserver* observer) { owner = observer; }
    // Whether the stage point lies strictly inside the sprite (its left column
    // and top row never hit) on a pixel that is not transparentIndex.
    virtual BOOL HitTest(int px, int py) const;
    // Draws the part of the sprite inside clip (stage coordinates) into
    // target, leaving out every pixel of transparentIndex.
    virtual void Draw(CDIB8BPP& target, const RECT& clip) const;
    virtual void ResetImageState();

    // Builds the frame from `image`: the picture converted to the default
    // palette, its key colour (the bottom-left pixel's) as index 1, and
    // transparentIndex taken from the frame's top-left pixel. Leaves the
    // sprite unchanged when it has no picture; a picture that cannot be
    // converted leaves the frame empty and transparentIndex 0.
    void PrepareFrame();

    // Height of `image` from its bitmap header; 0 without a picture. Never
    // negative, so phase heights can be divided from it safely.
    int ImageHeight() const;

    int x = 0;
    int y = 0;
    int depth = 50;
    DWORD auxWord1 = 0;  // unsigned 16-bit value, no behaviour
    DWORD auxWord2 = 0;  // unsigned 16-bit value, no behaviour
    BYTE transparentIndex = 0;
    CSpriteObserver* owner = nullptr;
    CDIB image;
    CVesperDoc* document = nullptr;
    std::string auxText1;
    std::string auxText2;

protected:
    void NotifyOwner(DWORD flags, const RECT* first, const RECT* second);
    // Draw and HitTest over the frame rows from firstRow (counted from the
    // top) down: 0 for the whole picture, further down for one phase of it.
    void DrawFromRow(CDIB8BPP& target, const RECT& clip, int firstRow) const;
    BOOL HitTestFromRow(int px, int py, int firstRow) const;
};
