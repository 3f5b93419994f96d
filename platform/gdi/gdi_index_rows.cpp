#include "platform/gdi/gdi_index_rows.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vesper::platform::gdi {

IndexTable::IndexTable(const std::array<std::uint32_t, 256>& values) : m_values(values)
{
    for (std::size_t value = 0; value < values.size(); ++value)
        for (std::size_t k = 0; k < m_planes.size(); ++k)
            m_planes[k][value] = static_cast<BYTE>(values[value] >> (8 * k));
}

void IndexTable::AddPairs()
{
    constexpr std::size_t kPairs = 256 * 256;
    m_pairs = std::make_unique<std::uint64_t[]>(kPairs);
    for (std::size_t pair = 0; pair < kPairs; ++pair)
        m_pairs[pair] = m_values[pair & 0xFF] | std::uint64_t{m_values[pair >> 8]} << 32;
}

namespace {

// Portable: one look-up per pixel, the indices of four pixels read as one
// word (WebAssembly, which has no gather, runs this).
void ConvertByLookUps(const IndexTable& table, const BYTE* in, std::ptrdiff_t inStride, BYTE* out,
                      std::ptrdiff_t outStride, std::size_t count, std::size_t rows)
{
    static_assert(std::endian::native == std::endian::little);
    const std::uint32_t* values = table.Values().data();
    for (std::size_t row = 0; row < rows; ++row, in += inStride, out += outStride) {
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            std::uint32_t indices;
            std::memcpy(&indices, in + i, sizeof indices);
            const std::uint32_t four[4] = {values[indices & 0xFF], values[(indices >> 8) & 0xFF],
                                           values[(indices >> 16) & 0xFF], values[indices >> 24]};
            std::memcpy(out + i * 4, four, sizeof four);
        }
        for (; i < count; ++i)
            std::memcpy(out + i * 4, &values[in[i]], 4);
    }
}

// Portable, with the table's pairs: the indices of eight pixels read as one
// word, four look-ups of two values each.
void ConvertByPairs(const IndexTable& table, const BYTE* in, std::ptrdiff_t inStride, BYTE* out,
                    std::ptrdiff_t outStride, std::size_t count, std::size_t rows)
{
    const std::uint64_t* pairs = table.Pairs();
    if (!pairs)
        return ConvertByLookUps(table, in, inStride, out, outStride, count, rows);
    constexpr std::size_t kEight = 8;
    const std::size_t paired = count / kEight * kEight;
    for (std::size_t row = 0; row < rows; ++row, in += inStride, out += outStride) {
        for (std::size_t i = 0; i < paired; i += kEight) {
            std::uint64_t indices;
            std::memcpy(&indices, in + i, sizeof indices);
            const std::uint64_t eight[4] = {pairs[indices & 0xFFFF], pairs[(indices >> 16) & 0xFFFF],
                                            pairs[(indices >> 32) & 0xFFFF], pairs[indices >> 48]};
            std::memcpy(out + i * 4, eight, sizeof eight);
        }
        ConvertByLookUps(table, in + paired, 0, out + paired * 4, 0, count - paired, 1);
    }
}

#if defined(__x86_64__)
// GCC 12's byte permute intrinsic starts from an undefined vector it then
// overwrites whole, and warns about it.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// Byte 16L + 4m + r of an index vector takes pixel 16m + 4L + r, for lanes L,
// results m and bytes r of 0 to 3: the order in which interleaving bytes and
// then words within 128-bit lanes puts four planes back in pixel order.
[[gnu::target("avx512bw,avx512vbmi")]] inline __m512i LaneInterleavingOrder()
{
    alignas(64) BYTE order[64];
    for (int lane = 0; lane < 4; ++lane)
        for (int m = 0; m < 4; ++m)
            for (int r = 0; r < 4; ++r)
                order[16 * lane + 4 * m + r] = static_cast<BYTE>(16 * m + 4 * lane + r);
    return _mm512_load_si512(order);
}

