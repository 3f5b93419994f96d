// The whole-pixel scale of full-screen saving, kept beside the speed in the
// settings file "vesper.ini", section "settings", key "scale": "auto" (the
// default) or a whole factor of 1 or more.
#pragma once

#include "saver/internal.h"

#include "stage/pixel_scale.h"

inline constexpr const char* kScaleKey = "scale";
inline constexpr ScaleChoice kDefaultScale = kAutoScale;

// The stored scale; the default when the file or key is missing or empty.
// A value that is not a scale gives the default too, with one line on
// standard error naming the file and the key; the file is left as it is.
ScaleChoice ReadScaleSetting();
