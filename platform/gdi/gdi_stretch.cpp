// StretchDIBits: copies a rectangle of a device-independent bitmap to the
// screen, one to one or stretched, clipped to the device context's visible
// parts and the screen.
//
// Sizes: negative widths or heights (mirroring) are refused, as is any raster
// operation but SRCCOPY. Destination pixels whose source lies outside the
// picture are left alone. Nearest sampling (every mode but HALFTONE) takes the
// source pixel under the centre of the destination pixel; HALFTONE averages
// the source pixels each destination pixel covers, weighted by the area
// covered, in whole numbers (halves round up). Pixel values past the colour
// table read as black, or as logical palette entry 0 with DIB_PAL_COLORS;
// indexes past the logical palette read as its entry 0. The result is the
// number of destination rows written.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/drivers/display.h"
#include "platform/gdi/gdi_dib_source.h"
#include "platform/gdi/gdi_index_rows.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/api/win32_gdi.h"

namespace vesper::platform::gdi {

namespace {

// A device pixel value: a system palette index on palette displays, a colour
// 0x00RRGGBB on true-colour ones (stored little-endian, that is blue, green,
// red, 0: the layout of a true-colour surface).
using DeviceValue = std::uint32_t;
using Colour = std::uint32_t;  // 0x00RRGGBB

constexpr Colour ColourOf(const PALETTEENTRY& entry)
{
    return (Colour{entry.peRed} << 16) | (Colour{entry.peGreen} << 8) | entry.peBlue;
}
constexpr BYTE RedOf(Colour c) { return static_cast<BYTE>(c >> 16); }
constexpr BYTE GreenOf(Colour c) { return static_cast<BYTE>(c >> 8); }
constexpr BYTE BlueOf(Colour c) { return static_cast<BYTE>(c); }

// Nearest system palette entries, remembered for the colours of one call.
class NearestEntry {
public:
    explicit NearestEntry(const SystemPalette& palette) : m_palette(palette) {}

    BYTE operator()(Colour colour)
    {
        const auto found = m_cache.find(colour);
        if (found != m_cache.end())
            return found->second;
        const BYTE index = m_palette.Nearest(RedOf(colour), GreenOf(colour), BlueOf(colour));
        m_cache.emplace(colour, index);
        return index;
    }

private:
    const SystemPalette& m_palette;
    std::unordered_map<Colour, BYTE> m_cache;
};

// Whether two colour tables of `count` entries are the same, a word at a
// time: the table is compared on every copy, and the browser's C library
// compares memory a byte at a time.
bool SameColourTables(const BYTE* a, const BYTE* b, int count)
{
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(RGBQUAD);
    std::uint64_t differ = 0;
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= bytes; i += sizeof(std::uint64_t)) {
        std::uint64_t left, right;
        std::memcpy(&left, a + i, sizeof left);
        std::memcpy(&right, b + i, sizeof right);
        differ |= left ^ right;
    }
    return differ == 0 && std::memcmp(a + i, b + i, bytes - i) == 0;
}

// The device values of the last RGB colour table mapped for a true-colour
// display, kept for the next copy with the same table: a frame's changed
// rectangles are copied one after another with one table.
struct TrueColourTable {
    int count = -1;
    std::array<BYTE, 256 * sizeof(RGBQUAD)> entries{};
    std::optional<IndexTable> values;

    bool Holds(const DibSource& source) const
    {
        return values && count == source.ColourCount() &&
               SameColourTables(entries.data(), source.ColourTable(), count);
    }
};

TrueColourTable& LastTrueColourTable()
{
    thread_local TrueColourTable last;
    return last;
}

// The values of a colour table mapped for one copy alone.
struct MappedValues {
    std::array<Colour, 256> colourOf{};
    std::array<DeviceValue, 256> deviceOf{};
};

// How source pixels become colours and device values.
class ColourMapping {
public:
    ColourMapping(const DibSource& source, UINT usage, Display& display, const LogicalPalette& selected)
        : m_palette(display.HasPalette()), m_nearest(display.Palette())
    {
        if (source.BitCount() > 8)
            return;
        if (usage == DIB_PAL_COLORS)
            MapPaletteIndexes(source, display, selected);
        else
            MapRgbTable(source);
        m_identity = m_palette;
        for (int value = 0; value < 256 && m_identity; ++value)
            m_identity = (*m_deviceOf)[value] == static_cast<DeviceValue>(value);
    }
    // It points into itself.
    ColourMapping(const ColourMapping&) = delete;
    ColourMapping& operator=(const ColourMapping&) = delete;

