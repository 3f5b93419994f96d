// Feeds arbitrary bytes to both .bmp readers and to the routines that look
// inside a packed DIB block taken from a scene, which must refuse or read
// them without touching memory outside what they allocated.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/file.h"
#include "imaging/dib8bpp.h"
#include "imaging/packed_dib.h"
#include "imaging/picture_limits.h"
#include "platform/user/message_box.h"
#include "platform/win32.h"

namespace {

// Reads every pixel of a block the reader returned, so that a block smaller
// than its header says shows up as an out-of-bounds read.
volatile unsigned g_sink;

void TouchBlock(HGLOBAL block)
{
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
    const std::size_t size = GlobalSize(block);
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += bytes[i];
    g_sink = sum;
    const auto stored = PackedDIBStoredSize(reinterpret_cast<const BITMAPINFOHEADER*>(bytes), size);
    GlobalUnlock(block);
    if (!stored || *stored != size)
        __builtin_trap();  // a block read from a file always measures its own size
    if (HPALETTE palette = CreatePackedDIBPalette(block))
        DeleteObject(palette);
}

void ReadThroughHandle(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("bmp", MFD_CLOEXEC);
    if (fd < 0)
        return;
    if (write(fd, data, size) == static_cast<ssize_t>(size) && lseek(fd, 0, SEEK_SET) == 0) {
        if (HGLOBAL block = ReadPackedDIB(fd)) {
            TouchBlock(block);
            FreePackedDIB(block);
        }
    }
    close(fd);
}

void ReadIntoFrame(const std::uint8_t* data, std::size_t size)
{
    CMemFile file(std::vector<BYTE>(data, data + size));
    CDIB8BPP frame;
    if (!frame.ReadImage(&file))
        return;
    CDIB8BPP target;
    if (!target.Create(frame.GetWidth(), frame.GetHeight()))
        return;
    frame.TransferTo(target, 0, 0, frame.GetWidth(), frame.GetHeight(), 0, 0, PALETTEINDEX(1));
    frame.GetPixelColor(frame.GetWidth() - 1, 0);
}

// The input taken as a block from a scene: header queries must stay inside it.
void InspectAsBlock(const std::uint8_t* data, std::size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return;
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    PackedDIBColorCountOf(block);
    if (HPALETTE palette = CreatePackedDIBPalette(block))
        DeleteObject(palette);
    const auto stored = PackedDIBStoredSize(static_cast<const BITMAPINFOHEADER*>(GlobalLock(block)), size);
    if (stored && *stored > size)
        __builtin_trap();
    GlobalUnlock(block);
    GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vesper::platform::SetMessageBoxHandler([](const vesper::platform::MessageBoxRequest&) { return IDOK; });
    // Small pictures keep each input cheap; the product's limits are tested
    // on their own.
    vesper::imaging::SetPictureLimits({1024, 256u << 10, 16u << 10, 64});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadThroughHandle(data, size);
    ReadIntoFrame(data, size);
    InspectAsBlock(data, size);
    return 0;
}
