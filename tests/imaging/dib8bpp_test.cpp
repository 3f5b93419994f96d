// The 8-bit frame: blank frames, pixel addressing, locking, reading .bmp
// files, drawing and the rectangle copy every redraw is made of.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "framework/archive.h"
#include "framework/file.h"
#include "imaging/default_palette.h"
#include "imaging/dib8bpp.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/user/message_box.h"
#include "tests/imaging/bmp_test_support.h"
#include "tests/support/test_data.h"

namespace vesper::test {
namespace {

constexpr char kOnly8Bit[] = "Only 8 bit DIBs are supported";
constexpr char kCompressed[] = "Compressed (RLE) DIBs are not supported";

// Records the message boxes shown while it lives.
class MessageBoxes {
public:
    MessageBoxes()
        : m_previous(platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
              texts.push_back(request.text);
              EXPECT_EQ(request.type & 0xF, static_cast<UINT>(MB_OK));
              return IDOK;
          }))
    {
    }
    ~MessageBoxes() { platform::SetMessageBoxHandler(m_previous); }
    std::vector<std::string> texts;

private:
    platform::MessageBoxHandler m_previous;
};

UINT LockCount(HGLOBAL block)
{
    return GlobalFlags(block) & GMEM_LOCKCOUNT;
}

// Fills a frame so that pixel (x, y) holds (x + 16 * y + seed) % 256.
void Paint(CDIB8BPP& frame, int seed)
{
    for (int y = 0; y < frame.GetHeight(); ++y)
        for (int x = 0; x < frame.GetWidth(); ++x)
            *frame.PixelAddress(x, y) = static_cast<BYTE>(x + 16 * y + seed);
}

TEST(DIB8BPPFrame, NewFrameIsEmpty)
{
    CDIB8BPP frame;
    EXPECT_EQ(frame.block, nullptr);
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_EQ(frame.GetWidth(), 0);
    EXPECT_EQ(frame.GetHeight(), 0);
    RECT rect{1, 2, 3, 4};
    frame.GetRect(&rect);
    EXPECT_TRUE(rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0);
    EXPECT_EQ(frame.GetBits(), nullptr);
    EXPECT_EQ(frame.GetColorTable(), nullptr);
    EXPECT_EQ(frame.PixelAddress(0, 0), nullptr);
    EXPECT_EQ(frame.GetPixelColor(0, 0), 0u);
    EXPECT_EQ(frame.GetColorCount(), 0u);
}

TEST(DIB8BPPFrame, CreateMakesABlankFrameWithTheDefaultPalette)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(3, 2), TRUE);
    ASSERT_NE(frame.block, nullptr);
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_EQ(LockCount(frame.block), 0u);
    EXPECT_EQ(GlobalSize(frame.block), 1072u);
    EXPECT_EQ(frame.GetStride(), 4);
    EXPECT_EQ(frame.GetWidth(), 3);
    EXPECT_EQ(frame.GetHeight(), 2);
    RECT rect{};
    frame.GetRect(&rect);
    EXPECT_TRUE(rect.left == 0 && rect.top == 0 && rect.right == 3 && rect.bottom == 2);

    const BlockView view(frame.block);
    EXPECT_EQ(view.header.biSize, 40u);
    EXPECT_EQ(view.header.biPlanes, 1);
    EXPECT_EQ(view.header.biBitCount, 8);
    EXPECT_EQ(view.header.biCompression, 0u);
    EXPECT_EQ(view.header.biSizeImage, 0u);
    EXPECT_EQ(view.header.biClrUsed, 0u);
    EXPECT_EQ(view.header.biClrImportant, 0u);
    EXPECT_EQ(frame.GetColorCount(), 256u);

    const RGBQUAD* table = frame.GetColorTable();
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& p = defaultPalette[i];
        EXPECT_TRUE(SameColour(table[i], RGBQUAD{p.peBlue, p.peGreen, p.peRed, 0})) << i;
    }
    EXPECT_EQ(FramePixels(frame), std::vector<BYTE>(6, 0));
}