    bool IsPaletteDevice() const { return m_palette; }
    // Every pixel value is shown by the system entry of the same number.
    bool IsIdentity() const { return m_identity; }
    const std::array<Colour, 256>& ColourOfValue() const { return *m_colourOf; }
    const std::array<DeviceValue, 256>& DeviceOfValue() const { return *m_deviceOf; }
    DeviceValue DeviceOfColour(Colour colour) { return m_palette ? m_nearest(colour) : colour; }
    // The device values as a table for converting rows on a true-colour display.
    const IndexTable& DeviceTable()
    {
        if (!m_table)
            m_table = &m_ownTable.emplace(*m_deviceOf);
        return *m_table;
    }

private:
    MappedValues& OwnValues()
    {
        MappedValues& own = m_own.emplace();
        m_colourOf = &own.colourOf;
        m_deviceOf = &own.deviceOf;
        return own;
    }

    void MapRgbTable(const DibSource& source)
    {
        TrueColourTable& last = LastTrueColourTable();
        if (!m_palette && last.Holds(source)) {
            // On a true-colour display colours are their own device values.
            m_colourOf = m_deviceOf = &last.values->Values();
            // Used a second time, the table is likely to stay: worth its pairs.
            if (!last.values->Pairs())
                last.values->AddPairs();
            m_table = &*last.values;
            return;
        }
        MappedValues& own = OwnValues();
        for (int value = 0; value < source.ColourCount(); ++value) {
            const BYTE* quad = source.ColourTable() + value * sizeof(RGBQUAD);
            own.colourOf[value] = (Colour{quad[2]} << 16) | (Colour{quad[1]} << 8) | quad[0];
        }
        for (int value = 0; value < 256; ++value)
            own.deviceOf[value] = DeviceOfColour(own.colourOf[value]);
        if (m_palette)
            return;
        last.count = source.ColourCount();
        std::memcpy(last.entries.data(), source.ColourTable(), static_cast<std::size_t>(last.count) * sizeof(RGBQUAD));
        m_table = &last.values.emplace(own.deviceOf);
    }

    void MapPaletteIndexes(const DibSource& source, Display& display, const LogicalPalette& selected)
    {
        const std::vector<BYTE> toSystem = TranslationOf(selected, display);
        const auto& system = display.Palette().Entries();
        MappedValues& own = OwnValues();
        for (int value = 0; value < 256; ++value) {
            WORD index = 0;
            if (value < source.ColourCount())
                std::memcpy(&index, source.ColourTable() + value * sizeof(WORD), sizeof(WORD));
            if (index >= selected.entries.size())
                index = 0;
            const PALETTEENTRY& entry = selected.entries[index];
            own.colourOf[value] = (entry.peFlags & PC_EXPLICIT) ? ColourOf(system[toSystem[index]]) : ColourOf(entry);
            own.deviceOf[value] = m_palette ? toSystem[index] : own.colourOf[value];
        }
    }

    bool m_palette;
    bool m_identity = false;
    NearestEntry m_nearest;
    std::optional<MappedValues> m_own;
    // Pictures of more than 8 bits a pixel have no table: theirs stay zero.
    static constexpr std::array<Colour, 256> kNone{};
    const std::array<Colour, 256>* m_colourOf = &kNone;
    const std::array<DeviceValue, 256>* m_deviceOf = &kNone;
    const IndexTable* m_table = nullptr;
    std::optional<IndexTable> m_ownTable;
};

// One axis of the copy: the destination span on the screen and the source
// span in picture pixels (from the left, or from the top row).
struct Axis {
    std::int64_t destStart;
    int destLength;
    std::int64_t srcStart;
    int srcLength;
    int srcLimit;  // picture width or height
};

constexpr int kOutside = -1;

// Positions times lengths can pass 2^63 for far-off rectangles.
using Wide = __int128;

// For destination pixels [from, to) of the axis (counted from destStart),
// the source pixel under each one's centre, or kOutside.
std::vector<int> CentreSamples(const Axis& axis, std::int64_t from, std::int64_t to)
{
    std::vector<int> samples;
    samples.reserve(static_cast<std::size_t>(to - from));
    for (std::int64_t d = from; d < to; ++d) {
        const Wide s = axis.srcStart + (Wide{2 * d + 1} * axis.srcLength) / (Wide{2} * axis.destLength);
        samples.push_back(s >= 0 && s < axis.srcLimit ? static_cast<int>(s) : kOutside);
    }
    return samples;
}

// The source pixels each destination pixel covers and how much of each, as
// whole numbers: in units of 1/destLength source pixels, destination pixel d
// covers [d * srcLength, (d + 1) * srcLength) and source pixel s covers
// [s * destLength, (s + 1) * destLength). Every overlap is a multiple of
// gcd(srcLength, destLength), which is taken as the unit to keep the
// weights small. Only pixels inside the picture count.
struct Coverage {
    struct Tap {
        int source;
        std::uint32_t weight;  // below 2^31: at most the shorter span's length
    };
    std::vector<std::size_t> firstTap;  // per destination pixel, plus an end marker
    std::vector<Tap> taps;
    std::uint64_t unitsPerPixel = 0;  // the whole length of a destination pixel

