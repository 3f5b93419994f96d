// What a stage offers to the sprites it shows: a single entry point that
// collects changed areas and other changes for the next redraw, and the stage
// size that moving sprites measure their edges against.
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
// moved sprites here, and an animated sprite's Step reads the stage size. Kept
// free of CObject so that the stage can add it to its own framework base
// without a second root.
class CStageChangeTarget {
public:
    virtual void NotifyChange(int kind, const RECT* area) = 0;
    // Width (cx) and height (cy) of the stage in pixels.
    virtual SIZE GetStageSize() const = 0;

protected:
    CStageChangeTarget() = default;
    ~CStageChangeTarget() = default;
};
