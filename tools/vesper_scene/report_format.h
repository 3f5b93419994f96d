// The two forms of `vesper-scene info`'s report: readable text and JSON.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {

std::string FormatText(const SceneInspection& inspection);
nlohmann::json ToJson(const SceneInspection& inspection);
// JSON text; the scene's 8-bit (Windows-1252) texts are given as UTF-8.
std::string FormatJson(const SceneInspection& inspection);

// Names of the coded values, for both forms.
std::string BackgroundKindName(DWORD kind);
std::string PlacementName(DWORD placement);
std::string MotionName(int motion);
std::string EdgeModeName(int edgeMode);
std::string FailureKindName(SceneLoadFailure::Kind kind);
// The cause of a failure in words ("unexpected end of data").
std::string CauseName(const SceneLoadFailure& failure);

}  // namespace vesper::tools
