#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "framework/archive.h"
#include "framework/exceptions.h"
#include "imaging/dib.h"
#include "tests/scene/scene_test_support.h"
#include "tests/support/test_data.h"

namespace {

using namespace vesper::test;

DWORD StoredN(const std::vector<BYTE>& stored)
{
    return stored[0] | stored[1] << 8 | stored[2] << 16 | static_cast<DWORD>(stored[3]) << 24;
}

// Loads a CDIB from bytes and returns the archive failure, if any.
std::optional<CArchiveException> LoadFailure(CDIB& picture, const std::vector<BYTE>& bytes)
{
    try {
        LoadInPlace(picture, bytes);
    } catch (const CArchiveException& e) {
        return e;
    }
    return std::nullopt;
}

std::vector<BYTE> StoredFormOf(HGLOBAL block)
{
    const auto bytes = BlockBytes(block);
    std::vector<BYTE> stored;
    Append32(stored, static_cast<DWORD>(bytes.size()));
    stored.insert(stored.end(), bytes.begin(), bytes.end());
    return stored;
}

void SetStoredN(std::vector<BYTE>& stored, DWORD n)
{
    for (int i = 0; i < 4; ++i)
        stored[i] = static_cast<BYTE>(n >> (8 * i));
}

void SetHeaderField(std::vector<BYTE>& stored, std::size_t headerOffset, DWORD value, int width = 4)
{
    for (int i = 0; i < width; ++i)
        stored[4 + headerOffset + i] = static_cast<BYTE>(value >> (8 * i));
}

// n is the block size written in front of the block: header, the colour
// table (the depth's full table when no count is given) and padded rows.
TEST(DIBStoredForm, EveryDepthRoundTripsWithIdenticalBytesAndAPaletteOfItsColours)
{
    struct Case {
        LONG width, height;
        WORD bits;
        DWORD coloursUsed;
        int paletteEntries;
        DWORD n;
    };
    for (const Case c : {Case{45, 45, 4, 16, 16, 1184}, Case{17, 3, 1, 2, 2, 60}, Case{33, 9, 1, 0, 2, 120},
                         Case{640, 480, 8, 65, 65, 307500}, Case{7, 7, 8, 0, 256, 1120}, Case{13, 5, 8, 0, 256, 1144},
                         Case{3, 2, 24, 0, 0, 64}, Case{5, 4, 24, 0, 0, 104}, Case{9, 2, 24, 3, 3, 108}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.bits << " bits");
        CDIB original;
        original.dib = MakePicture(c.width, c.height, c.bits, c.coloursUsed);
        const auto stored = StoreInPlace(original);
        EXPECT_EQ(StoredN(stored), c.n);
        EXPECT_EQ(original.StoredSize(), c.n);
        ASSERT_EQ(stored.size(), 4 + c.n);
        EXPECT_EQ(std::vector<BYTE>(stored.begin() + 4, stored.end()), BlockBytes(original.dib));
        CDIB loaded;
        LoadInPlace(loaded, stored);
        ASSERT_FALSE(loaded.IsEmpty());
        EXPECT_EQ(BlockBytes(loaded.dib), BlockBytes(original.dib));
        EXPECT_EQ(loaded.palette.GetEntryCount(), c.paletteEntries);
        if (c.paletteEntries) {
            // Entry i is red, green, blue of colour-table entry i.
            const auto block = BlockBytes(loaded.dib);
            const int last = c.paletteEntries - 1;
            PALETTEENTRY entry{};
            ASSERT_EQ(loaded.palette.GetPaletteEntries(last, 1, &entry), 1u);
            EXPECT_EQ(entry.peBlue, block[40 + last * 4]);
            EXPECT_EQ(entry.peGreen, block[40 + last * 4 + 1]);
            EXPECT_EQ(entry.peRed, block[40 + last * 4 + 2]);
            EXPECT_EQ(entry.peFlags, 0);
        } else {
            EXPECT_EQ(loaded.palette.GetSafeHandle(), nullptr);
        }
        EXPECT_EQ(StoreInPlace(loaded), stored);
    }
}

TEST(DIBStoredForm, BlocksAtThePieceBoundaryArriveWhole)
{
    // 1 x 8182 at 24 bits: 40 + 4 x 8182 = 32,768 bytes, one piece.
    CDIB exact;
    exact.dib = MakePicture(1, 8182, 24, 0);
    const auto stored = StoreInPlace(exact);
    ASSERT_EQ(StoredN(stored), 32768u);
    CDIB loadedExact;
    LoadInPlace(loadedExact, stored);
    EXPECT_EQ(BlockBytes(loadedExact.dib), BlockBytes(exact.dib));

    // n = 32,769: a piece of 32,768 and one of a single byte, which must not be lost.
    auto longer = stored;
    SetStoredN(longer, 32769);
    longer.push_back(0xA5);
    longer.push_back(0x5A);  // what follows the block in the stream
    CDIB loadedLonger;
    CMemFile file(longer);
    CArchive ar(&file, CArchive::load);
    loadedLonger.Serialize(ar);
    BYTE next = 0;
    ar >> next;
    EXPECT_EQ(next, 0x5A);
    const auto block = BlockBytes(loadedLonger.dib);
    ASSERT_EQ(block.size(), 32769u);
    EXPECT_EQ(block.back(), 0xA5);
}

TEST(DIBStoredForm, AnEmptyPictureStoresZeroAndLoadsBackEmpty)
{
    CDIB empty;
    const auto stored = StoreInPlace(empty);
    EXPECT_EQ(stored, (std::vector<BYTE>{0, 0, 0, 0}));
    CDIB loaded;
    LoadInPlace(loaded, stored);
    EXPECT_TRUE(loaded.IsEmpty());
    EXPECT_EQ(empty.StoredSize(), 0u);
}

TEST(DIBLoading, AHugeSizeInAShortStreamFailsAsEndOfData)
{
    // 4 GB announced, 10 KB present: no 4 GB allocation (the sanitizer build
    // would abort on one), just the end of the data.
    auto stored = StoredFormOf(MakePicture(100, 100, 8, 0));
    stored.resize(10 * 1024);
    SetStoredN(stored, 0xFFFFFFFF);
    CDIB picture;
    const auto failure = LoadFailure(picture, stored);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->m_cause, CArchiveException::endOfFile);
    EXPECT_EQ(failure->m_streamOffset, 4u);  // where the block begins
    EXPECT_TRUE(picture.IsEmpty());
}

