#include "imaging/picture_limits.h"
#include "platform/kernel/translation.h"

namespace vesper::imaging {
namespace {

PictureLimits g_limits = kPictureLimits;
thread_local std::string t_lastRefusal;

std::string Mebibytes(std::uint64_t bytes)
{
    return vesper::Fill(vesper::Tr("%s MiB"), {std::to_string(bytes >> 20)});
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
    using vesper::Fill;
    using vesper::Tr;
    const std::string wide = std::to_string(width);
    const std::string high = std::to_string(height);
    if (width > limits.maxSide || height > limits.maxSide)
        return Fill(Tr("a picture of %s x %s pixels is too large: at most %s pixels on each side"),
                    {wide, high, std::to_string(limits.maxSide)});
    const std::uint64_t bytes = rowBytes * height;  // both at most 2^32, so no overflow
    if (bytes > limits.maxPixelBytes)
        return Fill(Tr("a picture of %s x %s pixels is too large: its rows take %s bytes, at most %s are read"),
                    {wide, high, std::to_string(bytes), Mebibytes(limits.maxPixelBytes)});
    if (encodedBytes && bytes > limits.runLengthAllowance &&
        bytes - limits.runLengthAllowance > *encodedBytes * limits.runLengthExpansion)
        return Fill(Tr("a picture of %s x %s pixels is too large for its %s bytes of run-length data: a picture of "
                       "more than %s may take at most %s bytes for each byte of its data"),
                    {wide, high, std::to_string(*encodedBytes), Mebibytes(limits.runLengthAllowance),
                     std::to_string(limits.runLengthExpansion)});
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