    std::size_t Count() const { return firstTap.size() - 1; }
    std::span<const Tap> Of(std::size_t d) const { return {taps.data() + firstTap[d], taps.data() + firstTap[d + 1]}; }
    std::uint64_t WeightOf(std::size_t d) const
    {
        std::uint64_t total = 0;
        for (const Tap& tap : Of(d))
            total += tap.weight;
        return total;
    }
};

Wide FloorDivide(Wide a, Wide b)
{
    const Wide quotient = a / b;
    return quotient * b > a ? quotient - 1 : quotient;
}

Coverage AreaCoverage(const Axis& axis, std::int64_t from, std::int64_t to)
{
    const Wide n = axis.srcLength;
    const Wide m = axis.destLength;
    const Wide unit = std::gcd(axis.srcLength, axis.destLength);
    Coverage coverage;
    coverage.unitsPerPixel = static_cast<std::uint64_t>(n / unit);
    // A destination pixel takes at most n / m + 2 source pixels, and source
    // pixels shared between two destination pixels count once more: made to
    // size at once, the lists are not regrown on every copy.
    const auto pixels = static_cast<std::size_t>(to - from);
    const auto perPixel = static_cast<std::size_t>(std::min<Wide>(n / m + 2, axis.srcLimit + 1));
    coverage.firstTap.reserve(pixels + 1);
    coverage.taps.reserve(std::min(pixels * perPixel, pixels + static_cast<std::size_t>(axis.srcLimit)));
    for (std::int64_t d = from; d < to; ++d) {
        coverage.firstTap.push_back(coverage.taps.size());
        const Wide low = d * n;
        const Wide high = (d + 1) * n;
        // Source pixels counted from srcStart; the first may start before low.
        const Wide first = std::max<Wide>(FloorDivide(low, m), -axis.srcStart);
        const Wide last = std::min<Wide>(FloorDivide(high - 1, m), Wide{axis.srcLimit} - 1 - axis.srcStart);
        for (Wide s = first; s <= last; ++s) {
            const Wide overlap = std::min(high, (s + 1) * m) - std::max(low, s * m);
            if (overlap > 0)
                coverage.taps.push_back(
                    {static_cast<int>(axis.srcStart + s), static_cast<std::uint32_t>(overlap / unit)});
        }
    }
    coverage.firstTap.push_back(coverage.taps.size());
    return coverage;
}

// Writes device values into one surface row.
class RowWriter {
public:
    explicit RowWriter(const Surface& surface) : m_surface(surface) {}

    void Put(BYTE* row, std::int64_t x, DeviceValue value) const
    {
        if (m_surface.bytesPerPixel == 1) {
            row[x] = static_cast<BYTE>(value);
        } else {
            std::memcpy(row + x * 4, &value, 4);
        }
    }

private:
    const Surface& m_surface;
};

// The screen rows written by a copy cut into several visible parts: parts
// side by side share rows, which count once.
class RowMarks {
public:
    explicit RowMarks(const RECT& area) : m_top(area.top), m_marks(static_cast<std::size_t>(area.bottom - area.top)) {}

    void Mark(LONG y) { m_marks[static_cast<std::size_t>(y - m_top)] = true; }
    int Count() const { return static_cast<int>(std::count(m_marks.begin(), m_marks.end(), true)); }

private:
    LONG m_top;
    std::vector<bool> m_marks;
};

// The copy into one visible part of the destination.
struct Copy {
    const DibSource& source;
    ColourMapping& colours;
    Surface surface;
    RECT target;  // the part, on the screen
    Axis x;
    Axis y;
    // Where the rows written are marked when there are several parts.
    RowMarks* rowMarks;