TEST(DIB8BPPFrame, CreateReplacesThePictureAndFailsCleanly)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(8, 8), TRUE);
    frame.locked = static_cast<BYTE*>(GlobalLock(frame.block));  // a caller's lock
    ASSERT_EQ(frame.Create(5, 1), TRUE);
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_EQ(frame.GetWidth(), 5);
    EXPECT_EQ(frame.GetStride(), 8);

    EXPECT_EQ(frame.Create(-1, 4), FALSE);
    EXPECT_EQ(frame.block, nullptr);
    EXPECT_EQ(frame.Create(0x10000, 0x10000), FALSE);  // over 32 bits of pixels
    EXPECT_EQ(frame.block, nullptr);
    EXPECT_EQ(frame.Create(0, 0), TRUE);
    EXPECT_EQ(GlobalSize(frame.block), 1064u);
}

TEST(DIB8BPPFrame, QueriesFollowTheBlockTheFrameHoldsNow)
{
    // Each Create frees the block before making the next, which may take the
    // freed block's place.
    CDIB8BPP frame;
    for (int width = 1; width <= 40; ++width) {
        ASSERT_EQ(frame.Create(width, 3), TRUE);
        ASSERT_EQ(frame.GetWidth(), width);
        const auto* bytes = static_cast<BYTE*>(GlobalLock(frame.block));
        ASSERT_EQ(frame.GetBits(), bytes + 1064) << "width " << width;
        GlobalUnlock(frame.block);
    }
    // A block put in from outside, as a rendered background is, and taken
    // away again.
    CDIB8BPP source;
    ASSERT_EQ(source.Create(9, 4), TRUE);
    CDIB8BPP installed;
    EXPECT_EQ(installed.GetWidth(), 0);
    installed.block = std::exchange(source.block, nullptr);
    EXPECT_EQ(installed.GetWidth(), 9);
    EXPECT_EQ(installed.GetHeight(), 4);
    HGLOBAL taken = std::exchange(installed.block, nullptr);
    EXPECT_EQ(installed.GetWidth(), 0);
    EXPECT_EQ(installed.GetBits(), nullptr);
    GlobalFree(taken);
}

TEST(DIB8BPPFrame, PixelAddressMapsTopRowsToTheEndOfTheBlock)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(5, 3), TRUE);
    BYTE* bits = frame.GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits, static_cast<BYTE*>(GlobalLock(frame.block)) + 1064);
    GlobalUnlock(frame.block);
    EXPECT_EQ(frame.PixelAddress(0, 0), bits + 2 * 8);  // top-left: first byte of the last stored row
    EXPECT_EQ(frame.PixelAddress(0, 2), bits);
    EXPECT_EQ(frame.PixelAddress(4, 1), bits + 8 + 4);
    for (const auto& [x, y] : {std::pair{5, 0}, {0, 3}, {-1, 0}, {0, -1}})
        EXPECT_EQ(frame.PixelAddress(x, y), nullptr) << x << "," << y;
}

TEST(DIB8BPPFrame, PixelQueriesOutsideTheFrameGiveIndexZero)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(4, 2), TRUE);
    Paint(frame, 9);
    frame.GetColorTable()[0] = RGBQUAD{0x33, 0x22, 0x11, 0};
    frame.GetColorTable()[9] = RGBQUAD{0x03, 0x02, 0x01, 0};
    EXPECT_EQ(frame.GetPixelIndex(0, 0), 9);
    EXPECT_EQ(frame.GetPixelIndex(3, 1), 3 + 16 + 9);
    EXPECT_EQ(frame.GetPixelColor(0, 0), RGB(0x01, 0x02, 0x03));
    EXPECT_EQ(frame.GetPixelIndex(4, 0), 0);
    EXPECT_EQ(frame.GetPixelIndex(0, 2), 0);
    EXPECT_EQ(frame.GetPixelColor(4, 0), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(frame.GetPixelColor(0, 2), RGB(0x11, 0x22, 0x33));
}

