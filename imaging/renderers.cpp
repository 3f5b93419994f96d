#include "imaging/renderers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/bmp_source.h"
#include "imaging/packed_dib.h"
#include "imaging/quantizer.h"

using vesper::imaging::BlockLock;
using vesper::imaging::ChannelCells;
using vesper::imaging::channelCellsByThreshold;

namespace {

constexpr WORD kTrueColourBits = 24;
constexpr std::size_t kTrueColourPixelBytes = 3;

bool IsConvertibleDepth(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == kTrueColourBits;
}

// ---- Thresholds -----------------------------------------------------------------

// The thresholds along one line of pixels: entry k belongs to the pixels whose
// coordinate along the line is k mod 8.
using ThresholdLine = std::array<BYTE, kDitherSize>;

// A line along which p varies and q stays fixed.
ThresholdLine LineAlongP(int q)
{
    ThresholdLine line;
    for (int k = 0; k < kDitherSize; ++k)
        line[k] = DitherThreshold(k, q);
    return line;
}

// A line along which q varies and p stays fixed.
ThresholdLine LineAlongQ(int p)
{
    ThresholdLine line;
    for (int k = 0; k < kDitherSize; ++k)
        line[k] = DitherThreshold(p, k);
    return line;
}

// Writes count pixels, out[i] := pixelAt(i, (phase + i) mod 8). The pixels
// go in groups of eight aligned on the dither period, so that inside a group
// the threshold slot is a constant and the eight look-up tables of a line stay
// in registers.
template <class PixelAt>
void WriteRow(BYTE* out, int count, int phase, PixelAt pixelAt)
{
    constexpr int kPeriodMask = kDitherSize - 1;
    int i = 0;
    for (; i < count && ((phase + i) & kPeriodMask) != 0; ++i)
        out[i] = pixelAt(i, (phase + i) & kPeriodMask);
    for (; count - i >= kDitherSize; i += kDitherSize)
        for (int k = 0; k < kDitherSize; ++k)
            out[i + k] = pixelAt(i + k, k);
    for (; i < count; ++i)
        out[i] = pixelAt(i, (phase + i) & kPeriodMask);
}

// Repeats an 8-pixel pattern along a row whose first pixel has slot 0.
void FillRowWithPattern(BYTE* out, int count, const std::array<BYTE, kDitherSize>& pattern)
{
    std::uint64_t word;
    static_assert(sizeof word == kDitherSize);
    std::memcpy(&word, pattern.data(), sizeof word);
    int x = 0;
    for (; count - x >= kDitherSize; x += kDitherSize)
        std::memcpy(out + x, &word, sizeof word);
    for (; x < count; ++x)
        out[x] = pattern[x % kDitherSize];
}

// ---- Sources ----------------------------------------------------------------------

struct Bgr {
    BYTE blue;
    BYTE green;
    BYTE red;
    bool operator==(const Bgr&) const = default;
};

// A locked source whose header, colour table and rows were checked against
// the size of its block.
struct SourcePicture {
    const BYTE* rows;
    std::size_t stride;
    int width;
    int height;
    WORD bits;
    // The colour table; entries the table does not have are black.
    std::array<Bgr, kMaxColourTableEntries> colours;

    const BYTE* Row(int y) const { return rows + static_cast<std::size_t>(y) * stride; }
};

std::optional<SourcePicture> ViewSource(const BlockLock& lock)
{
    if (!lock.bytes() || lock.size() < kInfoHeaderSize)
        return std::nullopt;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.bytes());
    if (header->biSize != kInfoHeaderSize || header->biCompression != BI_RGB || !IsConvertibleDepth(header->biBitCount))
        return std::nullopt;
    // Positive width and height, and a table and rows that end inside the block.
    if (!PackedDIBStoredSize(header, lock.size()))
        return std::nullopt;

    SourcePicture picture{};
    picture.width = header->biWidth;
    picture.height = header->biHeight;
    picture.bits = header->biBitCount;
    picture.stride = *PackedDIBStride(picture.width, picture.bits);
    picture.rows = lock.bytes() + kInfoHeaderSize + PackedDIBPaletteSize(header);
    const auto* table = reinterpret_cast<const RGBQUAD*>(lock.bytes() + kInfoHeaderSize);
    const UINT entries = std::min(PackedDIBColorCount(header), kMaxColourTableEntries);
    for (UINT i = 0; i < entries; ++i)
        picture.colours[i] = Bgr{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed};
    return picture;
}

