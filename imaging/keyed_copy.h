// The rectangle copies at the heart of every sprite redraw: the keyed copy
// (pixels copied except where the source holds one key index, with whatever
// vector instructions the processor offers; every variant writes the same
// bytes) and the plain copy that restores the background.
#pragma once

#include "imaging/internal.h"

#include <cstddef>
#include <span>

#include "platform/win32.h"

namespace vesper::imaging {

// Copies h rows of w pixels (w, h ≥ 0) from src to dst, each row one stride
// further on: dst[i] := src[i] wherever src[i] != skip. The rows must not
// overlap.
void CopyRectExceptKey(BYTE* dst, std::size_t dstStride, const BYTE* src, std::size_t srcStride, int w, int h,
                       BYTE skip);

// Copies h rows of w pixels (w, h ≥ 0) from src to dst, each row one stride
// further on. The rows must not overlap.
void CopyRect(BYTE* dst, std::size_t dstStride, const BYTE* src, std::size_t srcStride, int w, int h);

using KeyedRectCopy = void (*)(BYTE* dst, std::size_t dstStride, const BYTE* src, std::size_t srcStride, int w, int h,
                               BYTE skip);

// Every variant this processor can run, the portable one first; the last is
// the one CopyRectExceptKey uses. For tests that hold each to the same result.
std::span<const KeyedRectCopy> KeyedRectCopies();

}  // namespace vesper::imaging
