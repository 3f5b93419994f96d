// A sprite showing one of several phases of its picture, stacked vertically
// with phase 0 at the top, each phaseHeight rows tall.
#pragma once

#include "sprites/sprite.h"

class CPhasedSprite : public CSprite {
    DECLARE_SERIAL(CPhasedSprite)

public:
    CPhasedSprite() = default;

    // The CSprite form, then phaseCount and phaseSpeed as signed 32-bit values.
    void Serialize(CArchive& ar) override;

    // One phase high.
    int GetHeight() const override { return phaseHeight; }
    // The CSprite test, one phase high, on the pixel of the phase shown.
    BOOL HitTest(int px, int py) const override;
    // Draws the phase shown: source rows start phase × phaseHeight down.
    void Draw(CDIB8BPP& target, const RECT& clip) const override;
    // Back to a single phase covering the whole picture.
    void ResetImageState() override;

    virtual int GetPhaseCount() const { return phaseCount; }
    virtual int GetPhase() const { return phase; }
    // Selects phase p (0 <= p < phaseCount); 1 when the phase changed.
    virtual BOOL SetPhase(int p);
    // Divides the picture into n phases of at least one row; 1 on success.
    virtual BOOL SetPhaseCount(int n);

    int phaseHeight = 0;
    int phaseCount = 1;
    int phase = 0;
    int phaseSpeed = 8;  // a phase lasts 21 - phaseSpeed ticks

private:
    // Frame row (from the top) where the phase shown begins.
    int FirstRowOfPhase() const;
};