TEST(DIBLoading, ABlockCutShortFailsAndLeavesNoHalfFilledBlock)
{
    const auto whole = StoredFormOf(MakePicture(200, 300, 8, 65));
    for (std::size_t cut : {std::size_t{4}, std::size_t{20}, std::size_t{44}, std::size_t{32768 + 4},
                            std::size_t{40000}, whole.size() - 1}) {
        SCOPED_TRACE(cut);
        CDIB picture;
        const auto failure = LoadFailure(picture, std::vector<BYTE>(whole.begin(), whole.begin() + cut));
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->m_cause, CArchiveException::endOfFile);
        EXPECT_TRUE(picture.IsEmpty());
        EXPECT_EQ(picture.palette.GetSafeHandle(), nullptr);
    }
    // The size itself cut short.
    CDIB picture;
    const auto failure = LoadFailure(picture, {0x10, 0x00});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->m_cause, CArchiveException::endOfFile);
}

TEST(DIBLoading, HeadersThatDisagreeWithTheBlockAreRefused)
{
    const auto good = StoredFormOf(MakePicture(10, 6, 4, 16));
    struct Damage {
        const char* what;
        std::size_t offset;
        DWORD value;
        int width;
    };
    for (const Damage d : {Damage{"core header size", 0, 12, 4}, Damage{"header size 41", 0, 41, 4},
                           Damage{"width 0", 4, 0, 4}, Damage{"negative width", 4, 0xFFFFFFF6, 4},
                           Damage{"top-down height", 8, 0xFFFFFFFA, 4}, Damage{"16-bit rows beyond n", 14, 16, 2},
                           Damage{"32-bit rows beyond n", 14, 32, 2}, Damage{"no depth", 14, 0, 2},
                           Damage{"33 bits", 14, 33, 2}, Damage{"257 colours", 32, 257, 4},
                           Damage{"colour count overflowing", 32, 0x40000000, 4},
                           Damage{"rows beyond n", 8, 7, 4}, Damage{"wider rows beyond n", 4, 40, 4},
                           Damage{"table beyond n", 32, 18, 4}, Damage{"rows overflowing 32 bits", 8, 0x7FFFFFFF, 4}}) {
        SCOPED_TRACE(d.what);
        auto stored = good;
        SetHeaderField(stored, d.offset, d.value, d.width);
        CDIB picture;
        const auto failure = LoadFailure(picture, stored);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->m_cause, CArchiveException::genericException);
        EXPECT_FALSE(failure->m_strDetail.empty());
        EXPECT_TRUE(picture.IsEmpty());
    }
}

