#include "tools/vesper_render/picture_output.h"

#include <gif_lib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "imaging/default_palette.h"
#include "imaging/packed_dib.h"
#include "tools/vesper_scene/png_codec.h"

namespace vesper::tools {

namespace {

constexpr std::size_t kBmpHeadersSize = kFileHeaderSize + kInfoHeaderSize + kDIB8ColourTableEntries * sizeof(RGBQUAD);
constexpr int kGifColourResolution = 8;
constexpr int kGifLargestDelay = 0xFFFF;
constexpr char kLoopApplication[] = "NETSCAPE2.0";
// Sub-block of the loop application: 1, then the loop count 0 (for ever).
constexpr GifByteType kLoopForever[] = {1, 0, 0};

void Put(std::vector<BYTE>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string GifError(const char* what, int code)
{
    const char* reason = GifErrorString(code);
    return std::string(what) + ": " + (reason ? reason : "unknown GIF error");
}

}  // namespace

std::optional<PictureFormat> PictureFormatOf(const std::string& path)
{
    const std::string lower = LowerCase(path);
    if (EndsWith(lower, ".bmp"))
        return PictureFormat::bmp;
    if (EndsWith(lower, ".png"))
        return PictureFormat::png;
    return std::nullopt;
}

std::vector<BYTE> EncodeFrameBmp(const CDIB8BPP& frame)
{
    const int width = frame.GetWidth();
    const int height = frame.GetHeight();
    const std::size_t pixelBytes = static_cast<std::size_t>(frame.GetStride()) * static_cast<std::size_t>(height);
    std::vector<BYTE> out;
    out.reserve(kBmpHeadersSize + pixelBytes);
    Put(out, kBitmapFileType, 2);
    Put(out, static_cast<std::uint32_t>(kBmpHeadersSize + pixelBytes), 4);
    Put(out, 0, 4);  // two reserved words
    Put(out, static_cast<std::uint32_t>(kBmpHeadersSize), 4);
    Put(out, kInfoHeaderSize, 4);
    Put(out, static_cast<std::uint32_t>(width), 4);
    Put(out, static_cast<std::uint32_t>(height), 4);  // positive: bottom row first
    Put(out, 1, 2);                                    // planes
    Put(out, 8, 2);                                    // bits per pixel
    Put(out, BI_RGB, 4);
    Put(out, static_cast<std::uint32_t>(pixelBytes), 4);
    Put(out, 0, 4);  // no resolution
    Put(out, 0, 4);
    Put(out, kDIB8ColourTableEntries, 4);
    Put(out, 0, 4);  // every colour matters
    for (const PALETTEENTRY& entry : defaultPalette) {
        out.push_back(entry.peBlue);
        out.push_back(entry.peGreen);
        out.push_back(entry.peRed);
        out.push_back(0);
    }
    const BYTE* bits = frame.GetBits();
    if (bits)
        out.insert(out.end(), bits, bits + pixelBytes);
    return out;
}

RgbaImage FrameToRgba(const CDIB8BPP& frame)
{
    RgbaImage image;
    image.width = frame.GetWidth();
    image.height = frame.GetHeight();
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
    for (LONG y = 0; y < image.height; ++y) {
        const BYTE* indexes = frame.PixelAddress(0, y);
        BYTE* pixel = image.At(0, y);
        for (LONG x = 0; x < image.width; ++x, pixel += 4) {
            const PALETTEENTRY& colour = defaultPalette[indexes[x]];
            pixel[0] = colour.peRed;
            pixel[1] = colour.peGreen;
            pixel[2] = colour.peBlue;
            pixel[3] = 0xFF;
        }
    }
    return image;
}

platform::Outcome<std::vector<BYTE>> EncodeFramePng(const CDIB8BPP& frame)
{
    return EncodePng(FrameToRgba(frame));
}

struct GifRecording::Encoder {
    ~Encoder()
    {
        if (file)
            EGifCloseFile(file, nullptr);
    }

    static int Write(GifFileType* gif, const GifByteType* bytes, int count)
    {
        auto* encoder = static_cast<Encoder*>(gif->UserData);
        encoder->bytes.insert(encoder->bytes.end(), bytes, bytes + count);
        return count;
    }

