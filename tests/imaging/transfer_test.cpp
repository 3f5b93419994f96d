// Rectangle copies between frames: every keyed-copy variant the processor
// runs, and CDIB8BPP::TransferTo, against a pixel-by-pixel reference on
// random rectangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "imaging/dib8bpp.h"
#include "imaging/keyed_copy.h"
#include "tests/imaging/bmp_test_support.h"

namespace vesper::test {
namespace {

using vesper::imaging::KeyedRectCopies;

// Widths around every vector size and its multiples.
constexpr int kWidths[] = {0, 1, 2, 7, 15, 16, 17, 31, 32, 33, 45, 63, 64, 65, 100, 127, 128, 129, 191, 300};

// Random pixels of which about keyShare are the key.
std::vector<BYTE> RandomPixels(std::size_t count, BYTE key, double keyShare, std::mt19937& random)
{
    std::uniform_int_distribution<int> index(0, 255);
    std::bernoulli_distribution isKey(keyShare);
    std::vector<BYTE> pixels(count);
    for (BYTE& pixel : pixels)
        pixel = isKey(random) ? key : static_cast<BYTE>(index(random));
    return pixels;
}

TEST(KeyedRectCopy, EveryVariantCopiesExactlyThePixelsThatAreNotTheKey)
{
    std::mt19937 random(11);
    const auto variants = KeyedRectCopies();
    ASSERT_FALSE(variants.empty());
    for (std::size_t variant = 0; variant < variants.size(); ++variant) {
        for (const int w : kWidths) {
            for (const double keyShare : {0.0, 0.1, 0.5, 1.0}) {
                const int h = 1 + w % 4;
                const BYTE key = static_cast<BYTE>(random());
                // Strides with room to both sides of the rectangle, which
                // must stay as it was.
                const std::size_t srcStride = w + 5, dstStride = w + 70;
                const std::size_t left = 33;
                const std::vector<BYTE> source = RandomPixels(srcStride * h + left, key, keyShare, random);
                std::vector<BYTE> target = RandomPixels(dstStride * h + 2 * left, key, 0.3, random);
                std::vector<BYTE> expected = target;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const BYTE pixel = source[left + y * srcStride + x];
                        if (pixel != key)
                            expected[left + y * dstStride + x] = pixel;
                    }
                variants[variant](target.data() + left, dstStride, source.data() + left, srcStride, w, h, key);
                EXPECT_EQ(target, expected) << "variant " << variant << ", " << w << "x" << h << ", key share "
                                            << keyShare;
            }
        }
    }
}

TEST(KeyedRectCopy, RowsAtTheVeryEndOfTheirBuffersAreNotReadPast)
{
    // Exactly w × h bytes on both sides: any read or write past the last
    // row's end shows up under the address sanitizer.
    std::mt19937 random(12);
    for (const auto& copy : KeyedRectCopies()) {
        for (const int w : kWidths) {
            const int h = 2;
            std::vector<BYTE> source = RandomPixels(static_cast<std::size_t>(w) * h, 9, 0.5, random);
            std::vector<BYTE> target(source.size(), 200);
            copy(target.data(), w, source.data(), w, w, h, 9);
            for (std::size_t i = 0; i < source.size(); ++i)
                ASSERT_EQ(target[i], source[i] == 9 ? 200 : source[i]) << w << " at " << i;
        }
    }
}

TEST(PlainRectCopy, EveryWidthCopiesTheRowsAndNothingBeside)
{
    std::mt19937 random(14);
    for (const int w : kWidths) {
        const int h = 1 + w % 3;
        const std::size_t srcStride = w + 3, dstStride = w + 40, left = 17;
        const std::vector<BYTE> source = RandomPixels(srcStride * h + left, 0, 0.0, random);
        std::vector<BYTE> target = RandomPixels(dstStride * h + 2 * left, 0, 0.0, random);
        std::vector<BYTE> expected = target;
        for (int y = 0; y < h; ++y)
            std::copy_n(source.begin() + left + y * srcStride, w, expected.begin() + left + y * dstStride);
        vesper::imaging::CopyRect(target.data() + left, dstStride, source.data() + left, srcStride, w, h);
        EXPECT_EQ(target, expected) << w << "x" << h;
    }
}

// A frame of the given size with random pixels.
void FillRandom(CDIB8BPP& frame, int width, int height, std::mt19937& random)
{
    ASSERT_EQ(frame.Create(width, height), TRUE);
    std::uniform_int_distribution<int> index(0, 7);  // few indexes, so keys repeat
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            *frame.PixelAddress(x, y) = static_cast<BYTE>(index(random) * 37);
}

TEST(TransferToRandom, MatchesThePixelByPixelCopyOnRandomRectangles)
{
    std::mt19937 random(13);
    for (int round = 0; round < 150; ++round) {
        CDIB8BPP source, target;
        std::uniform_int_distribution<int> size(1, 100);
        const int sw = size(random), sh = size(random) / 4 + 1, tw = size(random), th = size(random) / 4 + 1;
        FillRandom(source, sw, sh, random);
        FillRandom(target, tw, th, random);
        const auto pick = [&](int limit) { return std::uniform_int_distribution<int>(0, limit)(random); };
        const int w = pick(std::min(sw, tw)), h = pick(std::min(sh, th));
        const int sx = pick(sw - w), sy = pick(sh - h), dx = pick(tw - w), dy = pick(th - h);
        const DWORD key = round % 3 == 0 ? kCopyAllPixels : PALETTEINDEX(pick(7) * 37);

        const std::vector<BYTE> expected = ExpectedTransfer(source, target, dx, dy, w, h, sx, sy, key);
        // Every other round the caller holds both blocks locked; the copy
        // uses those addresses and leaves the locks as they were.
        const bool callerLocks = round % 2 == 1;
        if (callerLocks) {
            source.locked = static_cast<BYTE*>(GlobalLock(source.block));
            target.locked = static_cast<BYTE*>(GlobalLock(target.block));
        }
        source.TransferTo(target, dx, dy, w, h, sx, sy, key);
        if (callerLocks) {
            EXPECT_NE(source.locked, nullptr);
            EXPECT_NE(target.locked, nullptr);
            GlobalUnlock(source.block);
            GlobalUnlock(target.block);
            source.locked = target.locked = nullptr;
        }
        EXPECT_EQ((GlobalFlags(source.block) & GMEM_LOCKCOUNT), 0u);
        EXPECT_EQ((GlobalFlags(target.block) & GMEM_LOCKCOUNT), 0u);
        ASSERT_EQ(FramePixels(target), expected) << "round " << round << ": " << w << "x" << h << " from " << sx << ","
                                              << sy << " to " << dx << "," << dy << " key " << std::hex << key;
    }
}

TEST(TransferToRandom, OverlappingRowWithinOneFrameMovesAsAWhole)
{
    // Not a use the stage makes, but overlapping bytes must not be copied
    // as if they were apart.
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(40, 1), TRUE);
    for (int x = 0; x < 40; ++x)
        *frame.PixelAddress(x, 0) = static_cast<BYTE>(x);
    frame.TransferTo(frame, 3, 0, 37, 1, 0, 0, kCopyAllPixels);
    for (int x = 3; x < 40; ++x)
        EXPECT_EQ(frame.GetPixelIndex(x, 0), x - 3) << x;
}

}  // namespace
}  // namespace vesper::test
