#include "sprites/sprite_observer.h"

#include "sprites/sprite_list.h"
#include "sprites/stage_change_target.h"

void CSpriteListObserver::OnSpriteChanged(CSprite* sprite, DWORD flags, const RECT* first, const RECT* second)
{
    if ((flags & ChangeOrder) && ownerList)
        ownerList->MoveToTail(sprite);
    if ((flags & ChangePosition) && targetStage) {
        targetStage->NotifyChange(ChangeArea, first);
        targetStage->NotifyChange(ChangeArea, second);
    }
}