// Colour index of column x of a stored row, for 1, 4 and 8 bits per pixel.
template <WORD Bits>
BYTE IndexAt(const BYTE* row, int x)
{
    if constexpr (Bits == 1)
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    else if constexpr (Bits == 4)
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    else
        return row[x];
}

Bgr ColourAt(const SourcePicture& source, const BYTE* row, int x)
{
    switch (source.bits) {
    case 1:
        return source.colours[IndexAt<1>(row, x)];
    case 4:
        return source.colours[IndexAt<4>(row, x)];
    case 8:
        return source.colours[IndexAt<8>(row, x)];
    default: {
        const BYTE* pixel = row + kTrueColourPixelBytes * static_cast<std::size_t>(x);
        return Bgr{pixel[0], pixel[1], pixel[2]};
    }
    }
}

// A true-colour pixel as one 32-bit value: blue, green and red in bits 8 to
// 31, bits 0 to 7 undefined. It is one 4-byte load that starts at the byte
// before the pixel, which is inside the block even for the first pixel of a
// row because the header comes before every row.
std::uint32_t TrueColourBits(const BYTE* row, int x)
{
    std::uint32_t bits;
    std::memcpy(&bits, row + kTrueColourPixelBytes * static_cast<std::size_t>(x) - 1, sizeof bits);
    return bits;
}

constexpr std::uint32_t kTrueColourMask = 0xFFFFFF00u;

std::uint32_t TrueColourBits(const Bgr& colour)
{
    return (std::uint32_t{colour.red} << 24) | (std::uint32_t{colour.green} << 16) | (std::uint32_t{colour.blue} << 8);
}

// One source row laid out along an output row: the source pixel of every
// output column, as colour indexes (paletted sources, unpacked) or as
// TrueColourBits. A stretched row is gathered once and quantised for every
// output row that shows it.
struct GatheredRow {
    int sourceRow = -1;
    std::vector<BYTE> indexes;
    std::vector<std::uint32_t> colours;
};

// Quantises rows of one source picture, optionally writing kTransparentIndex
// for the pixels of one key colour. Paletted sources go through a table of
// the result of every colour index at every threshold, so that a pixel costs
// one look-up; true-colour sources through channelCellsByThreshold.
class PictureQuantizer {
public:
    PictureQuantizer(const SourcePicture& source, std::optional<Bgr> key) : m_source(source), m_key(key)
    {
        if (source.bits == kTrueColourBits)
            return;
        m_entries = std::size_t{1} << source.bits;
        m_results.resize(kThresholdValues * m_entries);
        for (int threshold = 0; threshold < kThresholdValues; ++threshold) {
            const ChannelCells& cells = channelCellsByThreshold[threshold];
            for (std::size_t index = 0; index < m_entries; ++index) {
                const Bgr colour = source.colours[index];
                m_results[threshold * m_entries + index] =
                    colour == key ? kTransparentIndex : cells.Quantize(colour.red, colour.green, colour.blue);
            }
        }
    }

    // Writes count pixels of source row sourceRow, read in place: out[i] shows
    // source column first + i with the threshold line[(phase + i) mod 8].
    void Row(BYTE* out, int count, int sourceRow, int first, const ThresholdLine& line, int phase) const
    {
        const BYTE* row = m_source.Row(sourceRow);
        switch (m_source.bits) {
        case 1:
            return IndexedRow(out, count, line, phase, [=](int i) { return IndexAt<1>(row, first + i); });
        case 4:
            return IndexedRow(out, count, line, phase, [=](int i) { return IndexAt<4>(row, first + i); });
        case 8:
            return IndexedRow(out, count, line, phase, [=](int i) { return row[first + i]; });
        default:
            return TrueColourRow(out, count, line, phase, [=](int i) { return TrueColourBits(row, first + i); });
        }
    }