TEST(DIB8BPPFrame, OperationsLeaveTheLockAsTheyFoundIt)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(4, 4), TRUE);
    CDIB8BPP target;
    ASSERT_EQ(target.Create(4, 4), TRUE);
    const auto useEverything = [&] {
        frame.GetWidth();
        frame.GetHeight();
        frame.GetPixelColor(1, 1);
        frame.GetColorCount();
        frame.PixelAddress(1, 1);
        frame.TransferTo(target, 0, 0, 2, 2, 1, 1, kCopyAllPixels);
        target.TransferTo(frame, 0, 0, 2, 2, 1, 1, PALETTEINDEX(3));
    };
    useEverything();
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_EQ(LockCount(frame.block), 0u);
    EXPECT_EQ(LockCount(target.block), 0u);

    frame.locked = static_cast<BYTE*>(GlobalLock(frame.block));
    BYTE* const held = frame.locked;
    useEverything();
    EXPECT_EQ(frame.locked, held);
    EXPECT_EQ(LockCount(frame.block), 1u);
    EXPECT_EQ(frame.GetBits(), held + 1064);
    GlobalUnlock(frame.block);
    frame.locked = nullptr;
}

TEST(DIB8BPPFrame, DestructionFreesALockedBlock)
{
    // LeakSanitizer reports the block if it is not freed.
    auto frame = std::make_unique<CDIB8BPP>();
    ASSERT_EQ(frame->Create(4, 4), TRUE);
    frame->locked = static_cast<BYTE*>(GlobalLock(frame->block));
    const HGLOBAL block = frame->block;
    frame.reset();
    EXPECT_EQ(GlobalSize(block), 0u);  // no longer a live block
}

TEST(DIB8BPPFrame, IsCreatableByNameWithAnEmptyStoredForm)
{
    const CRuntimeClass* runtimeClass = CRuntimeClass::FromName("CDIB8BPP");
    ASSERT_EQ(runtimeClass, RUNTIME_CLASS(CDIB8BPP));
    std::unique_ptr<CObject> object(runtimeClass->CreateObject());
    ASSERT_TRUE(object && object->IsKindOf(RUNTIME_CLASS(CDIB8BPP)));

    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(2, 2), TRUE);
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        frame.Serialize(archive);
        archive.Close();
    }
    EXPECT_TRUE(file.Bytes().empty());
}

// ---- TransferTo -------------------------------------------------------------------

// Fixed cases of TransferTo; TransferToRandom covers arbitrary rectangles.
class TransferToTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(source.Create(37, 9), TRUE);  // stride 40
        ASSERT_EQ(target.Create(50, 12), TRUE);  // stride 52
        Paint(source, 0);
        Paint(target, 100);
    }
    void Check(int dx, int dy, int w, int h, int sx, int sy, DWORD key)
    {
        const std::vector<BYTE> expected = ExpectedTransfer(source, target, dx, dy, w, h, sx, sy, key);
        source.TransferTo(target, dx, dy, w, h, sx, sy, key);
        EXPECT_EQ(FramePixels(target), expected) << dx << "," << dy << " " << w << "x" << h << " from " << sx << "," << sy
                                            << " key " << key;
    }
    CDIB8BPP source;
    CDIB8BPP target;
};

TEST_F(TransferToTest, KeyMinusOneCopiesEveryIndexIncluding255)
{
    std::fill(source.GetBits(), source.GetBits() + 40 * 9, BYTE{255});
    Check(5, 2, 30, 6, 1, 1, kCopyAllPixels);
    EXPECT_EQ(target.GetPixelIndex(5, 2), 255);
}

TEST_F(TransferToTest, KeyLeavesTheTargetWhereTheSourceHoldsTheKeyIndex)
{
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 37; x += 3)
            *source.PixelAddress(x, y) = 255;
    Check(4, 2, 33, 7, 2, 1, PALETTEINDEX(255));  // 0x010000FF
    EXPECT_EQ(target.GetPixelIndex(5, 2), static_cast<BYTE>(5 + 32 + 100));  // source (3, 1) held 255

    for (int y = 0; y < 9; ++y)
        *source.PixelAddress(7, y) = 5;
    const BYTE before = target.GetPixelIndex(7, 0);
    Check(0, 0, 37, 9, 0, 0, 0x00000005);  // only the low 8 bits count
    EXPECT_EQ(target.GetPixelIndex(7, 0), before);
    Check(0, 0, 37, 9, 0, 0, 0xABCDEF05);
}

