// The ordered list of sprites, head in front. Every sprite in the list reports
// its changes to the list's embedded observer.
#pragma once

#include "framework/archive.h"
#include "framework/object_list.h"
#include "sprites/sprite_observer.h"

class CSaverStage;
class CSprite;

class CSpriteList : public CObList {
    DECLARE_SERIAL(CSpriteList)

public:
    CSpriteList();
    CSpriteList(const CSpriteList&) = delete;
    CSpriteList& operator=(const CSpriteList&) = delete;

    // Stored form: an unsigned 32-bit count, then that many sprite objects,
    // head first. Loading appends to the list.
    void Serialize(CArchive& ar) override;

    // Sets the sprite's owner to this list's observer and appends it at the
    // tail; 1 on success. Refuses (0) a null sprite and one that already
    // reports to this list, which would otherwise be listed (and deleted) twice.
    int AddSprite(CSprite* sprite);
    // Takes the sprite out of the list and clears its owner; returns it, or
    // null when it is not in the list. The sprite is not deleted.
    CSprite* RemoveSprite(CSprite* sprite);
    // Puts a sprite of this list behind all others; leaves other sprites alone.
    void MoveToTail(CSprite* sprite);
    // Deletes every sprite, then empties the list. Destroying the list does not
    // delete its sprites, so its owner calls this first.
    void DeleteAllSprites();
    // A list abandoned by a failed load deletes the sprites it had read.
    void FreeOwnedObjects() override;

    CSpriteListObserver observer;
    CSaverStage* ownerStage = nullptr;  // the stage showing this list; not read here
};