    // Makes `into` hold source row sourceRow at the given source columns.
    void Gather(int sourceRow, const std::vector<int>& columns, GatheredRow& into) const
    {
        const BYTE* row = m_source.Row(sourceRow);
        into.sourceRow = sourceRow;
        const auto gather = [&](auto& target, auto pixelAt) {
            target.resize(columns.size());
            for (std::size_t i = 0; i < columns.size(); ++i)
                target[i] = pixelAt(columns[i]);
        };
        switch (m_source.bits) {
        case 1:
            return gather(into.indexes, [row](int x) { return IndexAt<1>(row, x); });
        case 4:
            return gather(into.indexes, [row](int x) { return IndexAt<4>(row, x); });
        case 8:
            return gather(into.indexes, [row](int x) { return row[x]; });
        default:
            return gather(into.colours, [row](int x) { return TrueColourBits(row, x); });
        }
    }

    // Writes the pixels of a gathered row, out[i] with threshold line[i mod 8].
    void Row(BYTE* out, const GatheredRow& row, const ThresholdLine& line) const
    {
        if (m_source.bits == kTrueColourBits) {
            const std::uint32_t* colours = row.colours.data();
            TrueColourRow(out, static_cast<int>(row.colours.size()), line, 0, [=](int i) { return colours[i]; });
        } else {
            const BYTE* indexes = row.indexes.data();
            IndexedRow(out, static_cast<int>(row.indexes.size()), line, 0, [=](int i) { return indexes[i]; });
        }
    }

private:
    template <class IndexOf>
    void IndexedRow(BYTE* out, int count, const ThresholdLine& line, int phase, IndexOf indexOf) const
    {
        std::array<const BYTE*, kDitherSize> results;
        for (int k = 0; k < kDitherSize; ++k)
            results[k] = m_results.data() + line[k] * m_entries;
        WriteRow(out, count, phase, [=](int i, int k) { return results[k][indexOf(i)]; });
    }

    template <class BitsOf>
    void TrueColourRow(BYTE* out, int count, const ThresholdLine& line, int phase, BitsOf bitsOf) const
    {
        std::array<const ChannelCells*, kDitherSize> cells;
        for (int k = 0; k < kDitherSize; ++k)
            cells[k] = &channelCellsByThreshold[line[k]];
        const auto quantize = [=](std::uint32_t bits, int k) {
            return cells[k]->Quantize(static_cast<BYTE>(bits >> 24), static_cast<BYTE>(bits >> 16),
                                      static_cast<BYTE>(bits >> 8));
        };
        if (!m_key)
            return WriteRow(out, count, phase, [=](int i, int k) { return quantize(bitsOf(i), k); });
        const std::uint32_t key = TrueColourBits(*m_key);
        WriteRow(out, count, phase, [=](int i, int k) {
            const std::uint32_t bits = bitsOf(i);
            return (bits & kTrueColourMask) == key ? kTransparentIndex : quantize(bits, k);
        });
    }

    const SourcePicture& m_source;
    std::optional<Bgr> m_key;
    std::size_t m_entries = 0;
    std::vector<BYTE> m_results;
};

// ---- Output ------------------------------------------------------------------------

// A new 8-bit picture, locked, with its colour table taken from the palette
// and every pixel 0. The block is freed unless Release hands it over.
class OutputPicture {
public:
    OutputPicture(int width, int height, HPALETTE palette)
    {
        if (width <= 0 || height <= 0)
            return;
        m_block = CreatePackedDIB(width, height, 8);
        if (!m_block)
            return;
        m_lock.emplace(m_block);
        if (!m_lock->bytes()) {
            m_lock.reset();
            return;
        }
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(m_lock->bytes());
        FillColorTable(header, palette);
        m_rows = m_lock->bytes() + kInfoHeaderSize + PackedDIBPaletteSize(header);
        m_stride = *PackedDIBStride(width, 8);
        m_width = width;
        m_height = height;
    }
    ~OutputPicture()
    {
        m_lock.reset();
        FreePackedDIB(m_block);
    }
    OutputPicture(const OutputPicture&) = delete;
    OutputPicture& operator=(const OutputPicture&) = delete;