    std::int64_t FromX() const { return target.left - x.destStart; }
    std::int64_t ToX() const { return target.right - x.destStart; }
    std::int64_t FromY() const { return target.top - y.destStart; }
    std::int64_t ToY() const { return target.bottom - y.destStart; }
};

// Source pixels [first, last] of a picture row as device values.
void DecodeDeviceValues(Copy& copy, const BYTE* row, int first, int last, std::vector<BYTE>& values,
                        std::vector<DeviceValue>& out)
{
    const std::size_t count = static_cast<std::size_t>(last - first + 1);
    out.resize(count);
    if (copy.source.BitCount() == 24) {
        DibSource::ReadColours(row, first, out);
        if (copy.colours.IsPaletteDevice())
            for (DeviceValue& value : out)
                value = copy.colours.DeviceOfColour(value);
        return;
    }
    values.resize(count);
    copy.source.ReadValues(row, first, values);
    const auto& deviceOf = copy.colours.DeviceOfValue();
    for (std::size_t i = 0; i < count; ++i)
        out[i] = deviceOf[values[i]];
}

// One to one, destination pixel d of an axis (counted from destStart) shows
// source pixel srcStart + d: of destination pixels [from, to), those whose
// source lies inside the picture, [first, last).
struct Run {
    std::int64_t first;
    std::int64_t last;

