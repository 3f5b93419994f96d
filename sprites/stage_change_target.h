// What a stage offers to the sprite lists it shows: a single entry point that
// collects changed areas and other changes for the next redraw.
#pragma once

#include "platform/win32.h"

// Kinds of change passed to NotifyChange.
enum StageChangeKind : int {
    ChangeBackground = 1,
    ChangeObject = 2,
    ChangeArea = 3,  // area: the stage rectangle that must be recomposed
    ChangeFlush = 4,
};

// Implemented by the stage; a sprite list's observer forwards the areas of
// moved sprites here. Kept free of CObject so that the stage can add it to its
// own framework base without a second root.
class CStageChangeTarget {
public:
    virtual void NotifyChange(int kind, const RECT* area) = 0;

protected:
    CStageChangeTarget() = default;
    ~CStageChangeTarget() = default;
};