TEST(DIBLoading, PicturesOfDepthsThePlayerDoesNotDrawAreKeptWhole)
{
    struct Case {
        const char* what;
        LONG width, height;
        WORD bits;
        DWORD coloursUsed;
        DWORD compression;
        int paletteEntries;
    };
    for (const Case c : {Case{"16 bits", 7, 3, 16, 0, BI_RGB, 0}, Case{"32 bits", 5, 4, 32, 0, BI_RGB, 0},
                         Case{"16-bit bit fields", 6, 2, 16, 0, BI_BITFIELDS, 0},
                         Case{"32-bit bit fields with a colour table", 3, 3, 32, 3, BI_BITFIELDS, 3},
                         Case{"2 bits", 9, 5, 2, 4, BI_RGB, 4}, Case{"8-bit run-length", 8, 8, 8, 20, BI_RLE8, 20},
                         Case{"300 colours at 8 bits", 4, 4, 8, 300, BI_RGB, 300}}) {
        SCOPED_TRACE(c.what);
        auto stored = StoredFormOf(MakePicture(c.width, c.height, c.bits, c.coloursUsed));
        SetHeaderField(stored, 16, c.compression);
        CDIB picture;
        LoadInPlace(picture, stored);
        ASSERT_FALSE(picture.IsEmpty());
        EXPECT_EQ(BlockBytes(picture.dib), std::vector<BYTE>(stored.begin() + 4, stored.end()));
        EXPECT_EQ(picture.palette.GetEntryCount(), c.paletteEntries);
        EXPECT_EQ(StoreInPlace(picture), stored);
    }
}

TEST(DIBLoading, ASizeTooSmallForTheHeaderIsRefusedBeforeReading)
{
    for (DWORD n : {1u, 12u, 39u}) {
        SCOPED_TRACE(n);
        std::vector<BYTE> stored;
        Append32(stored, n);
        stored.resize(4 + 64, 0);
        stored[4] = 40;
        CDIB picture;
        const auto failure = LoadFailure(picture, stored);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->m_cause, CArchiveException::genericException);
        EXPECT_TRUE(picture.IsEmpty());
    }
}

