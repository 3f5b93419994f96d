#include "imaging/picture_limits.h"

namespace vesper::imaging {
namespace {

PictureLimits g_limits = kPictureLimits;
thread_local std::string t_lastRefusal;

std::string Mebibytes(std::uint64_t bytes)
{
    return std::to_string(bytes >> 20) + " MiB";
}

}  // namespace

const PictureLimits& CurrentPictureLimits()
{
    return g_limits;
}

void SetPictureLimits(const PictureLimits& limits)
{
    g_limits = limits;
}

std::optional<std::string> PictureSizeRefusal(std::uint64_t width, std::uint64_t height, std::uint64_t rowBytes,
                                              std::optional<std::uint64_t> encodedBytes)
{
    const PictureLimits& limits = CurrentPictureLimits();
    const std::string picture = "a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width > limits.maxSide || height > limits.maxSide)
        return picture + " is too large: at most " + std::to_string(limits.maxSide) + " pixels on each side";
    const std::uint64_t bytes = rowBytes * height;  // both at most 2^32, so no overflow
    if (bytes > limits.maxPixelBytes)
        return picture + " is too large: its rows take " + std::to_string(bytes) + " bytes, at most " +
               Mebibytes(limits.maxPixelBytes) + " are read";
    if (encodedBytes && bytes > limits.runLengthAllowance &&
        bytes - limits.runLengthAllowance > *encodedBytes * limits.runLengthExpansion)
        return picture + " is too large for its " + std::to_string(*encodedBytes) +
               " bytes of run-length data: a picture of more than " + Mebibytes(limits.runLengthAllowance) +
               " may take at most " + std::to_string(limits.runLengthExpansion) + " bytes for each byte of its data";
    return std::nullopt;
}

const std::string& LastPictureRefusal()
{
    return t_lastRefusal;
}

void SetLastPictureRefusal(std::string reason)
{
    t_lastRefusal = std::move(reason);
}

}  // namespace vesper::imaging