    bool Empty() const { return first >= last; }
};

Run InsideOneToOne(const Axis& axis, std::int64_t from, std::int64_t to)
{
    return Run{std::max(from, -axis.srcStart), std::min(to, std::int64_t{axis.srcLimit} - axis.srcStart)};
}

// One to one from an 8-bit picture: a table look-up per pixel, or a plain
// copy when the table is the identity.
int CopyEightBitRows(Copy& copy)
{
    const Run columns = InsideOneToOne(copy.x, copy.FromX(), copy.ToX());
    const Run rows = InsideOneToOne(copy.y, copy.FromY(), copy.ToY());
    if (columns.Empty() || rows.Empty())
        return 0;
    const auto count = static_cast<std::size_t>(columns.last - columns.first);
    const std::int64_t left = copy.x.destStart + columns.first;
    const std::int64_t sourceLeft = copy.x.srcStart + columns.first;
    const auto& deviceOf = copy.colours.DeviceOfValue();
    const int first = static_cast<int>(copy.y.srcStart + rows.first);
    const auto firstScreenRow = static_cast<LONG>(copy.y.destStart + rows.first);
    const auto rowCount = static_cast<std::size_t>(rows.last - rows.first);
    const BYTE* source = copy.source.RowFromTop(first) + sourceLeft;
    BYTE* target = copy.surface.Row(firstScreenRow);
    if (!copy.colours.IsPaletteDevice()) {
        // Rows follow one another a stride apart, either way up.
        const std::ptrdiff_t sourceStride = rowCount > 1 ? copy.source.RowFromTop(first + 1) - copy.source.RowFromTop(first) : 0;
        ConvertIndexRows(copy.colours.DeviceTable(), source, sourceStride, target + left * 4, copy.surface.stride, count,
                         rowCount);
    } else {
        for (std::size_t j = 0; j < rowCount; ++j) {
            const BYTE* sourceRow = copy.source.RowFromTop(first + static_cast<int>(j)) + sourceLeft;
            BYTE* targetRow = copy.surface.Row(firstScreenRow + static_cast<LONG>(j));
            if (copy.colours.IsIdentity()) {
                std::memcpy(targetRow + left, sourceRow, count);
            } else {
                for (std::size_t i = 0; i < count; ++i)
                    targetRow[left + i] = static_cast<BYTE>(deviceOf[sourceRow[i]]);
            }
        }
    }
    if (RowMarks* const marks = copy.rowMarks)
        for (std::size_t j = 0; j < rowCount; ++j)
            marks->Mark(firstScreenRow + static_cast<LONG>(j));
    return static_cast<int>(rowCount);
}

// The whole factor by which an axis magnifies its source, 0 when it is none.
int WholeMagnification(const Axis& axis)
{
    return axis.destLength % axis.srcLength == 0 ? axis.destLength / axis.srcLength : 0;
}

// Of destination pixels [from, to) of an axis magnified k times, those whose
// source lies inside the picture: pixel d shows source srcStart + d / k.
Run InsideMagnified(const Axis& axis, std::int64_t from, std::int64_t to, int k)
{
    return Run{std::max(from, -axis.srcStart * k), std::min(to, (std::int64_t{axis.srcLimit} - axis.srcStart) * k)};
}

// Stores `count` pixels of `value` from `out` on: the surface's bytes are
// written through memcpy, which compiles to plain stores of the pixel's size.
template <typename Pixel>
BYTE* Fill(BYTE* out, std::size_t count, DeviceValue value)
{
    const auto pixel = static_cast<Pixel>(value);
    for (std::size_t i = 0; i < count; ++i, out += sizeof(Pixel))
        std::memcpy(out, &pixel, sizeof(Pixel));
    return out;
}

// `blocks` whole blocks of `width` pixels, one per value. K is the width as
// a constant for the usual factors, so that the stores unroll, and 0 for
// any other.
template <typename Pixel, int K>
BYTE* FillBlocks(const DeviceValue* values, std::size_t blocks, std::size_t width, BYTE* out)
{
    for (std::size_t b = 0; b < blocks; ++b)
        out = Fill<Pixel>(out, K > 0 ? K : width, values[b]);
    return out;
}

// A source row of device values magnified k times straight into a run of
// `count` pixels of a surface row: blocks of k pixels, the first cut by
// `skip` pixels that fall outside the run, the last cut where the run ends.
template <typename Pixel>
void WriteBlockRun(const std::vector<DeviceValue>& values, int k, std::size_t skip, BYTE* run, std::size_t count)
{
    const auto width = static_cast<std::size_t>(k);
    const DeviceValue* value = values.data();
    BYTE* const end = run + count * sizeof(Pixel);
    if (skip > 0) {
        const std::size_t head = std::min(count, width - skip);
        run = Fill<Pixel>(run, head, *value++);
        count -= head;
    }
    const std::size_t blocks = count / width;
    switch (k) {
    case 2:
        run = FillBlocks<Pixel, 2>(value, blocks, width, run);
        break;
    case 3:
        run = FillBlocks<Pixel, 3>(value, blocks, width, run);
        break;
    case 4:
        run = FillBlocks<Pixel, 4>(value, blocks, width, run);
        break;
    default:
        run = FillBlocks<Pixel, 0>(value, blocks, width, run);
    }
    if (run < end)
        Fill<Pixel>(run, static_cast<std::size_t>(end - run) / sizeof(Pixel), value[blocks]);
}

// The rows of a large screen lie a page or more apart and were last written
// a tick ago, seldom still in the cache: each is fetched a few rows ahead of
// its writing, so that the waits for memory overlap instead of coming one
// row after another.
constexpr int kRowsFetchedAhead = 4;
constexpr std::size_t kCacheLineBytes = 64;

void FetchForWriting(const BYTE* run, std::size_t bytes)
{
    for (std::size_t offset = 0; offset < bytes; offset += kCacheLineBytes)
        __builtin_prefetch(run + offset, 1);
}

// Each source pixel a k x k block, nearest sampling by a whole factor: every
// source row is decoded once, its values repeated k times into one screen
// row, and that row copied for the others of its blocks. The pixel under a
// destination pixel's centre is the one CentreSamples would take.
int CopyMagnifiedRows(Copy& copy, int k)
{
    const Run columns = InsideMagnified(copy.x, copy.FromX(), copy.ToX(), k);
    const Run rows = InsideMagnified(copy.y, copy.FromY(), copy.ToY(), k);
    if (columns.Empty() || rows.Empty())
        return 0;
    const std::size_t bytesPerPixel = copy.surface.bytesPerPixel;
    const int firstSource = static_cast<int>(copy.x.srcStart + columns.first / k);
    const int lastSource = static_cast<int>(copy.x.srcStart + (columns.last - 1) / k);
    // The first block may be cut by the clip: the run begins part way into it.
    const auto skip = static_cast<std::size_t>(columns.first % k);
    const std::size_t runOffset = static_cast<std::size_t>(copy.x.destStart + columns.first) * bytesPerPixel;
    const auto runPixels = static_cast<std::size_t>(columns.last - columns.first);
    const std::size_t runBytes = runPixels * bytesPerPixel;
    std::vector<BYTE> values;
    std::vector<DeviceValue> decoded;
    const BYTE* previous = nullptr;
    int previousSource = kOutside;
    for (std::int64_t d = rows.first; d < rows.last; ++d) {
        const auto y = static_cast<LONG>(copy.y.destStart + d);
        BYTE* run = copy.surface.Row(y) + runOffset;
        if (d + kRowsFetchedAhead < rows.last)
            FetchForWriting(copy.surface.Row(y + kRowsFetchedAhead) + runOffset, runBytes);
        const int source = static_cast<int>(copy.y.srcStart + d / k);
        if (source == previousSource) {
            std::memcpy(run, previous, runBytes);
        } else {
            DecodeDeviceValues(copy, copy.source.RowFromTop(source), firstSource, lastSource, values, decoded);
            if (bytesPerPixel == 1)
                WriteBlockRun<BYTE>(decoded, k, skip, run, runPixels);
            else
                WriteBlockRun<DeviceValue>(decoded, k, skip, run, runPixels);
            previous = run;
            previousSource = source;
        }
        if (copy.rowMarks)
            copy.rowMarks->Mark(y);
    }
    return static_cast<int>(rows.last - rows.first);
}

int CopyNearest(Copy& copy)
{
    const bool oneToOne = copy.x.srcLength == copy.x.destLength && copy.y.srcLength == copy.y.destLength;
    if (oneToOne && copy.source.BitCount() == 8)
        return CopyEightBitRows(copy);
    const int factor = WholeMagnification(copy.x);
    if (factor > 1 && factor == WholeMagnification(copy.y) && copy.source.BitCount() <= 8)
        return CopyMagnifiedRows(copy, factor);
    const std::vector<int> columns = CentreSamples(copy.x, copy.FromX(), copy.ToX());
    const std::vector<int> rows = CentreSamples(copy.y, copy.FromY(), copy.ToY());

    int first = copy.x.srcLimit;
    int last = kOutside;
    for (int s : columns)
        if (s != kOutside) {
            first = std::min(first, s);
            last = std::max(last, s);
        }
    if (last == kOutside)
        return 0;
    const RowWriter writer(copy.surface);
    std::vector<BYTE> values;
    std::vector<DeviceValue> decoded;
    int decodedRow = kOutside;
    RowMarks* const marks = copy.rowMarks;
    int written = 0;
    for (std::size_t j = 0; j < rows.size(); ++j) {
        if (rows[j] == kOutside)
            continue;
        if (rows[j] != decodedRow) {
            DecodeDeviceValues(copy, copy.source.RowFromTop(rows[j]), first, last, values, decoded);
            decodedRow = rows[j];
        }
        BYTE* target = copy.surface.Row(static_cast<int>(copy.target.top + j));
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i] != kOutside)
                writer.Put(target, copy.target.left + static_cast<std::int64_t>(i), decoded[columns[i] - first]);
        ++written;
        if (marks)
            marks->Mark(copy.target.top + static_cast<LONG>(j));
    }
    return written;
}

