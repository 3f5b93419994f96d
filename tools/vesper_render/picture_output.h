// Pictures of the stage's frame buffer as files: an 8-bit .bmp of its palette
// indexes, a true-colour .png, and an animated GIF of a run. Every one uses
// the default palette for the colours of the indexes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/dib8bpp.h"
#include "platform/kernel/patchable_data.h"
#include "platform/api/win32_types.h"
#include "tools/vesper_scene/png_codec.h"

namespace vesper::tools {

enum class PictureFormat { bmp, png };

// From the file name's ending (.bmp or .png, in any case); none otherwise.
std::optional<PictureFormat> PictureFormatOf(const std::string& path);

// An uncompressed 8-bit .bmp: 14-byte file header, 40-byte info header, the
// default palette as its 256-entry colour table, and the frame's indexes as
// the frame holds them (bottom row first, rows padded to 4 bytes).
std::vector<BYTE> EncodeFrameBmp(const CDIB8BPP& frame);
// The frame in true colour, each index replaced by its default palette
// colour, opaque.
RgbaImage FrameToRgba(const CDIB8BPP& frame);
// That picture as PNG file contents.
platform::Outcome<std::vector<BYTE>> EncodeFramePng(const CDIB8BPP& frame);

// An animated GIF built frame by frame in memory: the default palette as the
// global colour table, every frame the whole picture, shown for a fixed
// time, looping for ever.
class GifRecording {
public:
    // Empty with a reason when the encoder cannot start.
    static platform::Outcome<std::unique_ptr<GifRecording>> Start(int width, int height, int frameCentiseconds);
    ~GifRecording();
    GifRecording(const GifRecording&) = delete;
    GifRecording& operator=(const GifRecording&) = delete;

    // Adds the frame (of the recording's size) as the next picture; the
    // error text, empty on success.
    std::string AddFrame(const CDIB8BPP& frame);
    // Ends the file and returns its bytes; no frame can be added afterwards.
    platform::Outcome<std::vector<BYTE>> Finish();

private:
    struct Encoder;
    explicit GifRecording(std::unique_ptr<Encoder> encoder);
    std::unique_ptr<Encoder> m_encoder;
};

}  // namespace vesper::tools