TEST_F(TransferToTest, EmptyOrOutsideRectanglesChangeNothing)
{
    const std::vector<BYTE> before = FramePixels(target);
    source.TransferTo(target, 0, 0, 0, 5, 0, 0, kCopyAllPixels);
    source.TransferTo(target, 0, 0, 5, 0, 0, 0, kCopyAllPixels);
    source.TransferTo(target, 0, 0, -3, 2, 0, 0, kCopyAllPixels);
    source.TransferTo(target, 0, 0, 38, 1, 0, 0, kCopyAllPixels);   // wider than the source
    source.TransferTo(target, 45, 0, 10, 1, 0, 0, kCopyAllPixels);  // past the target's right edge
    source.TransferTo(target, 0, 10, 5, 3, 0, 0, kCopyAllPixels);   // past the target's bottom
    source.TransferTo(target, -1, 0, 5, 3, 0, 0, kCopyAllPixels);
    source.TransferTo(target, 0, 0, 5, 3, 0, -1, kCopyAllPixels);
    CDIB8BPP empty;
    empty.TransferTo(target, 0, 0, 1, 1, 0, 0, kCopyAllPixels);
    EXPECT_EQ(FramePixels(target), before);
}

// ---- DrawToDevice ------------------------------------------------------------------

TEST(DIB8BPPDraw, DrawsThePictureOneToOne)
{
    platform::HeadlessDisplay& display = platform::UseHeadlessDisplay({64, 48, 32});
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(7, 5), TRUE);
    Paint(frame, 30);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    frame.DrawToDevice(screen, 10, 6);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(display.ColourAt(10 + x, 6 + y), frame.GetPixelColor(x, y)) << x << "," << y;
    const RECT changed = display.ChangedArea();
    EXPECT_TRUE(changed.left == 10 && changed.top == 6 && changed.right == 17 && changed.bottom == 11);

    display.ForgetChangedArea();
    frame.DrawToDevice(nullptr, 0, 0);
    CDIB8BPP().DrawToDevice(screen, 0, 0);
    ReleaseDC(nullptr, screen);
    const RECT untouched = display.ChangedArea();
    EXPECT_TRUE(IsRectEmpty(&untouched));
}

// ---- ReadImage and LoadImage ----------------------------------------------------------

// A .bmp with a 12-byte header: 8 bits, 256 three-byte entries.
std::vector<BYTE> CoreBmp8(WORD width, WORD height, std::vector<BYTE>& pixels)
{
    const DWORD stride = Stride(width, 8);
    std::vector<BYTE> bytes(14 + 12);
    const BITMAPCOREHEADER core{kCoreHeaderSize, width, height, 1, 8};
    std::memcpy(bytes.data() + 14, &core, sizeof core);
    for (int i = 0; i < 256; ++i) {
        const BYTE entry[3] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2)};
        bytes.insert(bytes.end(), entry, entry + 3);
    }
    BITMAPFILEHEADER file{kBitmapFileType, 0, 0, 0, static_cast<DWORD>(bytes.size())};
    pixels.resize(stride * height);
    for (std::size_t k = 0; k < pixels.size(); ++k)
        pixels[k] = static_cast<BYTE>(k * 5);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    file.bfSize = static_cast<DWORD>(bytes.size());
    std::memcpy(bytes.data(), &file, sizeof file);
    return bytes;
}

BOOL ReadInto(CDIB8BPP& frame, const std::vector<BYTE>& bytes)
{
    CMemFile file(bytes);
    return frame.ReadImage(&file);
}

std::vector<BYTE> StoredRows(const CDIB8BPP& frame)
{
    const BYTE* bits = frame.GetBits();
    return std::vector<BYTE>(bits, bits + static_cast<std::size_t>(frame.GetStride()) * frame.GetHeight());
}