    bool ok() const { return m_rows != nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    BYTE* Row(int y) const { return m_rows + static_cast<std::size_t>(y) * m_stride; }

    // Unlocks the picture and hands its block to the caller.
    HGLOBAL Release()
    {
        m_lock.reset();
        return std::exchange(m_block, nullptr);
    }

private:
    HGLOBAL m_block = nullptr;
    std::optional<BlockLock> m_lock;
    BYTE* m_rows = nullptr;
    std::size_t m_stride = 0;
    int m_width = 0;
    int m_height = 0;
};

// Makes the output, lets render fill it and hands it over; null when the
// output cannot be made or the working memory of a renderer runs out.
template <class Render>
HGLOBAL RenderOutput(int width, int height, HPALETTE palette, Render render)
{
    OutputPicture output(width, height, palette);
    if (!output.ok())
        return nullptr;
    try {
        render(output);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return output.Release();
}

// The common frame of the renderers that read a picture: lock and check the
// source, make the output of the size given (or the source's own size), let
// render fill it, hand it over.
template <class Render>
HGLOBAL RenderFromSource(HGLOBAL source, std::optional<std::pair<int, int>> size, HPALETTE palette, Render render)
{
    if (!source)
        return nullptr;
    const BlockLock lock(source);
    const std::optional<SourcePicture> picture = ViewSource(lock);
    if (!picture)
        return nullptr;
    const auto [width, height] = size.value_or(std::pair{picture->width, picture->height});
    return RenderOutput(width, height, palette, [&](OutputPicture& output) { render(*picture, output); });
}

// Output row y shows every column of source row y.
void ConvertRows(const SourcePicture& source, std::optional<Bgr> key, OutputPicture& output)
{
    const PictureQuantizer quantizer(source, key);
    for (int y = 0; y < output.height(); ++y)
        quantizer.Row(output.Row(y), output.width(), y, 0, LineAlongP(y), 0);
}

Bgr FirstStoredPixel(const SourcePicture& source)
{
    return ColourAt(source, source.Row(0), 0);
}

// Source column or row of each output one when n source ones are stretched
// over `count`: MulDiv(i, n, count), clamped to the last one.
int StretchedIndex(int i, int n, int count)
{
    return std::min(MulDiv(i, n, count), n - 1);
}

// ---- Colours -----------------------------------------------------------------------

Bgr ComponentsOf(COLORREF colour)
{
    return Bgr{GetBValue(colour), GetGValue(colour), GetRValue(colour)};
}

// The colour of a flat area along a line of thresholds.
std::array<BYTE, kDitherSize> FlatPattern(COLORREF colour, const ThresholdLine& line)
{
    const Bgr c = ComponentsOf(colour);
    std::array<BYTE, kDitherSize> pattern;
    for (int k = 0; k < kDitherSize; ++k)
        pattern[k] = QuantizePixel(c.red, c.green, c.blue, line[k]);
    return pattern;
}

// Components of 128, 64 and 192 become 127, 63 and 191.
COLORREF AdjustGradientColour(COLORREF colour)
{
    COLORREF adjusted = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        BYTE component = static_cast<BYTE>(colour >> shift);
        if (component == 128 || component == 64 || component == 192)
            --component;
        adjusted |= static_cast<COLORREF>(component) << shift;
    }
    return adjusted;
}

// Every row y one colour, dithered along the row with p = x, q = y.
template <class RowColour>
void FillRowsByColour(OutputPicture& output, RowColour rowColour)
{
    for (int y = 0; y < output.height(); ++y)
        FillRowWithPattern(output.Row(y), output.width(), FlatPattern(rowColour(y), LineAlongP(y)));
}

// Every column x one colour, dithered with p = y, q = x. Rows whose y agrees
// mod 8 are equal, so eight are quantised and the rest copied.
void FillColumnsByColour(OutputPicture& output, const std::vector<Bgr>& columnColours)
{
    const int width = output.width();
    for (int y = 0; y < output.height(); ++y) {
        BYTE* row = output.Row(y);
        if (y >= kDitherSize) {
            std::memcpy(row, output.Row(y - kDitherSize), static_cast<std::size_t>(width));
            continue;
        }
        const ThresholdLine line = LineAlongQ(y);
        WriteRow(row, width, 0, [&](int x, int k) {
            const Bgr& c = columnColours[x];
            return QuantizePixel(c.red, c.green, c.blue, line[k]);
        });
    }
}

}  // namespace

