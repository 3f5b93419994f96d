#include "platform/drivers/wayland/wayland_screen.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/drivers/wayland/wayland_connection.h"

namespace vesper::platform::wayland {

namespace {

constexpr int kBytesPerPixel = 4;
// The unused byte of an XRGB8888 pixel (little-endian), all ones.
constexpr std::uint32_t kOpaque = 0xFF000000u;

}  // namespace

Screen::Screen(const DisplayMode& mode, int file, BYTE* pixels, std::size_t fileSize)
    : ScreenPicture(mode, pixels), m_file(file), m_mapped(pixels), m_fileSize(fileSize)
{
}

Screen::Screen(const DisplayMode& mode) : ScreenPicture(mode) {}

Screen::~Screen()
{
    if (m_mapped)
        munmap(m_mapped, m_fileSize);
    if (m_file >= 0)
        close(m_file);
}

std::shared_ptr<Screen> Screen::Make(const DisplayMode& mode)
{
    // A memory pool's size travels as a signed 32-bit number.
    static_assert(std::size_t{kLargestDisplaySide} * kLargestDisplaySide * kBytesPerPixel <= INT32_MAX);
    const std::size_t size = static_cast<std::size_t>(mode.width) * mode.height * kBytesPerPixel;
    const int file = memfd_create("vesper-screen", MFD_CLOEXEC);
    if (file < 0)
        return std::make_shared<Screen>(mode);
    void* pixels = MAP_FAILED;
    if (ftruncate(file, static_cast<off_t>(size)) == 0)
        pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (pixels == MAP_FAILED) {
        close(file);
        return std::make_shared<Screen>(mode);
    }
    return std::make_shared<Screen>(mode, file, static_cast<BYTE*>(pixels), size);
}

void Screen::MakeOpaque(const RECT& area)
{
    const Surface pixels = Pixels();
    const LONG left = std::max<LONG>(area.left, 0);
    const LONG right = std::min<LONG>(area.right, pixels.width);
    const LONG top = std::max<LONG>(area.top, 0);
    const LONG bottom = std::min<LONG>(area.bottom, pixels.height);
    for (LONG y = top; y < bottom; ++y) {
        BYTE* row = pixels.Row(y);
        for (LONG x = left; x < right; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + x * kBytesPerPixel, sizeof pixel);
            pixel |= kOpaque;
            std::memcpy(row + x * kBytesPerPixel, &pixel, sizeof pixel);
        }
    }
}

void Screen::AreaChanged(const RECT& area)
{
    MakeOpaque(area);
    ScreenPicture::AreaChanged(area);
}

std::shared_ptr<Screen> SharedScreen()
{
    // Kept alive past static destruction: GDI objects are released at exit.
    static auto* screen = [] {
        Connection* connection = Connection::Get();
        if (!connection)
            return new std::shared_ptr<Screen>;
        const SIZE size = ScreenSizeFor(connection->StartOutputs());
        const DisplayMode mode{std::min<int>(size.cx, kLargestDisplaySide), std::min<int>(size.cy, kLargestDisplaySide),
                               32};
        return new std::shared_ptr<Screen>(Screen::Make(mode));
    }();
    return *screen;
}

}  // namespace vesper::platform::wayland
