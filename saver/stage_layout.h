// How large a stage the saver window gets and how its pixels reach the
// window: the preview's 640 x 480 stretched into a small host window, or the
// stage that the whole-pixel scale leaves of the screen or of a large host
// window. Shared by the saver window's creation and by the command lines that
// refuse a scale before any window exists.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32.h"
#include "stage/pixel_scale.h"

// Whether a host window of that client size gets a scaled stage of its own
// (at least the preview stage's size) rather than the stretched preview.
bool HostGetsScaledStage(SIZE client);

// The layout for an area: the scale `choice`, with "auto" taking the
// desktop's scale for `window`. A fixed scale too large for the area (a host
// window may shrink) falls back to auto's rule.
StageLayout ScaledStageLayout(SIZE area, ScaleChoice choice, HWND window);

// As ScaledStageLayout for the scale stored in the settings file: one too
// large for the area is named on standard error (the file and the key)
// before auto's rule is used; the file is left as it is.
StageLayout StoredScaleStageLayout(SIZE area, ScaleChoice stored, HWND window);

// The layout of the preview stage, stretched into its window.
StageLayout PreviewStageLayout();

// Empty when the scale leaves a stage on the area; otherwise the complaint,
// naming `where` ("the option \"--scale\"") and the values it takes.
std::string FixedScaleRefusal(std::optional<ScaleChoice> choice, SIZE area, std::string_view where);