HGLOBAL ConvertToStage(HGLOBAL source, HPALETTE palette)
{
    return RenderFromSource(source, std::nullopt, palette, [](const SourcePicture& picture, OutputPicture& output) {
        ConvertRows(picture, std::nullopt, output);
    });
}

HGLOBAL ConvertSpriteImage(HGLOBAL source, HPALETTE palette)
{
    return RenderFromSource(source, std::nullopt, palette, [](const SourcePicture& picture, OutputPicture& output) {
        ConvertRows(picture, FirstStoredPixel(picture), output);
    });
}

HGLOBAL StretchToStage(HGLOBAL source, int width, int height, HPALETTE palette)
{
    return RenderFromSource(source, std::pair{width, height}, palette, [](const SourcePicture& picture, OutputPicture& output) {
        std::vector<int> columns(static_cast<std::size_t>(output.width()));
        for (int x = 0; x < output.width(); ++x)
            columns[x] = StretchedIndex(x, picture.width, output.width());
        const PictureQuantizer quantizer(picture, std::nullopt);
        // Output rows go up in stored order, so those that show one source
        // row come one after another.
        GatheredRow gathered;
        for (int y = 0; y < output.height(); ++y) {
            const int sourceRow = StretchedIndex(y, picture.height, output.height());
            if (sourceRow != gathered.sourceRow)
                quantizer.Gather(sourceRow, columns, gathered);
            quantizer.Row(output.Row(y), gathered, LineAlongP(y));
        }
    });
}

HGLOBAL TileOnStage(HGLOBAL source, HPALETTE palette, int width, int height)
{
    return RenderFromSource(source, std::pair{width, height}, palette, [](const SourcePicture& picture, OutputPicture& output) {
        const PictureQuantizer quantizer(picture, std::nullopt);
        for (int y = 0; y < output.height(); ++y) {
            const ThresholdLine line = LineAlongP(y);
            // Whole copies of the source row, then the part that fits.
            for (int x = 0, span = 0; x < output.width(); x += span) {
                span = std::min(picture.width, output.width() - x);
                quantizer.Row(output.Row(y) + x, span, y % picture.height, 0, line, x);
            }
        }
    });
}

HGLOBAL CentreOnStage(HGLOBAL source, HPALETTE palette, int width, int height)
{
    return RenderFromSource(source, std::pair{width, height}, palette, [](const SourcePicture& picture, OutputPicture& output) {
        // The output starts as index 0 everywhere; the picture covers what it can.
        const int left = (output.width() - picture.width) / 2;
        const int bottom = (output.height() - picture.height) / 2;
        const int firstColumn = std::max(0, -left);
        const int endColumn = std::min(picture.width, output.width() - left);
        const int firstRow = std::max(0, -bottom);
        const int endRow = std::min(picture.height, output.height() - bottom);
        if (firstColumn >= endColumn)
            return;
        const PictureQuantizer quantizer(picture, std::nullopt);
        for (int y = firstRow; y < endRow; ++y)
            quantizer.Row(output.Row(bottom + y) + left + firstColumn, endColumn - firstColumn, y, firstColumn,
                          LineAlongP(y), firstColumn);
    });
}

HGLOBAL FillGradient(COLORREF colour1, COLORREF colour2, int width, int height, BOOL horizontal, HPALETTE palette)
{
    const COLORREF first = AdjustGradientColour(colour1);
    const COLORREF second = AdjustGradientColour(colour2);
    return RenderOutput(width, height, palette, [&](OutputPicture& output) {
        if (!horizontal) {
            // Stored row 0 is the bottom one: colour 2 there, colour 1 at the top.
            FillRowsByColour(output, [&](int y) { return InterpolateColor(y, second, first, height); });
            return;
        }
        std::vector<Bgr> columnColours(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x)
            columnColours[x] = ComponentsOf(InterpolateColor(x, first, second, width));
        FillColumnsByColour(output, columnColours);
    });
}

HGLOBAL FillSolid(COLORREF colour, int width, int height, HPALETTE palette)
{
    return RenderOutput(width, height, palette,
                        [colour](OutputPicture& output) { FillRowsByColour(output, [colour](int) { return colour; }); });
}
