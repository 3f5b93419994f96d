#include "platform/drivers/sdl/sdl_x11_present.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/kernel/large_pages.h"
#include "platform/win32.h"

namespace vesper::platform::sdl::x11 {

namespace {

// The screen picture's layout: blue, green, red, unused, in 32 bits.
constexpr unsigned long kRedMask = 0xFF0000;
constexpr unsigned long kGreenMask = 0x00FF00;
constexpr unsigned long kBlueMask = 0x0000FF;
constexpr int kBitsPerPixel = 32;
constexpr int kBytesPerPixel = 4;

// Pixel values laid out as the picture's, written as they are (a direct-colour
// visual, which SDL may choose, maps them through its colour map just as it
// does SDL's own pixels).
bool ShowsPictureLayout(const Visual* visual)
{
    return visual && (visual->c_class == TrueColor || visual->c_class == DirectColor) &&
           visual->red_mask == kRedMask &&
           visual->green_mask == kGreenMask && visual->blue_mask == kBlueMask;
}

// Appends the time now, in nanoseconds since the epoch, to the file.
void NoteFirstFrame(const std::string& path)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (std::FILE* file = std::fopen(path.c_str(), "a")) {
        std::fprintf(file, "%lld%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
        std::fclose(file);
    }
}

}  // namespace

struct DirectPresenter::Connection {
    ::Display* display = nullptr;
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    GC gc = nullptr;
    bool attached = false;

    Connection() { segment.shmid = -1; }
    ~Connection()
    {
        if (gc)
            XFreeGC(display, gc);
        if (attached) {
            XShmDetach(display, &segment);
            XSync(display, False);
        }
        if (image) {
            image->data = nullptr;  // the segment is not the image's to free
            XDestroyImage(image);
        }
        if (segment.shmaddr && segment.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(segment.shmaddr);
        if (segment.shmid >= 0)
            shmctl(segment.shmid, IPC_RMID, nullptr);
        if (display) {
            XCloseDisplay(display);
            IgnoreErrorsOn(display, false);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Whether the requests so far have been carried out without an error.
    bool Succeeded()
    {
        const unsigned before = IgnoredErrors();
        XSync(display, False);
        return IgnoredErrors() == before;
    }

    bool Share(const DisplayMode& mode)
    {
        const int screen = DefaultScreen(display);
        Visual* visual = DefaultVisual(display, screen);
        const int depth = DefaultDepth(display, screen);
        if (!XShmQueryExtension(display) || !ShowsPictureLayout(visual) || ImageByteOrder(display) != LSBFirst)
            return false;
        image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                                static_cast<unsigned>(mode.width), static_cast<unsigned>(mode.height));
        if (!image || image->bits_per_pixel != kBitsPerPixel || image->bytes_per_line != mode.width * kBytesPerPixel)
            return false;
        const std::size_t size = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(mode.height);
        segment.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (segment.shmid < 0)
            return false;
        segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
        if (segment.shmaddr == reinterpret_cast<char*>(-1))
            return false;
        image->data = segment.shmaddr;
        // Magnified copies write rows a page or more apart, each a TLB miss
        // on small pages; large pages remove most of those where the system
        // grants them to shared memory on request.
        AdviseLargePages(segment.shmaddr, size);
        // The first frame writes the whole segment.
        PrefaultPages(segment.shmaddr, size);
        segment.readOnly = True;  // the server only reads the picture
        attached = XShmAttach(display, &segment) != 0 && Succeeded();
        // Both sides hold the segment now; the system frees it once both
        // let go, even when the program does not end cleanly.
        shmctl(segment.shmid, IPC_RMID, nullptr);
        segment.shmid = -1;
        if (!attached)
            return false;
        gc = XCreateGC(display, RootWindow(display, screen), 0, nullptr);
        return gc != nullptr;
    }
};

std::unique_ptr<DirectPresenter> DirectPresenter::Open(const std::string& serverName, const DisplayMode& mode)
{
    if (serverName.empty())
        return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(serverName.c_str());
    if (!connection->display)
        return nullptr;
    IgnoreErrorsOn(connection->display, true);
    if (!connection->Share(mode))
        return nullptr;
    return std::unique_ptr<DirectPresenter>(new DirectPresenter(std::move(connection)));
}

DirectPresenter::DirectPresenter(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection)), m_pixels(reinterpret_cast<BYTE*>(m_connection->segment.shmaddr))
{
    if (const char* log = std::getenv("VESPER_FIRST_FRAME_LOG"))
        m_firstFrameLog = log;
}

DirectPresenter::~DirectPresenter() = default;

bool DirectPresenter::CanShowIn(WindowNumber window)
{
    std::lock_guard lock(m_mutex);
    ::Display* display = m_connection->display;
    const unsigned before = IgnoredErrors();
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || IgnoredErrors() != before)
        return false;
    return attributes.depth == m_connection->image->depth && ShowsPictureLayout(attributes.visual);
}

void DirectPresenter::SetTargets(std::vector<Target> targets)
{
    std::lock_guard lock(m_mutex);
    m_targets = std::move(targets);
}

void DirectPresenter::Present(const std::vector<RECT>& areas)
{
    if (areas.empty())
        return;
    std::lock_guard lock(m_mutex);
    Connection& connection = *m_connection;
    const RECT picture{0, 0, connection.image->width, connection.image->height};
    bool sent = false;
    bool wholeTarget = false;
    for (const Target& target : m_targets)
        for (const RECT& area : areas) {
            RECT part;
            if (!IntersectRect(&part, &area, &target.area) || !IntersectRect(&part, &part, &picture))
                continue;
            XShmPutImage(connection.display, target.window, connection.gc, connection.image, part.left, part.top,
                         part.left - target.area.left, part.top - target.area.top,
                         static_cast<unsigned>(part.right - part.left), static_cast<unsigned>(part.bottom - part.top),
                         False);
            sent = true;
            wholeTarget = wholeTarget || EqualRect(&part, &target.area);
        }
    if (sent)
        XFlush(connection.display);
    if (wholeTarget && !m_firstFrameLog.empty())
        NoteFirstFrame(std::exchange(m_firstFrameLog, {}));
}

void DirectPresenter::Synchronise()
{
    std::lock_guard lock(m_mutex);
    XSync(m_connection->display, False);
}

}  // namespace vesper::platform::sdl::x11