TEST(DIBStoring, ABlockSmallerThanItsHeaderDescribesIsRefused)
{
    // Storing would otherwise read past the end of the block.
    CDIB picture;
    picture.dib = MakePicture(10, 10, 8, 16);
    ASSERT_NE(GlobalReAlloc(picture.dib, 40 + 64 + 50, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(picture.StoredSize(), 0u);
    try {
        StoreInPlace(picture);
        FAIL() << "stored a picture that its block does not hold";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::genericException);
    }
}

TEST(DIBCopy, TheCopyIsIndependentAndHasItsOwnPalette)
{
    CDIB original;
    LoadInPlace(original, StoredFormOf(MakePicture(8, 8, 4, 16, 9)));
    CDIB copy;
    EXPECT_EQ(&copy.CopyFrom(original), &copy);
    ASSERT_FALSE(copy.IsEmpty());
    EXPECT_NE(copy.dib, original.dib);
    EXPECT_EQ(BlockBytes(copy.dib), BlockBytes(original.dib));
    EXPECT_EQ(copy.palette.GetEntryCount(), 16);
    EXPECT_NE(copy.palette.GetSafeHandle(), original.palette.GetSafeHandle());

    const auto before = BlockBytes(copy.dib);
    static_cast<BYTE*>(GlobalLock(original.dib))[100] ^= 0xFF;
    GlobalUnlock(original.dib);
    EXPECT_EQ(BlockBytes(copy.dib), before);
}

TEST(DIBCopy, CopyingAnEmptyPictureEmptiesTheTarget)
{
    CDIB target;
    LoadInPlace(target, StoredFormOf(MakePicture(8, 8, 8, 20)));
    ASSERT_NE(target.palette.GetSafeHandle(), nullptr);
    const CDIB empty;
    target.CopyFrom(empty);
    EXPECT_TRUE(target.IsEmpty());
    EXPECT_EQ(target.palette.GetSafeHandle(), nullptr);
}

TEST(DIBCopy, CopyingItselfKeepsThePicture)
{
    CDIB picture;
    picture.dib = MakePicture(4, 4, 24, 0);
    const auto before = BlockBytes(picture.dib);
    picture.CopyFrom(picture);
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(BlockBytes(picture.dib), before);
}

TEST(DIBFiles, ClassifyExtensionLooksAtTheLastThreeCharactersOnly)
{
    EXPECT_EQ(CDIB::ClassifyExtension("c:\\windows\\nuages.bmp"), 0);
    EXPECT_EQ(CDIB::ClassifyExtension("NUAGES.BMP"), 0);
    EXPECT_EQ(CDIB::ClassifyExtension("a.bMp"), 0);
    EXPECT_EQ(CDIB::ClassifyExtension("picture.dib"), 5);
    EXPECT_EQ(CDIB::ClassifyExtension("picture.Rle"), 4);
    EXPECT_EQ(CDIB::ClassifyExtension("bmp.txt"), -1);
    EXPECT_EQ(CDIB::ClassifyExtension("picturebmp"), 0);  // no dot needed
    EXPECT_EQ(CDIB::ClassifyExtension("bmp"), 0);
    EXPECT_EQ(CDIB::ClassifyExtension("mp"), -1);
    EXPECT_EQ(CDIB::ClassifyExtension("p"), -1);
    EXPECT_EQ(CDIB::ClassifyExtension(""), -1);
    EXPECT_EQ(CDIB::ClassifyExtension("x.b\xCDp"), -1);  // only A-Z fold
}

std::vector<BYTE> BmpFileOf(HGLOBAL block)
{
    const auto bytes = BlockBytes(block);
    std::vector<BYTE> file{'B', 'M'};
    Append32(file, static_cast<DWORD>(14 + bytes.size()));
    Append32(file, 0);
    const DWORD colours = bytes[32] | bytes[33] << 8;
    Append32(file, 14 + 40 + colours * 4);
    file.insert(file.end(), bytes.begin(), bytes.end());
    return file;
}

TEST(DIBFiles, LoadFromFileReadsABitmapAndMakesItsPalette)
{
    ScratchDir dir;
    HGLOBAL source = MakePicture(12, 7, 8, 32, 3);
    const auto expected = BlockBytes(source);
    WriteFile((dir / "p.BMP").string(), BmpFileOf(source));
    GlobalFree(source);

    CDIB picture;
    EXPECT_TRUE(picture.LoadFromFile((dir / "p.BMP").string()));
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(BlockBytes(picture.dib), expected);
    EXPECT_EQ(picture.palette.GetEntryCount(), 32);
}

TEST(DIBFiles, LoadFromFileWithoutAUsablePictureLeavesNoneAndKeepsThePalette)
{
    ScratchDir dir;
    HGLOBAL source = MakePicture(12, 7, 8, 32, 3);
    const auto file = BmpFileOf(source);
    GlobalFree(source);
    WriteFile((dir / "p.txt").string(), file);
    WriteFile((dir / "broken.bmp").string(), std::vector<BYTE>(file.begin(), file.begin() + 30));
    std::filesystem::create_directory(dir / "folder.bmp");

    for (const std::string& path : {(dir / "missing.bmp").string(), std::string{}, (dir / "p.txt").string(),
                                   (dir / "broken.bmp").string(), (dir / "folder.bmp").string()}) {
        SCOPED_TRACE(path);
        CDIB picture;
        LoadInPlace(picture, StoredFormOf(MakePicture(4, 4, 4, 16)));
        const HGDIOBJ palette = picture.palette.GetSafeHandle();
        ASSERT_NE(palette, nullptr);
        EXPECT_FALSE(picture.LoadFromFile(path));
        EXPECT_TRUE(picture.IsEmpty());
        EXPECT_EQ(picture.palette.GetSafeHandle(), palette);
    }
}

}  // namespace