TEST(DIB8BPPRead, ReadsAnEightBitFileIntoAFullTable)
{
    const BmpFile bmp = MakeBmp(6, 3, 8, 16);
    CDIB8BPP frame;
    MessageBoxes boxes;
    ASSERT_EQ(ReadInto(frame, bmp.Bytes()), TRUE);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_EQ(LockCount(frame.block), 0u);
    EXPECT_EQ(frame.GetWidth(), 6);
    EXPECT_EQ(frame.GetHeight(), 3);
    const BlockView view(frame.block);
    EXPECT_EQ(view.header.biClrUsed, 256u);
    EXPECT_EQ(view.header.biSize, 40u);
    EXPECT_EQ(view.size, 1064u + 24u);
    const RGBQUAD* table = frame.GetColorTable();
    EXPECT_EQ(std::memcmp(table, bmp.table.data(), 64), 0);
    for (int i = 16; i < 256; ++i)
        EXPECT_TRUE(SameColour(table[i], RGBQUAD{0, 0, 0, 0})) << i;
    EXPECT_EQ(StoredRows(frame), bmp.pixels);
}

TEST(DIB8BPPRead, ConvertsATwelveByteHeader)
{
    std::vector<BYTE> pixels;
    const std::vector<BYTE> bytes = CoreBmp8(5, 2, pixels);
    CDIB8BPP frame;
    ASSERT_EQ(ReadInto(frame, bytes), TRUE);
    const BlockView view(frame.block);
    EXPECT_EQ(view.header.biSize, 40u);
    EXPECT_EQ(view.header.biClrUsed, 256u);
    EXPECT_EQ(view.header.biWidth, 5);
    EXPECT_EQ(view.header.biHeight, 2);
    EXPECT_EQ(view.header.biCompression, 0u);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(SameColour(frame.GetColorTable()[i], RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                                                                static_cast<BYTE>(i / 2), 0}))
            << i;
    EXPECT_EQ(StoredRows(frame), pixels);
}

TEST(DIB8BPPRead, TurnsATopDownFileBottomUp)
{
    const BmpFile bottomUp = MakeBmp(4, 3, 8, 2);
    BmpFile topDown = bottomUp;
    topDown.info.biHeight = -3;
    topDown.pixels.clear();
    for (int row = 2; row >= 0; --row)
        AppendBytes(topDown.pixels, bottomUp.pixels.data() + row * 4, 4);
    CDIB8BPP frame;
    ASSERT_EQ(ReadInto(frame, topDown.Bytes()), TRUE);
    EXPECT_EQ(frame.GetHeight(), 3);
    EXPECT_EQ(StoredRows(frame), bottomUp.pixels);
}

TEST(DIB8BPPRead, OtherDepthsAndCompressionAreRefusedWithAMessage)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(2, 2), TRUE);
    *frame.PixelAddress(1, 1) = 77;
    const HGLOBAL previous = frame.block;

    BmpFile runLength = MakeBmp(8, 2, 8, 4);
    runLength.info.biCompression = BI_RLE8;
    runLength.pixels = {0, 1};
    runLength.info.biSizeImage = 2;
    BmpFile bitFields = MakeBmp(8, 2, 8, 4);
    bitFields.info.biCompression = BI_BITFIELDS;
    const std::vector<std::pair<BmpFile, std::string>> cases = {
        {MakeBmp(8, 2, 4, 16), kOnly8Bit}, {MakeBmp(8, 2, 1, 2), kOnly8Bit},  {MakeBmp(8, 2, 24, 0), kOnly8Bit},
        {MakeBmp(8, 2, 16, 0), kOnly8Bit}, {MakeBmp(8, 2, 32, 0), kOnly8Bit}, {runLength, kCompressed},
        {bitFields, kCompressed},
    };
    for (const auto& [bmp, message] : cases) {
        MessageBoxes boxes;
        EXPECT_EQ(ReadInto(frame, bmp.Bytes()), FALSE) << message;
        EXPECT_EQ(boxes.texts, std::vector<std::string>{message});
        EXPECT_EQ(frame.block, previous);
        EXPECT_EQ(frame.GetPixelIndex(1, 1), 77);
    }
}

