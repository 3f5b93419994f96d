// Rows of 8-bit pixel values turned into 32-bit device values through a
// 256-entry table: the inner loop of every one-to-one copy of an 8-bit frame
// to a true-colour screen, with whatever vector instructions the processor
// offers. Every variant writes the same bytes.
#pragma once

#include "platform/internal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/api/win32_types.h"

namespace vesper::platform::gdi {

class IndexTable {
public:
    explicit IndexTable(const std::array<std::uint32_t, 256>& values);

    const std::array<std::uint32_t, 256>& Values() const { return m_values; }
    // Byte k of every value, for lookups 64 values at a time.
    const BYTE* Plane(int k) const { return m_planes[static_cast<std::size_t>(k)].data(); }

    // The values of every pair of pixels, the first in the low half: 512 KiB
    // built once for a table that is used again and again, since a picture's
    // neighbouring pixels take few distinct pairs and a look-up per two
    // pixels halves the work. Null until built.
    void AddPairs();
    const std::uint64_t* Pairs() const { return m_pairs.get(); }

private:
    std::array<std::uint32_t, 256> m_values;
    alignas(64) std::array<std::array<BYTE, 256>, 4> m_planes;
    std::unique_ptr<std::uint64_t[]> m_pairs;
};

// For each of `rows` rows, one stride further on each side: writes `count`
// 4-byte values, little-endian, to the row of `out`, the table's value of
// each byte of the row of `in`. Nothing needs to be aligned; strides may be
// negative; the rows must not overlap.
using IndexRowConversion = void (*)(const IndexTable& table, const BYTE* in, std::ptrdiff_t inStride, BYTE* out,
                                    std::ptrdiff_t outStride, std::size_t count, std::size_t rows);

void ConvertIndexRows(const IndexTable& table, const BYTE* in, std::ptrdiff_t inStride, BYTE* out,
                      std::ptrdiff_t outStride, std::size_t count, std::size_t rows);

// Every variant this processor can run, the portable ones first. For tests
// that hold each to the same result.
std::span<const IndexRowConversion> IndexRowConversions();

}  // namespace vesper::platform::gdi
