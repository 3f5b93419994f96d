// The receiving side of sprite change reports: the abstract observer every
// sprite reports to, and the observer a sprite list embeds to re-order itself
// and pass changed areas on to its stage.
#pragma once

#include "framework/object.h"
#include "platform/win32.h"

class CSprite;
class CSpriteList;
class CStageChangeTarget;

// Bits of the flags argument of OnSpriteChanged.
enum SpriteChangeFlags : DWORD {
    ChangeOrder = 1,     // depth changed; no rectangles
    ChangePosition = 2,  // rectangle before and after the move
    ChangePhase = 4,     // current rectangle only
};

class CSpriteObserver : public CObject {
public:
    // first and second may be null; which are set depends on the flags.
    virtual void OnSpriteChanged(CSprite* sprite, DWORD flags, const RECT* first, const RECT* second) = 0;
};

class CSpriteListObserver : public CSpriteObserver {
public:
    // ChangeOrder moves the sprite to the tail of ownerList; ChangePosition
    // sends both rectangles to targetStage as ChangeArea, when there is a
    // stage. Every other bit is ignored.
    void OnSpriteChanged(CSprite* sprite, DWORD flags, const RECT* first, const RECT* second) override;

    CSpriteList* ownerList = nullptr;            // the list embedding this observer
    CStageChangeTarget* targetStage = nullptr;  // null for the document's list
};
