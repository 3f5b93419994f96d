// The conversion of 8-bit rows to device values, every variant the processor
// runs against a plain look-up, and the one-to-one copy of an 8-bit picture
// against the same picture at 24 bits, which takes the general nearest path.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi/gdi_index_rows.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/win32.h"
#include "tests/platform/gdi/gdi_test_dib.h"

namespace {

using vesper::platform::gdi::IndexRowConversions;
using vesper::platform::gdi::IndexTable;

constexpr BYTE kUntouched = 0xA5;

TEST(IndexRows, EveryVariantWritesTheTableValuesAndNothingBesideTheRows)
{
    std::mt19937 random(21);
    std::uniform_int_distribution<std::uint32_t> value;
    std::uniform_int_distribution<int> byte(0, 255);
    std::array<std::uint32_t, 256> values{};
    for (std::uint32_t& v : values)
        v = value(random);
    const IndexTable table(values);
    IndexTable withPairs(values);
    withPairs.AddPairs();
    // Lengths around every vector size and its tail; outputs off alignment;
    // rows read bottom-up (a negative stride) as from a bottom-up picture.
    for (const std::size_t count : {0, 1, 2, 6, 15, 16, 17, 63, 64, 65, 127, 128, 200, 1000})
        for (const std::size_t offset : {0, 1, 3}) {
            constexpr std::size_t kRows = 3;
            const std::size_t inStride = count + 5;
            const std::size_t outStride = offset + count * 4 + 8;
            std::vector<BYTE> in(inStride * kRows);
            for (BYTE& pixel : in)
                pixel = static_cast<BYTE>(byte(random));
            std::vector<BYTE> expected(outStride * kRows, kUntouched);
            for (std::size_t row = 0; row < kRows; ++row)
                for (std::size_t i = 0; i < count; ++i)
                    std::memcpy(expected.data() + row * outStride + offset + i * 4,
                                &values[in[(kRows - 1 - row) * inStride + i]], 4);
            for (const IndexTable* used : std::array<const IndexTable*, 2>{&table, &withPairs})
                for (std::size_t variant = 0; variant < IndexRowConversions().size(); ++variant) {
                    std::vector<BYTE> out(expected.size(), kUntouched);
                    IndexRowConversions()[variant](*used, in.data() + (kRows - 1) * inStride,
                                                   -static_cast<std::ptrdiff_t>(inStride), out.data() + offset,
                                                   static_cast<std::ptrdiff_t>(outStride), count, kRows);
                    EXPECT_EQ(out, expected) << "variant " << variant << (used->Pairs() ? " with pairs, " : ", ")
                                             << count << " pixels at offset " << offset;
                }
        }
}

// Random 8-bit pictures copied one to one to random places, partly outside
// the picture and the screen: the same screen as from the picture at 24 bits.
TEST(IndexRows, OneToOneEightBitCopiesShowWhatTheSamePictureAtTwentyFourBitsShows)
{
    using vesper::test::MakeDib;
    using vesper::test::RowOrder;
    constexpr int kScreenWidth = 97;
    constexpr int kScreenHeight = 61;
    std::mt19937 random(8);
    std::uniform_int_distribution<int> byte(0, 255), colour(0, 0xFFFFFF), side(1, 90), place(-30, 100);
    for (int round = 0; round < 60; ++round) {
        const int width = side(random);
        const int height = side(random);
        // Fewer colours than values now and then: the others show black.
        const int colours = round % 3 == 0 ? 1 + byte(random) : 256;
        std::vector<unsigned> table(static_cast<std::size_t>(colours));
        for (unsigned& entry : table)
            entry = static_cast<unsigned>(colour(random));
        std::vector<unsigned> values(static_cast<std::size_t>(width) * height);
        std::vector<unsigned> shown(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = static_cast<unsigned>(byte(random));
            shown[i] = values[i] < table.size() ? table[values[i]] : 0;
        }
        const RowOrder order = round % 2 ? RowOrder::TopDown : RowOrder::BottomUp;
        const auto eightBit = MakeDib(width, height, 8, values, table, order);
        const auto trueColour = MakeDib(width, height, 24, shown, {}, order);
        const int xDest = place(random), yDest = place(random), xSrc = place(random) / 3, ySrc = place(random) / 3;
        const int copyWidth = side(random), copyHeight = side(random);

        std::vector<std::vector<COLORREF>> screens;
        std::vector<int> rows;
        for (const auto* dib : {&eightBit, &trueColour}) {
            auto& screen = vesper::platform::UseHeadlessDisplay({kScreenWidth, kScreenHeight, 32});
            HDC dc = GetDC(nullptr);
            rows.push_back(StretchDIBits(dc, xDest, yDest, copyWidth, copyHeight, xSrc, ySrc, copyWidth, copyHeight,
                                         dib->bits.data(), dib->Info(), DIB_RGB_COLORS, SRCCOPY));
            ReleaseDC(nullptr, dc);
            screens.push_back(vesper::test::PixelsIn(screen, RECT{0, 0, kScreenWidth, kScreenHeight}));
        }
        EXPECT_EQ(rows[0], rows[1]) << "round " << round;
        EXPECT_EQ(screens[0], screens[1]) << "round " << round << ": " << width << "x" << height << " picture, "
                                          << copyWidth << "x" << copyHeight << " from (" << xSrc << ", " << ySrc
                                          << ") to (" << xDest << ", " << yDest << ")";
    }
}

}  // namespace