TEST(DIB8BPPRead, MalformedFilesAreRefusedSilentlyKeepingThePicture)
{
    const std::vector<std::pair<const char*, std::function<void(BmpFile&)>>> spoilers = {
        {"108-byte header", [](BmpFile& b) { b.info.biSize = 108; }},
        {"width 0", [](BmpFile& b) { b.info.biWidth = 0; }},
        {"height 0", [](BmpFile& b) { b.info.biHeight = 0; }},
        {"two planes", [](BmpFile& b) { b.info.biPlanes = 2; }},
        {"300 colours", [](BmpFile& b) { b.info.biClrUsed = 300; }},
        {"colour table cut short", [](BmpFile& b) { b.table.resize(9); b.pixels.clear(); }},
        {"pixel data one byte short", [](BmpFile& b) { b.pixels.pop_back(); }},
        {"data offset beyond the file", [](BmpFile& b) { b.offsetField = 0x7FFFFFF0; }},
        {"rows beyond the file", [](BmpFile& b) { b.info.biHeight = 100000; }},
        {"rows overflowing 32 bits", [](BmpFile& b) { b.info.biWidth = 0x40000000; b.info.biHeight = 16; }},
    };
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(2, 2), TRUE);
    const HGLOBAL previous = frame.block;
    MessageBoxes boxes;
    for (const auto& [what, spoil] : spoilers) {
        BmpFile bmp = MakeBmp(8, 4, 8, 4);
        spoil(bmp);
        EXPECT_EQ(ReadInto(frame, bmp.Bytes()), FALSE) << what;
        EXPECT_EQ(frame.block, previous) << what;
    }
    std::vector<BYTE> wrongType = MakeBmp(8, 4, 8, 4).Bytes();
    wrongType[1] = 'N';
    EXPECT_EQ(ReadInto(frame, wrongType), FALSE);
    EXPECT_EQ(ReadInto(frame, {'B', 'M', 0, 0}), FALSE);
    EXPECT_EQ(frame.ReadImage(nullptr), FALSE);
    EXPECT_EQ(frame.block, previous);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST(DIB8BPPRead, ReleasesACallersLockAndReadsFromTheFilePosition)
{
    CDIB8BPP frame;
    ASSERT_EQ(frame.Create(2, 2), TRUE);
    frame.locked = static_cast<BYTE*>(GlobalLock(frame.block));
    const HGLOBAL previous = frame.block;

    const BmpFile bmp = MakeBmp(4, 2, 8, 2);
    std::vector<BYTE> bytes = {1, 2, 3};
    const std::vector<BYTE> picture = bmp.Bytes();
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    CMemFile file(bytes);
    file.Seek(3, CFile::begin);
    EXPECT_EQ(frame.ReadImage(&file), TRUE);
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_NE(frame.block, previous);
    EXPECT_EQ(StoredRows(frame), bmp.pixels);

    // A failed read releases the caller's lock too.
    frame.locked = static_cast<BYTE*>(GlobalLock(frame.block));
    EXPECT_EQ(ReadInto(frame, {'B', 'M'}), FALSE);
    EXPECT_EQ(frame.locked, nullptr);
    EXPECT_EQ(LockCount(frame.block), 0u);
}

// Counts the reads that LoadImage hands to it.
class CountingFrame : public CDIB8BPP {
public:
    BOOL ReadImage(CFile* file) override
    {
        ++reads;
        return CDIB8BPP::ReadImage(file);
    }
    int reads = 0;
};

TEST(DIB8BPPRead, LoadImageOpensTheFileAndUsesTheVirtualRead)
{
    ScratchDir dir;
    const BmpFile bmp = MakeBmp(3, 3, 8, 0);
    const auto path = WriteFile(dir / "picture.bmp", bmp.Bytes());
    CountingFrame frame;
    EXPECT_EQ(frame.LoadImage(path.c_str()), TRUE);
    EXPECT_EQ(frame.reads, 1);
    EXPECT_EQ(StoredRows(frame), bmp.pixels);

    MessageBoxes boxes;
    EXPECT_EQ(frame.LoadImage((dir / "missing.bmp").c_str()), FALSE);
    EXPECT_EQ(frame.LoadImage(dir.path().c_str()), FALSE);
    EXPECT_EQ(frame.LoadImage(nullptr), FALSE);
    EXPECT_EQ(frame.reads, 1);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(frame.GetWidth(), 3);
}

}  // namespace
}  // namespace vesper::test
