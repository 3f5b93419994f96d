#include "sprites/anim_sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "sprites/stage_change_target.h"

IMPLEMENT_SERIAL(CAnimSprite, CPhasedSprite, 0)

namespace {

// pauseKey is drawn from 0 .. kPauseLottery - 1.
constexpr int kPauseLottery = 300;
constexpr int kStartAngle = 90;
// Velocities and remainders are in tenths of a pixel (or of a degree).
constexpr int kSubSteps = 10;
constexpr int kFullCircle = 360;
// The bounce arc's factor from degrees to radians is taken with this value,
// a little more than 2π: the lowest point of a half arc then comes out one
// pixel above the floor.
constexpr double kBounceCircleRadians = 6.2832;
// A phase lasts kPhaseCadence - phaseSpeed ticks.
constexpr int kPhaseCadence = 21;
// Stored positions are authored for a stage of this size.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;

// Motion arithmetic runs in 64 bits and comes back to 32 bits saturated, so
// that extreme stored velocities or positions cannot overflow.
int Saturate(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int Negated(int value)
{
    return Saturate(-std::int64_t{value});
}

// Truncation toward zero, saturated at the ends of the 32-bit range.
int TruncateToInt(double value)
{
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

// A stored coordinate scaled from the design extent to the stage's.
int ScaleToStage(int designValue, int stageExtent, int designExtent)
{
    return Saturate(std::int64_t{designValue} * stageExtent / designExtent);
}

}  // namespace

int CAnimSprite::DrawPauseKey()
{
    return std::rand() % kPauseLottery;
}

CAnimSprite::CAnimSprite()
{
    pauseKey = DrawPauseKey();
}

CAnimSprite::CAnimSprite(const CAnimSprite& other) : CAnimSprite(static_cast<const CSprite&>(other)) {}

CAnimSprite::CAnimSprite(const CSprite& source) : CPhasedSprite()
{
    x = source.x;
    y = source.y;
    depth = source.depth;
    auxWord1 = source.auxWord1;
    auxWord2 = source.auxWord2;
    transparentIndex = source.transparentIndex;
    image.CopyFrom(source.image);

    if (const auto* phased = dynamic_cast<const CPhasedSprite*>(&source)) {
        phaseHeight = phased->phaseHeight;
        phaseCount = phased->phaseCount;
        phase = phased->phase;
        phaseSpeed = phased->phaseSpeed;
    } else {
        // A plain sprite shows its whole picture, as one phase.
        phaseHeight = ImageHeight();
    }
    if (const auto* animated = dynamic_cast<const CAnimSprite*>(&source)) {
        dx = animated->dx;
        dy = animated->dy;
        fracX = animated->fracX;
        fracY = animated->fracY;
        tickCount = animated->tickCount;
        motion = animated->motion;
        edgeMode = animated->edgeMode;
    }
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

void CAnimSprite::PlaceOnStage(int stageWidth, int stageHeight)
{
    const int placedX = ScaleToStage(x, stageWidth, kDesignWidth);
    const int placedY = ScaleToStage(y, stageHeight, kDesignHeight);
    bounceHeight = Saturate(std::int64_t{stageHeight} - GetHeight() - placedY);
    SetPosition(placedX, placedY);
}

void CAnimSprite::StartPause()
{
    pauseKey = DrawPauseKey();
    if (pauseKey == 0)
        pauseKey = 1;
}

BOOL CAnimSprite::Step(const CStageChangeTarget& stage)
{
    const SIZE size = stage.GetStageSize();

    // A pause ends when a lottery draw hits pauseKey; nothing else happens
    // on a paused tick.
    if (edgeMode == EdgeWrapPause) {
        if (pauseKey != 0 && DrawPauseKey() == pauseKey)
            pauseKey = 0;
        if (pauseKey != 0)
            return FALSE;
    }

    bool changed = false;
    int newX = x;
    int newY = y;
    const auto axisDone = [&](AxisMove move) {
        changed = changed || move != AxisMove::None;
        if (move == AxisMove::Wrapped && edgeMode == EdgeWrapPause)
            StartPause();
    };
    if (motion == MotionLinear || motion == MotionBounce)
        axisDone(StepLinearAxis(dx, fracX, newX, size.cx, GetWidth()));
    if (motion == MotionLinear)
        axisDone(StepLinearAxis(dy, fracY, newY, size.cy, GetHeight()));
    else if (motion == MotionBounce)
        changed = StepBounce(size.cy, newY) || changed;
    changed = StepPhase() || changed;

    if (!changed)
        return FALSE;
    SetPosition(newX, newY);
    return TRUE;
}

CAnimSprite::AxisMove CAnimSprite::StepLinearAxis(int& velocity, int& remainder, int& position, int stageExtent, int extent)
{
    if (velocity == 0)
        return AxisMove::None;
    const std::int64_t accumulated = std::int64_t{remainder} + velocity;
    const std::int64_t pixels = accumulated / kSubSteps;
    if (pixels == 0) {
        remainder = static_cast<int>(accumulated);
        return AxisMove::None;
    }
    remainder = static_cast<int>(accumulated % kSubSteps);
    const std::int64_t moved = std::int64_t{position} + pixels;

    if (edgeMode == EdgeRebound) {
        // Touching the near edge reverses; at the far edge only overlapping
        // does. The sprite keeps the computed place for this tick.
        if (moved <= 0 && velocity < 0)
            velocity = Negated(velocity);
        else if (moved > std::int64_t{stageExtent} - extent && velocity > 0)
            velocity = Negated(velocity);
        position = Saturate(moved);
        return AxisMove::Moved;
    }
    if (velocity > 0 && moved > stageExtent) {
        position = Negated(extent);
        return AxisMove::Wrapped;
    }
    if (velocity < 0 && moved < -std::int64_t{extent}) {
        position = stageExtent;
        return AxisMove::Wrapped;
    }
    position = Saturate(moved);
    return AxisMove::Moved;
}

bool CAnimSprite::StepBounce(int stageHeight, int& newY)
{
    if (dy == 0)
        dy = 1;
    const std::int64_t accumulated = std::int64_t{fracY} + dy;
    const std::int64_t degrees = accumulated / kSubSteps;
    if (degrees == 0) {
        fracY = static_cast<int>(accumulated);
        return false;
    }
    fracY = static_cast<int>(accumulated % kSubSteps);
    angle = static_cast<int>((std::int64_t{angle} + degrees) % kFullCircle);

    // The bottom edge follows |sin| of the angle: on the floor at 0 and 180
    // degrees, bounceHeight above it at 90. The sprite's height enters as an
    // unsigned value, all in double precision.
    const double radians = angle * kBounceCircleRadians * (1.0 / kFullCircle);
    const double height = static_cast<unsigned>(GetHeight());
    newY = TruncateToInt((stageHeight - std::fabs(std::sin(radians) * bounceHeight)) - height);
    return true;
}

bool CAnimSprite::StepPhase()
{
    tickCount = Saturate(std::int64_t{tickCount} + 1);
    if (tickCount < std::int64_t{kPhaseCadence} - phaseSpeed)
        return false;
    tickCount = 0;
    const int count = GetPhaseCount();
    if (count > 1)
        SetPhase(static_cast<int>((std::int64_t{GetPhase()} + 1) % count));
    return true;
}