// Colour channels summed one by one in `Sum`, wide enough for any sum:
// 255 times the units a destination pixel covers on both axes.
template <typename Sum>
struct SeparateChannels {
    using Value = std::array<Sum, 3>;  // red, green, blue

    static Value Of(Colour colour) { return {RedOf(colour), GreenOf(colour), BlueOf(colour)}; }
    static void Add(Value& sum, const Value& value)
    {
        for (int channel = 0; channel < 3; ++channel)
            sum[channel] += value[channel];
    }
    static void AddWeighted(Value& sum, const Value& value, std::uint32_t weight)
    {
        for (int channel = 0; channel < 3; ++channel)
            sum[channel] += value[channel] * Sum{weight};
    }

    class Divider {
    public:
        explicit Divider(std::uint64_t total = 1) : m_total(total) {}
        Colour Average(const Value& sum) const
        {
            return (AverageOf(sum[0]) << 16) | (AverageOf(sum[1]) << 8) | AverageOf(sum[2]);
        }

    private:
        // The nearest whole value of sum / total, halves rounded up.
        Colour AverageOf(Sum sum) const { return static_cast<Colour>((2 * sum + m_total) / (2 * m_total)); }
        Sum m_total;
    };
};

// The three channels side by side in one word, 21 bits each with blue
// lowest, so that one multiply weighs all three: usable while 2 * sum + total
// (at most 511 times the total) stays below 2^21 in every channel.
struct PackedChannels {
    using Value = std::uint64_t;
    static constexpr int kLaneBits = 21;
    static constexpr Value kLaneMask = (Value{1} << kLaneBits) - 1;
    static constexpr std::uint64_t kLargestTotal = (std::uint64_t{1} << kLaneBits) / 511 - 1;

    static Value Of(Colour colour)
    {
        return (Value{RedOf(colour)} << (2 * kLaneBits)) | (Value{GreenOf(colour)} << kLaneBits) | BlueOf(colour);
    }
    static void Add(Value& sum, Value value) { sum += value; }
    static void AddWeighted(Value& sum, Value value, std::uint32_t weight) { sum += value * weight; }

    class Divider {
    public:
        // a / d, with d = 2 * total, becomes a * m_reciprocal >> kShift: the
        // reciprocal is 2^kShift / d rounded up, so that the product exceeds
        // a / d by less than a / 2^kShift, short of the next whole number
        // while a * d < 2^kShift (a < 2^21 and d < 2^13 here).
        explicit Divider(std::uint64_t total = 1)
            : m_total(total), m_reciprocal(((std::uint64_t{1} << kShift) + 2 * total - 1) / (2 * total))
        {
        }
        Colour Average(Value sum) const
        {
            return (AverageOf(sum >> (2 * kLaneBits)) << 16) | (AverageOf((sum >> kLaneBits) & kLaneMask) << 8) |
                   AverageOf(sum & kLaneMask);
        }