    GifFileType* file = nullptr;
    std::vector<BYTE> bytes;
    std::vector<GifPixelType> row;
    int width = 0;
    int height = 0;
    GifByteType frameControl[4] = {};
};

GifRecording::GifRecording(std::unique_ptr<Encoder> encoder) : m_encoder(std::move(encoder)) {}

GifRecording::~GifRecording() = default;

platform::Outcome<std::unique_ptr<GifRecording>> GifRecording::Start(int width, int height, int frameCentiseconds)
{
    auto encoder = std::make_unique<Encoder>();
    encoder->width = width;
    encoder->height = height;
    encoder->row.resize(static_cast<std::size_t>(width));
    int error = 0;
    encoder->file = EGifOpen(encoder.get(), &Encoder::Write, &error);
    if (!encoder->file)
        return {std::nullopt, GifError("cannot start the GIF", error)};

    GifColorType colours[kDIB8ColourTableEntries];
    for (std::size_t i = 0; i < kDIB8ColourTableEntries; ++i)
        colours[i] = GifColorType{defaultPalette[i].peRed, defaultPalette[i].peGreen, defaultPalette[i].peBlue};
    ColorMapObject* palette = GifMakeMapObject(static_cast<int>(kDIB8ColourTableEntries), colours);
    if (!palette)
        return {std::nullopt, "cannot start the GIF: out of memory"};
    EGifSetGifVersion(encoder->file, true);
    const int described = EGifPutScreenDesc(encoder->file, width, height, kGifColourResolution, 0, palette);
    GifFreeMapObject(palette);
    if (described == GIF_ERROR)
        return {std::nullopt, GifError("cannot write the GIF's screen", encoder->file->Error)};

    if (EGifPutExtensionLeader(encoder->file, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(encoder->file, static_cast<int>(std::strlen(kLoopApplication)), kLoopApplication) ==
            GIF_ERROR ||
        EGifPutExtensionBlock(encoder->file, sizeof kLoopForever, kLoopForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(encoder->file) == GIF_ERROR)
        return {std::nullopt, GifError("cannot write the GIF's loop", encoder->file->Error)};

    const GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, std::clamp(frameCentiseconds, 0, kGifLargestDelay),
                                       NO_TRANSPARENT_COLOR};
    EGifGCBToExtension(&control, encoder->frameControl);
    return {std::unique_ptr<GifRecording>(new GifRecording(std::move(encoder))), {}};
}

std::string GifRecording::AddFrame(const CDIB8BPP& frame)
{
    Encoder& encoder = *m_encoder;
    if (!encoder.file)
        return "the GIF is finished";
    if (frame.GetWidth() != encoder.width || frame.GetHeight() != encoder.height)
        return "a frame of another size than the GIF's";
    if (EGifPutExtension(encoder.file, GRAPHICS_EXT_FUNC_CODE, sizeof encoder.frameControl, encoder.frameControl) ==
            GIF_ERROR ||
        EGifPutImageDesc(encoder.file, 0, 0, encoder.width, encoder.height, false, nullptr) == GIF_ERROR)
        return GifError("cannot write a GIF frame", encoder.file->Error);
    for (int y = 0; y < encoder.height; ++y) {
        const BYTE* indexes = frame.PixelAddress(0, y);
        std::copy_n(indexes, encoder.width, encoder.row.begin());
        if (EGifPutLine(encoder.file, encoder.row.data(), encoder.width) == GIF_ERROR)
            return GifError("cannot write a GIF frame", encoder.file->Error);
    }
    return {};
}

platform::Outcome<std::vector<BYTE>> GifRecording::Finish()
{
    Encoder& encoder = *m_encoder;
    if (!encoder.file)
        return {std::nullopt, "the GIF is finished"};
    int error = 0;
    const int closed = EGifCloseFile(encoder.file, &error);
    encoder.file = nullptr;
    if (closed == GIF_ERROR)
        return {std::nullopt, GifError("cannot end the GIF", error)};
    return {std::move(encoder.bytes), {}};
}

}  // namespace vesper::tools