// AVX-512 VBMI: 64 pixels at a time. Each byte of the values is looked up in
// its 256-byte plane by two 128-byte permutes (the index's top bit picks
// one), and the four planes are interleaved into 64 values. The last pixels
// of a row are loaded and stored under masks, so nothing past it is touched.
[[gnu::target("avx512bw,avx512vbmi")]] inline void ConvertRowByPermutes(const __m512i (&low)[4], const __m512i (&lowNext)[4],
                                                                  const __m512i (&high)[4],
                                                                  const __m512i (&highNext)[4], __m512i order,
                                                                  const BYTE* in, std::size_t count, BYTE* out)
{
    constexpr std::size_t kVector = 64;
    for (std::size_t i = 0; i < count; i += kVector) {
        const std::size_t n = count - i < kVector ? count - i : kVector;
        const __mmask64 inside = n == kVector ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
        const __m512i indexes = _mm512_permutexvar_epi8(order, _mm512_maskz_loadu_epi8(inside, in + i));
        const __mmask64 upper = _mm512_movepi8_mask(indexes);
        __m512i planes[4];
        for (int k = 0; k < 4; ++k) {
            const __m512i fromLow = _mm512_permutex2var_epi8(low[k], indexes, lowNext[k]);
            const __m512i fromHigh = _mm512_permutex2var_epi8(high[k], indexes, highNext[k]);
            planes[k] = _mm512_mask_blend_epi8(upper, fromLow, fromHigh);
        }
        // The indexes were loaded so that interleaving the planes within each
        // 128-bit lane gives the values in pixel order: lane L of the m-th
        // result holds pixels 16m + 4L + 0..3.
        const __m512i bgLow = _mm512_unpacklo_epi8(planes[0], planes[1]);
        const __m512i bgHigh = _mm512_unpackhi_epi8(planes[0], planes[1]);
        const __m512i rxLow = _mm512_unpacklo_epi8(planes[2], planes[3]);
        const __m512i rxHigh = _mm512_unpackhi_epi8(planes[2], planes[3]);
        const __m512i result[4] = {_mm512_unpacklo_epi16(bgLow, rxLow), _mm512_unpackhi_epi16(bgLow, rxLow),
                                   _mm512_unpacklo_epi16(bgHigh, rxHigh), _mm512_unpackhi_epi16(bgHigh, rxHigh)};
        BYTE* to = out + i * 4;
        if (n == kVector) {
            for (int j = 0; j < 4; ++j)
                _mm512_storeu_si512(to + j * 64, result[j]);
            continue;
        }
        for (std::size_t j = 0; j * 16 < n; ++j) {
            const std::size_t left = n - j * 16;
            const __mmask16 values = left >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << left) - 1);
            _mm512_mask_storeu_epi32(to + j * 64, values, result[j]);
        }
    }
}

[[gnu::target("avx512bw,avx512vbmi")]] void ConvertByPermutes(const IndexTable& table, const BYTE* in,
                                                               std::ptrdiff_t inStride, BYTE* out,
                                                               std::ptrdiff_t outStride, std::size_t count,
                                                               std::size_t rows)
{
    // The planes stay in registers for every row.
    __m512i low[4];
    __m512i lowNext[4];
    __m512i high[4];
    __m512i highNext[4];
    for (int k = 0; k < 4; ++k) {
        const BYTE* plane = table.Plane(k);
        low[k] = _mm512_loadu_si512(plane);
        lowNext[k] = _mm512_loadu_si512(plane + 64);
        high[k] = _mm512_loadu_si512(plane + 128);
        highNext[k] = _mm512_loadu_si512(plane + 192);
    }
    const __m512i order = LaneInterleavingOrder();
    for (std::size_t row = 0; row < rows; ++row, in += inStride, out += outStride)
        ConvertRowByPermutes(low, lowNext, high, highNext, order, in, count, out);
}
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

bool HasPermutes()
{
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
#else
    return false;
#endif
}

}  // namespace

std::span<const IndexRowConversion> IndexRowConversions()
{
#if defined(__x86_64__)
    static const IndexRowConversion withPermutes[] = {ConvertByLookUps, ConvertByPairs, ConvertByPermutes};
    if (HasPermutes())
        return withPermutes;
#endif
    static const IndexRowConversion portable[] = {ConvertByLookUps, ConvertByPairs};
    return portable;
}

void ConvertIndexRows(const IndexTable& table, const BYTE* in, std::ptrdiff_t inStride, BYTE* out,
                      std::ptrdiff_t outStride, std::size_t count, std::size_t rows)
{
    // Permutes need no memory beside the registers; without them, pairs when
    // the table has them.
    static const bool permutes = HasPermutes();
    const IndexRowConversion chosen = permutes ? IndexRowConversions().back() : ConvertByPairs;
    chosen(table, in, inStride, out, outStride, count, rows);
}

}  // namespace vesper::platform::gdi