    private:
        static constexpr int kShift = 40;
        Colour AverageOf(Value sum) const { return static_cast<Colour>(((2 * sum + m_total) * m_reciprocal) >> kShift); }
        std::uint64_t m_total;
        std::uint64_t m_reciprocal;
    };
};

// Source pixels [first, last] of picture rows as channel values.
template <typename Channels>
class ChannelRowDecoder {
public:
    using Value = typename Channels::Value;

    ChannelRowDecoder(const Copy& copy, int first, int last)
        : m_source(copy.source), m_first(first), m_count(static_cast<std::size_t>(last - first + 1))
    {
        for (std::size_t index = 0; index < m_valueOfIndex.size(); ++index)
            m_valueOfIndex[index] = Channels::Of(copy.colours.ColourOfValue()[index]);
    }

    // Adds the row's values, times `weight`, to `sums`.
    void AddWeighted(int rowFromTop, std::uint32_t weight, std::vector<Value>& sums)
    {
        const BYTE* row = m_source.RowFromTop(rowFromTop);
        if (m_source.BitCount() == 24) {
            m_colours.resize(m_count);
            DibSource::ReadColours(row, m_first, m_colours);
            for (std::size_t i = 0; i < m_count; ++i)
                Channels::AddWeighted(sums[i], Channels::Of(m_colours[i]), weight);
        } else {
            m_values.resize(m_count);
            m_source.ReadValues(row, m_first, m_values);
            // Whole source rows (a shrink by a whole factor) weigh one.
            if (weight == 1) {
                for (std::size_t i = 0; i < m_count; ++i)
                    Channels::Add(sums[i], m_valueOfIndex[m_values[i]]);
            } else {
                for (std::size_t i = 0; i < m_count; ++i)
                    Channels::AddWeighted(sums[i], m_valueOfIndex[m_values[i]], weight);
            }
        }
    }

private:
    const DibSource& m_source;
    int m_first;
    std::size_t m_count;
    std::array<Value, 256> m_valueOfIndex{};
    std::vector<BYTE> m_values;
    std::vector<Colour> m_colours;
};

// The destination pixels of an axis that cover some of the picture: one run,
// as the picture is one span.
struct DrawnRun {
    std::size_t first = 0;
    std::size_t end = 0;
};

DrawnRun DrawnPixels(const Coverage& coverage)
{
    DrawnRun run;
    while (run.first < coverage.Count() && coverage.Of(run.first).empty())
        ++run.first;
    run.end = run.first;
    while (run.end < coverage.Count() && !coverage.Of(run.end).empty())
        ++run.end;
    return run;
}

// Writes a row of averaged colours as device values.
void PutColours(Copy& copy, LONG y, std::int64_t left, std::span<const Colour> colours)
{
    BYTE* target = copy.surface.Row(y);
    if (!copy.colours.IsPaletteDevice()) {
        std::memcpy(target + left * 4, colours.data(), colours.size() * 4);
        return;
    }
    const RowWriter writer(copy.surface);
    for (std::size_t i = 0; i < colours.size(); ++i)
        writer.Put(target, left + static_cast<std::int64_t>(i), copy.colours.DeviceOfColour(colours[i]));
}

// The weighted area average of every destination pixel, exactly.
template <typename Channels>
int CopyHalftoneRows(Copy& copy, const Coverage& columns, const Coverage& rows, int first, int last)
{
    using Value = typename Channels::Value;
    using Divider = typename Channels::Divider;
    const DrawnRun drawn = DrawnPixels(columns);
    const std::size_t width = drawn.end - drawn.first;
    std::vector<std::uint64_t> columnWeights(width);
    for (std::size_t i = 0; i < width; ++i)
        columnWeights[i] = columns.WeightOf(drawn.first + i);
    ChannelRowDecoder<Channels> decoder(copy, first, last);
    std::vector<Value> down(static_cast<std::size_t>(last - first + 1));
    std::vector<Divider> dividers(width);
    std::uint64_t dividersRowWeight = 0;
    std::vector<Colour> averages(width);
    RowMarks* const marks = copy.rowMarks;
    int written = 0;
    for (std::size_t j = 0; j < rows.Count(); ++j) {
        if (rows.Of(j).empty())
            continue;
        // Down the source rows first, for every source column at once; then
        // across, once per destination pixel.
        std::fill(down.begin(), down.end(), Value{});
        for (const Coverage::Tap& row : rows.Of(j))
            decoder.AddWeighted(row.source, row.weight, down);
        // Rows inside the picture all weigh the same: the dividers change
        // only at its edges.
        const std::uint64_t rowWeight = rows.WeightOf(j);
        if (rowWeight != dividersRowWeight) {
            for (std::size_t i = 0; i < width; ++i)
                dividers[i] = Divider(rowWeight * columnWeights[i]);
            dividersRowWeight = rowWeight;
        }
        for (std::size_t i = 0; i < width; ++i) {
            Value sum{};
            for (const Coverage::Tap& column : columns.Of(drawn.first + i))
                Channels::AddWeighted(sum, down[static_cast<std::size_t>(column.source)], column.weight);
            averages[i] = dividers[i].Average(sum);
        }
        const auto y = static_cast<LONG>(copy.target.top + static_cast<LONG>(j));
        PutColours(copy, y, copy.target.left + static_cast<std::int64_t>(drawn.first), averages);
        ++written;
        if (marks)
            marks->Mark(y);
    }
    return written;
}

