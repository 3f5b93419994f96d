// vesper-render's work: play a scene on the program's stage, headless, and
// write pictures of its frame buffer.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "tools/vesper_render/render_options.h"

namespace vesper::tools {

inline constexpr int kRenderSucceeded = 0;
inline constexpr int kRenderFailed = 1;
inline constexpr int kRenderUsageError = 2;

// Sets up what the saver window's creation sets up, with the options' seed
// and stage size on a headless true-colour screen of that size, loads the
// scene, plays the ticks and writes the outputs. Reasons for a failure go
// to `err`; returns kRenderSucceeded or kRenderFailed. Uses the program's
// one stage, so one render runs at a time.
int RenderScene(const RenderOptions& options, std::ostream& err);

// The whole command: arguments (without the program name) to exit code.
int RunRenderTool(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace vesper::tools
