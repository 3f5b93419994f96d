// vesper-thumbnailer: the picture a file manager shows for a saver or a
// scene. The scene plays on the preview stage (640 x 480, the space scenes are
// authored in) for a few seconds, so that the sprites have left their
// starting places, and the frame is shrunk to the asked size by averaging.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "platform/kernel/patchable_data.h"
#include "tools/vesper_scene/png_codec.h"

namespace vesper::tools {

inline constexpr int kThumbnailStageWidth = 640;
inline constexpr int kThumbnailStageHeight = 480;
// Three seconds at the full-screen pace of one tick per 20 ms.
inline constexpr int kThumbnailTicks = 150;
inline constexpr int kDefaultThumbnailSize = 256;
inline constexpr int kLargestThumbnailSize = 4096;

struct PictureSize {
    LONG width = 0;
    LONG height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The size of a width x height picture shrunk to fit a square of `largest`
// pixels with its aspect kept (each side rounded, at least 1); a picture
// that fits already keeps its size, since a thumbnail is never enlarged.
PictureSize FitWithin(LONG width, LONG height, int largest);

// The picture at `size` (no larger than the picture), every pixel the
// average of the source area it covers, partly covered source pixels
// weighed by the part they cover.
RgbaImage ShrinkByAveraging(const RgbaImage& picture, PictureSize size);

struct ThumbnailOptions {
    int size = kDefaultThumbnailSize;
    std::string input;
    std::string output;
};

struct ThumbnailCommand {
    bool help = false;
    ThumbnailOptions options;
};

// "-s SIZE INPUT OUTPUT" (as the desktop's thumbnailer entries pass it) or
// --help. Refused with a message: unknown options, a size that is not a
// whole number from 1 to kLargestThumbnailSize, not exactly two files.
platform::Outcome<ThumbnailCommand> ParseThumbnailArguments(std::span<const std::string> args);
std::string ThumbnailUsage();

// Plays the scene of `input` and writes the PNG thumbnail to `output`, whole
// or not at all; the input is the only file read and the output the only
// one written. 0 on success, 1 (with the reason on `err`) when the file holds
// no scene that shows, 2 for wrong arguments.
int RunThumbnailer(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace vesper::tools