int CopyHalftone(Copy& copy)
{
    Coverage columns = AreaCoverage(copy.x, copy.FromX(), copy.ToX());
    const Coverage rows = AreaCoverage(copy.y, copy.FromY(), copy.ToY());
    if (columns.taps.empty() || rows.taps.empty())
        return 0;
    int first = copy.x.srcLimit;
    int last = kOutside;
    for (const Coverage::Tap& tap : columns.taps) {
        first = std::min(first, tap.source);
        last = std::max(last, tap.source);
    }
    // Columns count from the first one read.
    for (Coverage::Tap& tap : columns.taps)
        tap.source -= first;
    const std::uint64_t largestTotal = columns.unitsPerPixel * rows.unitsPerPixel;
    if (largestTotal <= PackedChannels::kLargestTotal)
        return CopyHalftoneRows<PackedChannels>(copy, columns, rows, first, last);
    // 2 * sum + total, the largest value the averaging forms, is at most
    // 511 times the units of a pixel on both axes (each below 2^31).
    constexpr std::uint64_t kLargestTotalIn64Bits = std::numeric_limits<std::uint64_t>::max() / 511;
    if (largestTotal <= kLargestTotalIn64Bits)
        return CopyHalftoneRows<SeparateChannels<std::uint64_t>>(copy, columns, rows, first, last);
    return CopyHalftoneRows<SeparateChannels<unsigned __int128>>(copy, columns, rows, first, last);
}

}  // namespace

}  // namespace vesper::platform::gdi

using namespace vesper::platform;
using namespace vesper::platform::gdi;

int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop)
{
    if (DestWidth <= 0 || DestHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0 || rop != SRCCOPY ||
        (iUsage != DIB_RGB_COLORS && iUsage != DIB_PAL_COLORS))
        return 0;
    const std::optional<DibSource> source = DibSource::Describe(lpbmi, lpBits);
    if (!source)
        return 0;

    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    if (!context)
        return 0;
    Display& display = CurrentDisplay();
    const Axis x{std::int64_t{context->origin.x} + xDest, DestWidth, xSrc, SrcWidth, source->Width()};
    const Axis y{std::int64_t{context->origin.y} + yDest, DestHeight, source->TopRowOfRectangle(ySrc, SrcHeight),
                 SrcHeight, source->Height()};
    const RECT area = DrawableArea(*context, display);
    const std::int64_t left = std::max<std::int64_t>(x.destStart, area.left);
    const std::int64_t right = std::min<std::int64_t>(x.destStart + x.destLength, area.right);
    const std::int64_t top = std::max<std::int64_t>(y.destStart, area.top);
    const std::int64_t bottom = std::min<std::int64_t>(y.destStart + y.destLength, area.bottom);
    if (left >= right || top >= bottom)
        return 0;

    ColourMapping colours(*source, iUsage, display, *FindPalette(context->palette));
    const RECT target{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                      static_cast<LONG>(bottom)};
    const Surface surface = display.Pixels();
    const bool stretched = SrcWidth != DestWidth || SrcHeight != DestHeight;
    const auto copyPart = [&](const RECT& part, RowMarks* marks) {
        Copy copy{*source, colours, surface, part, x, y, marks};
        const int written = stretched && context->stretchMode == HALFTONE ? CopyHalftone(copy) : CopyNearest(copy);
        if (written > 0)
            display.AreaChanged(part);
        return written;
    };
    // Drawing in the whole screen or in one rectangle, the target already
    // lies inside it.
    if (!context->clip || context->clip->Rects().size() <= 1)
        return copyPart(target, nullptr);
    RowMarks marks(target);
    ForEachVisiblePart(*context, display, target, [&](const RECT& part) { copyPart(part, &marks); });
    return marks.Count();
}
