#include "imaging/keyed_copy.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vesper::imaging {
namespace {

// Portable: 16 pixels at a time as a compare and a blend. A row's last 16
// pixels are worked out before anything of the row is stored and stored
// last: pixels they share with the vector before come out the same (a keyed
// copy repeated changes nothing), and no load waits on an overlapping store.
void CopyRectExceptKeyByVectors(BYTE* dst, std::size_t dstStride, const BYTE* src, std::size_t srcStride, int w, int h,
                                BYTE skip)
{
    using Pixels = BYTE __attribute__((vector_size(16)));
    constexpr int kVector = sizeof(Pixels);
    const auto load = [](const BYTE* at) {
        Pixels pixels;
        std::memcpy(&pixels, at, sizeof pixels);
        return pixels;
    };
    const Pixels key = Pixels{} + skip;
    const auto blend = [&](const BYTE* to, const BYTE* from) {
        const Pixels source = load(from);
        const Pixels keep = source == key;  // all ones where the target keeps its pixel
        return (load(to) & keep) | (source & ~keep);
    };
    for (int row = 0; row < h; ++row, src += srcStride, dst += dstStride) {
        if (w < kVector) {
            for (int i = 0; i < w; ++i)
                dst[i] = src[i] == skip ? dst[i] : src[i];
            continue;
        }
        const Pixels last = blend(dst + w - kVector, src + w - kVector);
        for (int i = 0; i + kVector <= w; i += kVector) {
            const Pixels pixels = blend(dst + i, src + i);
            std::memcpy(dst + i, &pixels, sizeof pixels);
        }
        std::memcpy(dst + w - kVector, &last, sizeof last);
    }
}

#if defined(__x86_64__)
// AVX-512: 64 pixels at a time, the pixels that differ from the key written
// with one masked store; the target is not even read. Masked-off bytes past
// the end of a row are not touched.
[[gnu::target("avx512bw")]] void CopyRectExceptKeyByMaskedStores(BYTE* dst, std::size_t dstStride, const BYTE* src,
                                                                  std::size_t srcStride, int w, int h, BYTE skip)
{
    constexpr int kVector = 64;
    const __m512i key = _mm512_set1_epi8(static_cast<char>(skip));
    for (int row = 0; row < h; ++row, src += srcStride, dst += dstStride) {
        for (int i = 0; i < w; i += kVector) {
            const int n = std::min(kVector, w - i);
            const __mmask64 inside = n == kVector ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
            const __m512i pixels = _mm512_maskz_loadu_epi8(inside, src + i);
            _mm512_mask_storeu_epi8(dst + i, _mm512_mask_cmpneq_epi8_mask(inside, pixels, key), pixels);
        }
    }
}
#endif

}  // namespace

std::span<const KeyedRectCopy> KeyedRectCopies()
{
#if defined(__x86_64__)
    static const KeyedRectCopy withMaskedStores[] = {CopyRectExceptKeyByVectors, CopyRectExceptKeyByMaskedStores};
    if (__builtin_cpu_supports("avx512bw"))
        return withMaskedStores;
#endif
    static const KeyedRectCopy portable[] = {CopyRectExceptKeyByVectors};
    return portable;
}

void CopyRect(BYTE* dst, std::size_t dstStride, const BYTE* src, std::size_t srcStride, int w, int h)
{
    // Sixteen bytes at a time rather than a memcpy call a row: for the short
    // rows of a sprite's rectangle the call costs as much as the copy, and the
    // browser's C library copies such runs four bytes at a time. The row's
    // last sixteen bytes go last, overlapping the vector before.
    using Bytes = BYTE __attribute__((vector_size(16)));
    constexpr int kVector = sizeof(Bytes);
    const auto copy = [](BYTE* to, const BYTE* from) {
        Bytes bytes;
        std::memcpy(&bytes, from, sizeof bytes);
        std::memcpy(to, &bytes, sizeof bytes);
    };
    for (int row = 0; row < h; ++row, src += srcStride, dst += dstStride) {
        if (w < kVector) {
            std::memcpy(dst, src, static_cast<std::size_t>(std::max(w, 0)));
            continue;
        }
        for (int i = 0; i + kVector <= w; i += kVector)
            copy(dst + i, src + i);
        copy(dst + w - kVector, src + w - kVector);
    }
}

void CopyRectExceptKey(BYTE* dst, std::size_t dstStride, const BYTE* src, std::size_t srcStride, int w, int h, BYTE skip)
{
    static const KeyedRectCopy chosen = KeyedRectCopies().back();
    chosen(dst, dstStride, src, srcStride, w, h, skip);
}

}  // namespace vesper::imaging
