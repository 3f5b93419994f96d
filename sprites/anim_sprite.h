// The sprite a scene plays: moves in a straight line or bounces, wraps or
// rebounds at the stage edges, and advances its phases on a cadence.
#pragma once

#include "sprites/phased_sprite.h"

// Values of CAnimSprite::motion.
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
    CAnimSprite& operator=(const CAnimSprite&) = delete;

    // The CPhasedSprite form, then dx, dy, motion, edgeMode as signed 32-bit.
    void Serialize(CArchive& ar) override;

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
    static int DrawPauseKey();
};
