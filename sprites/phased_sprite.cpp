#include "sprites/phased_sprite.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "sprites/sprite_observer.h"

IMPLEMENT_SERIAL(CPhasedSprite, CSprite, 0)

void CPhasedSprite::Serialize(CArchive& ar)
{
    CSprite::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(phaseCount) << static_cast<LONG>(phaseSpeed);
        return;
    }
    LONG storedCount, storedSpeed;
    ar >> storedCount >> storedSpeed;
    phaseCount = storedCount == 0 ? 1 : storedCount;
    phaseSpeed = storedSpeed;
    // ImageHeight() is never negative, so any stored count divides safely.
    phaseHeight = ImageHeight() / phaseCount;
    phase = 0;
}

void CPhasedSprite::ResetImageState()
{
    CSprite::ResetImageState();
    phaseHeight = ImageHeight();
    phaseCount = 1;
    phase = 0;
}

int CPhasedSprite::FirstRowOfPhase() const
{
    const std::int64_t row = std::int64_t{phase} * phaseHeight;
    return static_cast<int>(std::clamp<std::int64_t>(row, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

BOOL CPhasedSprite::HitTest(int px, int py) const
{
    return HitTestFromRow(px, py, FirstRowOfPhase());
}

void CPhasedSprite::Draw(CDIB8BPP& target, const RECT& clip) const
{
    DrawFromRow(target, clip, FirstRowOfPhase());
}

BOOL CPhasedSprite::SetPhase(int p)
{
    // A negative phase would have the frame read above its first row.
    if (p < 0 || p >= phaseCount || p == phase)
        return FALSE;
    phase = p;
    if (owner) {
        RECT current;
        GetRect(&current);
        NotifyOwner(ChangePhase, &current, nullptr);
    }
    return TRUE;
}

BOOL CPhasedSprite::SetPhaseCount(int n)
{
    if (n < 1)
        return FALSE;
    const int height = ImageHeight() / n;
    if (height < 1)
        return FALSE;
    phaseCount = n;
    phaseHeight = height;
    phase = 0;
    return TRUE;
}
