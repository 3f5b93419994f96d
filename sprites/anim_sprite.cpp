#include "sprites/anim_sprite.h"

#include <cstdlib>

IMPLEMENT_SERIAL(CAnimSprite, CPhasedSprite, 0)

namespace {

// pauseKey is drawn from 0 .. kPauseLottery - 1.
constexpr int kPauseLottery = 300;
constexpr int kStartAngle = 90;

}  // namespace

int CAnimSprite::DrawPauseKey()
{
    return std::rand() % kPauseLottery;
}

CAnimSprite::CAnimSprite()
{
    pauseKey = DrawPauseKey();
}

CAnimSprite::CAnimSprite(const CAnimSprite& other)
    : CPhasedSprite(),
      dx(other.dx),
      dy(other.dy),
      fracX(other.fracX),
      fracY(other.fracY),
      tickCount(other.tickCount),
      motion(other.motion),
      edgeMode(other.edgeMode)
{
    phaseHeight = other.phaseHeight;
    phaseCount = other.phaseCount;
    phase = other.phase;
    phaseSpeed = other.phaseSpeed;
    x = other.x;
    y = other.y;
    depth = other.depth;
    auxWord1 = other.auxWord1;
    auxWord2 = other.auxWord2;
    transparentIndex = other.transparentIndex;
    image.CopyFrom(other.image);
    angle = kStartAngle;
    pauseKey = DrawPauseKey();
}

void CAnimSprite::Serialize(CArchive& ar)
{
    CPhasedSprite::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(dx) << static_cast<LONG>(dy) << static_cast<LONG>(motion) << static_cast<LONG>(edgeMode);
        return;
    }
    LONG storedDx, storedDy, storedMotion, storedEdgeMode;
    ar >> storedDx >> storedDy >> storedMotion >> storedEdgeMode;
    dx = storedDx;
    dy = storedDy;
    motion = storedMotion;
    edgeMode = storedEdgeMode;
}
