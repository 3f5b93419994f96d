// The command line of vesper-render: which scene to play, on what stage, for
// how many ticks, and where the pictures go.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/kernel/patchable_data.h"
#include "stage/pixel_scale.h"

namespace vesper::tools {

struct RenderOptions {
    std::string input;
    // The picture's size; the stage is this size unless a scale is given.
    int width = 0;
    int height = 0;
    bool preview = false;
    // With --size: the stage the scale leaves of width x height, shown
    // magnified in the picture as on a screen of that size.
    std::optional<StageLayout> layout;
    unsigned seed = 0;
    int ticks = 0;
    std::string out;
    std::optional<std::string> gif;
    int every = 1;
};

// What the command line asks for: a run, or the usage text.
struct RenderCommand {
    bool help = false;
    RenderOptions options;
};

// Reads the arguments (without the program name). Refused with a message:
// unknown options, missing values, numbers that are not whole decimal
// numbers in range, no input, no --out, no stage size (--size or
// --preview, not both), an output that is neither .bmp nor .png, --every
// without --gif, a --scale that is not auto or a factor, that goes without
// --size or that leaves no stage of the size.
platform::Outcome<RenderCommand> ParseRenderArguments(std::span<const std::string> args);

std::string RenderUsage();

}  // namespace vesper::tools
