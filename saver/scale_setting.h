// The whole-pixel scale of full-screen saving, kept beside the speed in the
// settings file "vesper.ini", section "settings", key "scale": "auto" (the
// default) or a whole factor of 1 or more.
#pragma once

#include "saver/internal.h"

#include <string>

#include "stage/pixel_scale.h"

inline constexpr const char* kScaleKey = "scale";
inline constexpr ScaleChoice kDefaultScale = kAutoScale;

// The stored scale; the default when the file or key is missing or empty.
// A value that is not a scale gives the default too, with one line on
// standard error naming the file and the key; the file is left as it is.
ScaleChoice ReadScaleSetting();

// "the key "scale" of [settings]", in the user's language: where a stored
// scale was read, for the messages that refuse it.
std::string StoredScaleKey();
// The line (with its newline) that names the settings file, why its scale is
// not used (`refusal`) and that the default is used instead.
std::string StoredScaleRefusedLine(const std::string& refusal);
