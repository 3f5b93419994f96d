// Whole-pixel scaling: a stage shown at a factor k has floor(W / k) x
// floor(H / k) pixels for an area (a monitor, a window) of W x H, and each of
// its pixels reaches the area as a k x k block, nearest neighbour; what W and
// H leave over is a black border with the stage centred in it.
//
// "auto" takes the desktop's own scale where the desktop states one, else the
// largest factor that keeps the stage at least 1280 x 720, so that old art
// stays legible on a large screen without ever being smoothed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32.h"

// "auto" (factor 0) or a fixed whole factor of 1 or more.
struct ScaleChoice {
    int factor = 0;

    bool IsAuto() const { return factor == 0; }
    bool operator==(const ScaleChoice&) const = default;
};

inline constexpr ScaleChoice kAutoScale{};
// The values a scale takes, as messages list them.
inline constexpr std::string_view kScaleValues = "auto, 1, 2, 3, ...";
// Larger factors are refused as text already: no screen is that large.
inline constexpr int kLargestScale = 10000;
// The smallest stage "auto" chooses by itself (a desktop's stated scale may
// go below it).
inline constexpr SIZE kSmallestAutoStage{1280, 720};
// The dots per inch of a desktop at scale 1.
inline constexpr int kDotsPerInchAtScaleOne = 96;

// "auto", or a decimal whole number from 1 to kLargestScale with nothing
// around it; none for anything else ("0", "-2", "big", "", " 2").
std::optional<ScaleChoice> ParseScaleChoice(std::string_view text);
// "auto" or the factor, as ParseScaleChoice reads it back.
std::string ScaleChoiceText(ScaleChoice choice);

// dpi / 96 rounded down, at least 1.
int ScaleOfDotsPerInch(int dotsPerInch);
// The scale a Linux desktop states: GDK_SCALE (a whole number of 1 or more)
// when set, else the X resource Xft.dpi / 96 rounded down; none when neither
// is given or readable. Either argument may be null.
std::optional<int> DesktopScaleFromHints(const char* gdkScale, const char* xftDpi);

// The largest factor that keeps a stage of at least kSmallestAutoStage on an
// area of that size; 1 when even the whole area is smaller.
int LargestScaleKeepingDetail(SIZE area);

// The factor a choice gives on an area: a fixed one as it is; "auto" the
// desktop's scale when it states one, else LargestScaleKeepingDetail, cut so
// that the stage keeps at least one pixel.
int ResolveScale(ScaleChoice choice, SIZE area, std::optional<int> desktopScale);

// Where a stage lies in its area and how large its pixels are.
struct StageLayout {
    int factor = 1;
    SIZE stage{0, 0};    // floor(area / factor)
    POINT origin{0, 0};  // the stage's top left in the area: half the border
    SIZE area{0, 0};

    // The area pixels a rectangle of stage pixels covers.
    RECT AreaOf(const RECT& stageRect) const;
    // The stage pixels whose blocks meet a rectangle of area pixels.
    RECT StageOf(const RECT& areaRect) const;
};

// None when the factor leaves the stage smaller than 1 x 1 (or is below 1).
std::optional<StageLayout> LayoutStage(SIZE area, int factor);

// The complaint about a bad scale: what was given, where, and the values
// the option or key takes.
std::string BadScaleMessage(std::string_view where, std::string_view given);
// The complaint about a scale too large for an area.
std::string ScaleTooLargeMessage(std::string_view where, int factor, SIZE area);
