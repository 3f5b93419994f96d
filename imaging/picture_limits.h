// How much work a picture file may ask of a reader. Pictures come from
// anywhere (old disks, downloads, a file manager thumbnailing what lands in a
// folder), so a few bytes must not make a reader allocate or decode without
// end: beyond these limits a reader refuses the file and says which limit it
// passed. Every program that reads pictures through imaging/ inherits them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32.h"

namespace vesper::imaging {

struct PictureLimits {
    // Largest width and largest height, in pixels.
    DWORD maxSide;
    // Largest picture, in bytes of uncompressed pixel rows.
    std::uint64_t maxPixelBytes;
    // Run-length pictures may describe large areas in a few bytes, but not
    // without end: their rows may take at most runLengthAllowance bytes plus
    // runLengthExpansion bytes for every byte of encoded data.
    std::uint64_t runLengthAllowance;
    std::uint64_t runLengthExpansion;
};

// The product's limits: a 7680 x 4320 24-bit background (100 MB) fits; a
// run of 255 pixels takes 2 bytes of encoded data, so real run-length
// pictures expand 128 times at most, and 1024 leaves room for pictures made
// mostly of skipped rows.
inline constexpr PictureLimits kPictureLimits{32768, 256u << 20, 4u << 20, 1024};

// The limits in force in this process: kPictureLimits unless a program that
// must keep each read cheap (a fuzzing target) set lower ones.
const PictureLimits& CurrentPictureLimits();
void SetPictureLimits(const PictureLimits& limits);

// Why a picture of width × height pixels with rows of `rowBytes` bytes is
// refused under the current limits; empty when it is within them. For a
// run-length picture, encodedBytes is the length of its encoded data.
std::optional<std::string> PictureSizeRefusal(std::uint64_t width, std::uint64_t height, std::uint64_t rowBytes,
                                              std::optional<std::uint64_t> encodedBytes = std::nullopt);

// Why the last picture read on this thread was refused for its size ("a
// picture of ..."), or empty when it was not refused for its size (read, or
// refused for its format). Set by ReadPackedDIB, ReadPackedDIBFile and
// CDIB8BPP::ReadImage.
const std::string& LastPictureRefusal();
void SetLastPictureRefusal(std::string reason);

}  // namespace vesper::imaging
