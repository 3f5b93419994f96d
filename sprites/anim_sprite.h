// The sprite a scene plays: moves in a straight line or bounces, wraps or
// rebounds at the stage edges, and advances its phases on a cadence.
#pragma once

#include "sprites/phased_sprite.h"

class CStageChangeTarget;

// Values of CAnimSprite::motion; any other value does not move.
enum AnimMotion : int {
    MotionLinear = 1,
    MotionBounce = 2,
};

// Values of CAnimSprite::edgeMode; any other value behaves as EdgeWrap.
enum AnimEdgeMode : int {
    EdgeWrap = 0,
    EdgeWrapPause = 1,
    EdgeRebound = 2,
};

class CAnimSprite : public CPhasedSprite {
    DECLARE_SERIAL(CAnimSprite)

public:
    // Draws one rand() for pauseKey.
    CAnimSprite();
    // The stage's working copy of a document sprite: motion, phase and
    // position fields and an independent copy of the picture; owner,
    // document, the aux texts and the frame are not copied. Starts at angle
    // 90 with a fresh pauseKey (one rand() draw).
    CAnimSprite(const CAnimSprite& other);
    // The same working copy made from a sprite of any kind of the family, for
    // scenes that list plain or phased sprites. What the source lacks takes
    // its construction value (no velocity, linear motion, wrapping at the
    // edges); a plain sprite becomes a single phase covering its picture.
    // Draws one rand(), as the copy does.
    explicit CAnimSprite(const CSprite& source);
    CAnimSprite& operator=(const CAnimSprite&) = delete;

    // The CPhasedSprite form, then dx, dy, motion, edgeMode as signed 32-bit.
    void Serialize(CArchive& ar) override;

    // One tick: the pause lottery, the horizontal and the vertical move with
    // the edge handling, and the phase cadence; ends with SetPosition when
    // anything changed. Reads only the size of the stage. 1 when changed.
    BOOL Step(const CStageChangeTarget& stage);

    // Places a working copy on a stage of the given size: the stored position
    // (authored for 640 × 480) is scaled to the stage, the bounce arc made to
    // start at that height, and the sprite moved there with SetPosition.
    void PlaceOnStage(int stageWidth, int stageHeight);

    int dx = 0;  // tenths of a pixel per tick
    int dy = 0;  // linear: tenths of a pixel per tick; bounce: tenths of a degree
    int fracX = 0;
    int fracY = 0;
    int tickCount = 0;
    int motion = MotionLinear;
    int edgeMode = EdgeWrap;
    int bounceHeight = 0;
    int angle = 90;
    int pauseKey = 0;  // 0: not paused

private:
    // How one axis of straight-line motion ended its tick.
    enum class AxisMove { None, Moved, Wrapped };

    static int DrawPauseKey();
    // Draws a pause of at least one lottery number.
    void StartPause();
    // Moves `position` along one axis by the whole pixels that `velocity`
    // has accumulated in `remainder`, rebounding or wrapping at 0 and
    // stageExtent for a sprite `extent` pixels long on that axis.
    AxisMove StepLinearAxis(int& velocity, int& remainder, int& position, int stageExtent, int extent);
    // Advances the bounce angle; true when newY was recomputed.
    bool StepBounce(int stageHeight, int& newY);
    // Counts the tick and shows the next phase when the cadence is due; true
    // on the phase tick.
    bool StepPhase();
};
