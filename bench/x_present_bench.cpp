// What showing a tick costs the X server, whatever draws it: a client of a
// private Xvfb wakes every 20 ms, as a saver at full speed does, and asks the
// server through the SDL backend's presenter to copy one square of its
// shared-memory picture (MIT-SHM) into a full-screen window, then sleeps
// again. Reported per tick: the server's
// processor time and the client's, and both as a share of one core. With a
// square of one pixel it is the price of waking the server at all; with one
// of the demo scene's changed pixels a tick (about 34,000), the price of
// presenting such a tick. Needs Xvfb on the PATH.
//
// BM_MagnifiedTickAt4K weighs where a magnified stage is best enlarged: the
// same changed rectangles a tick, on a 3840 x 2160 screen whose stage is
// magnified three times, either enlarged by the client into the shared
// picture it presents (as the player does) or sent at the stage's size into a
// shared pixmap that the server enlarges (RENDER, nearest filter).
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/processor_time.h"
#include "platform/drivers/sdl/sdl_x11_present.h"

extern char** environ;

namespace {

using vesper::platform::sdl::x11::DirectPresenter;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr long kTickPeriodNs = 20'000'000;
constexpr int kTicks = 250;
constexpr int kUhdWidth = 3840;
constexpr int kUhdHeight = 2160;
constexpr int kMagnification = 3;

// Processor time a process has used so far, in nanoseconds, from the
// scheduler's own count (/proc/PID/schedstat, first field).
std::optional<std::uint64_t> ProcessorNanosecondsOf(pid_t process)
{
    std::ifstream file("/proc/" + std::to_string(process) + "/schedstat");
    std::uint64_t ns = 0;
    if (!(file >> ns))
        return std::nullopt;
    return ns;
}

// An Xvfb of its own, on the display number it picks, while it lives.
class PrivateXvfb {
public:
    PrivateXvfb(int width, int height)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return;
        const std::string fd = std::to_string(pipeEnds[1]);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        std::vector<std::string> words{"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawnp(&m_process, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (spawned != 0) {
            m_process = 0;
            close(pipeEnds[0]);
            return;
        }
        // Xvfb writes its display number once it accepts connections.
        std::string number;
        char c = 0;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeEnds[0]);
        if (!number.empty())
            m_name = ":" + number;
    }
    ~PrivateXvfb()
    {
        if (m_process > 0) {
            kill(m_process, SIGTERM);
            waitpid(m_process, nullptr, 0);
        }
    }
    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;

    pid_t Process() const { return m_process; }
    // Empty when the server did not start.
    const std::string& Name() const { return m_name; }

private:
    pid_t m_process = 0;
    std::string m_name;
};

// Writes new pixels into a side x side square at the screen's middle of the
// shared picture and asks the server to show it.
void PresentSquare(DirectPresenter& presenter, int side, std::uint32_t value)
{
    const int left = (kScreenWidth - side) / 2;
    const int top = (kScreenHeight - side) / 2;
    for (int y = top; y < top + side; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(presenter.Pixels() + std::ptrdiff_t{y} * kScreenWidth * 4);
        std::fill(row + left, row + left + side, value);
    }
    presenter.Present({RECT{left, top, left + side, top + side}});
}

void SleepUntil(timespec& deadline)
{
    deadline.tv_nsec += kTickPeriodNs;
    if (deadline.tv_nsec >= 1'000'000'000) {
        deadline.tv_nsec -= 1'000'000'000;
        ++deadline.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

// A full-screen window on its own connection to the server, mapped.
Window MapFullScreenWindow(Display* display, int width, int height)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

// Plays kTicks ticks 20 ms apart, each drawn and shown by show(tick), and
// reports the server's processor time and this thread's per tick; settle()
// waits until the server has done all that was asked.
template <typename Show, typename Settle>
void MeasureTicks(benchmark::State& state, pid_t server, Show show, Settle settle)
{
    for (auto _ : state) {
        settle();
        const std::optional<std::uint64_t> serverBefore = ProcessorNanosecondsOf(server);
        const double clientBefore = ProcessorSeconds(CLOCK_THREAD_CPUTIME_ID);
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        for (int tick = 0; tick < kTicks; ++tick) {
            SleepUntil(deadline);
            show(tick);
        }
        settle();
        const double clientSeconds = ProcessorSeconds(CLOCK_THREAD_CPUTIME_ID) - clientBefore;
        const std::optional<std::uint64_t> serverAfter = ProcessorNanosecondsOf(server);
        if (!serverBefore || !serverAfter) {
            state.SkipWithError("the server's processor time cannot be read");
            break;
        }
        const double serverUs = static_cast<double>(*serverAfter - *serverBefore) / 1e3 / kTicks;
        const double clientUs = clientSeconds * 1e6 / kTicks;
        const double periodUs = kTickPeriodNs / 1e3;
        state.counters["server_per_tick_us"] = serverUs;
        state.counters["client_per_tick_us"] = clientUs;
        state.counters["server_pct"] = 100 * serverUs / periodUs;
        state.counters["together_pct"] = 100 * (serverUs + clientUs) / periodUs;
    }
}

// The private server and a mapped full-screen window on a connection of its
// own; the state is skipped with the reason when either cannot be had.
struct ServerWithWindow {
    PrivateXvfb server;
    Display* display = nullptr;
    Window window = 0;

    ServerWithWindow(benchmark::State& state, int width, int height) : server(width, height)
    {
        if (server.Name().empty()) {
            state.SkipWithError("Xvfb did not start (is it installed?)");
            return;
        }
        display = XOpenDisplay(server.Name().c_str());
        if (!display) {
            state.SkipWithError("no connection to the private Xvfb");
            return;
        }
        window = MapFullScreenWindow(display, width, height);
    }
    ~ServerWithWindow()
    {
        if (display)
            XCloseDisplay(display);
    }
    ServerWithWindow(const ServerWithWindow&) = delete;
    ServerWithWindow& operator=(const ServerWithWindow&) = delete;
};

// The SDL backend's presenter of a width x height shared picture, showing it
// in the window; none, and the state skipped, when the server shares no memory.
std::unique_ptr<DirectPresenter> OpenPresenter(benchmark::State& state, const ServerWithWindow& x, int width,
                                               int height)
{
    std::unique_ptr<DirectPresenter> presenter =
        DirectPresenter::Open(x.server.Name(), vesper::platform::DisplayMode{width, height, 32});
    if (!presenter) {
        state.SkipWithError("the X server does not share memory");
        return nullptr;
    }
    presenter->SetTargets({DirectPresenter::Target{x.window, RECT{0, 0, width, height}}});
    return presenter;
}

void BM_XServerShowsATickEvery20ms(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    ServerWithWindow x(state, kScreenWidth, kScreenHeight);
    if (!x.display)
        return;
    const std::unique_ptr<DirectPresenter> presenter = OpenPresenter(state, x, kScreenWidth, kScreenHeight);
    if (!presenter)
        return;
    MeasureTicks(
        state, x.server.Process(),
        [&](int tick) { PresentSquare(*presenter, side, static_cast<std::uint32_t>(tick) * 0x010203u); },
        [&] { presenter->Synchronise(); });
    state.counters["pixels"] = static_cast<double>(side) * side;
}
BENCHMARK(BM_XServerShowsATickEvery20ms)->Arg(1)->Arg(185)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The stage of a magnified screen and the rectangles that change in it each
// tick: a dozen of 40 to 62 x 25 pixels that move sideways, about 15,000
// stage pixels a tick, as many as the demo's changed parts at this size.
class MovingStage {
public:
    static constexpr int kWidth = kUhdWidth / kMagnification;
    static constexpr int kHeight = kUhdHeight / kMagnification;
    static constexpr int kRectangles = 12;

    MovingStage() : m_pixels(static_cast<std::size_t>(kWidth) * kHeight)
    {
        for (int i = 0; i < kRectangles; ++i)
            m_changed.push_back(RECT{50 + i % 4 * 300, 50 + i / 4 * 200, 50 + i % 4 * 300 + 40 + 2 * i,
                                     75 + i / 4 * 200});
    }

    // Moves each rectangle and gives its pixels new values.
    void Tick(int tick)
    {
        constexpr int kStep = 7;
        for (RECT& r : m_changed) {
            const LONG width = r.right - r.left;
            r.left = (r.left + kStep) % (kWidth - width);
            r.right = r.left + width;
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x)
                    At(x, y) = static_cast<std::uint32_t>(tick) * 0x010203u + static_cast<std::uint32_t>(x);
        }
    }

    const std::vector<RECT>& Changed() const { return m_changed; }
    std::uint32_t& At(LONG x, LONG y) { return m_pixels[Index(x, y)]; }
    const std::uint32_t& At(LONG x, LONG y) const { return m_pixels[Index(x, y)]; }

private:
    static std::size_t Index(LONG x, LONG y) { return static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x); }

    std::vector<std::uint32_t> m_pixels;
    std::vector<RECT> m_changed;
};

// Whether the window shows stage pixel (x, y) of the last tick at its block.
bool ShowsStagePixel(Display* display, Window window, const MovingStage& stage, LONG x, LONG y)
{
    XImage* shown = XGetImage(display, window, static_cast<int>(x * kMagnification + kMagnification - 1),
                              static_cast<int>(y * kMagnification + kMagnification - 1), 1, 1, AllPlanes, ZPixmap);
    if (!shown)
        return false;
    const unsigned long pixel = XGetPixel(shown, 0, 0);
    XDestroyImage(shown);
    return (pixel & 0xFFFFFF) == (stage.At(x, y) & 0xFFFFFF);
}

// Enlarged by the client: each changed stage pixel written as a block of the
// shared picture, one row widened and then copied, and the blocks presented.
void MagnifyOnClient(DirectPresenter& presenter, const MovingStage& stage)
{
    constexpr std::size_t kStride = std::size_t{kUhdWidth} * 4;
    std::vector<RECT> shown;
    for (const RECT& r : stage.Changed()) {
        const std::size_t rowBytes = static_cast<std::size_t>(r.right - r.left) * kMagnification * 4;
        for (LONG y = r.top; y < r.bottom; ++y) {
            BYTE* first = presenter.Pixels() + static_cast<std::size_t>(y) * kMagnification * kStride +
                          static_cast<std::size_t>(r.left) * kMagnification * 4;
            auto* values = reinterpret_cast<std::uint32_t*>(first);
            for (LONG x = r.left; x < r.right; ++x)
                std::fill_n(values + (x - r.left) * kMagnification, kMagnification, stage.At(x, y));
            for (int k = 1; k < kMagnification; ++k)
                std::memcpy(first + k * kStride, first, rowBytes);
        }
        shown.push_back(RECT{r.left * kMagnification, r.top * kMagnification, r.right * kMagnification,
                             r.bottom * kMagnification});
    }
    presenter.Present(shown);
}

// A shared-memory pixmap of the stage's size, and RENDER pictures that
// enlarge it into the window by nearest neighbour.
class ServerMagnifier {
public:
    ServerMagnifier(Display* display, Window window) : m_display(display)
    {
        int major = 0, minor = 0, event = 0, error = 0;
        Bool pixmaps = False;
        if (!XShmQueryVersion(display, &major, &minor, &pixmaps) || !pixmaps ||
            !XRenderQueryExtension(display, &event, &error))
            return;
        constexpr std::size_t kBytes = std::size_t{MovingStage::kWidth} * MovingStage::kHeight * 4;
        m_segment.shmid = shmget(IPC_PRIVATE, kBytes, IPC_CREAT | 0600);
        if (m_segment.shmid < 0)
            return;
        m_segment.shmaddr = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
        // A pixmap may be drawn into, so the server must map it writable.
        m_segment.readOnly = False;
        m_attached = m_segment.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display, &m_segment);
        XSync(display, False);
        shmctl(m_segment.shmid, IPC_RMID, nullptr);
        if (!m_attached)
            return;
        Visual* visual = DefaultVisual(display, DefaultScreen(display));
        XRenderPictFormat* format = XRenderFindVisualFormat(display, visual);
        const Pixmap pixmap =
            XShmCreatePixmap(display, window, m_segment.shmaddr, &m_segment, MovingStage::kWidth, MovingStage::kHeight, 24);
        m_stage = XRenderCreatePicture(display, pixmap, format, 0, nullptr);
        XFreePixmap(display, pixmap);
        m_window = XRenderCreatePicture(display, window, format, 0, nullptr);
        XTransform enlarge{{{XDoubleToFixed(1.0 / kMagnification), 0, 0},
                            {0, XDoubleToFixed(1.0 / kMagnification), 0},
                            {0, 0, XDoubleToFixed(1)}}};
        XRenderSetPictureTransform(display, m_stage, &enlarge);
        XRenderSetPictureFilter(display, m_stage, const_cast<char*>(FilterNearest), nullptr, 0);
        XSync(display, False);
    }
    ~ServerMagnifier()
    {
        if (m_stage)
            XRenderFreePicture(m_display, m_stage);
        if (m_window)
            XRenderFreePicture(m_display, m_window);
        if (m_attached) {
            XShmDetach(m_display, &m_segment);
            XSync(m_display, False);
        }
        if (m_segment.shmaddr && m_segment.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(m_segment.shmaddr);
    }
    ServerMagnifier(const ServerMagnifier&) = delete;
    ServerMagnifier& operator=(const ServerMagnifier&) = delete;

    bool Ready() const { return m_stage && m_window; }

    // Copies the changed stage pixels into the pixmap and has each changed
    // rectangle enlarged into the window.
    void Show(const MovingStage& stage)
    {
        for (const RECT& r : stage.Changed()) {
            for (LONG y = r.top; y < r.bottom; ++y)
                std::memcpy(m_segment.shmaddr + (static_cast<std::size_t>(y) * MovingStage::kWidth + r.left) * 4,
                            &stage.At(r.left, y), static_cast<std::size_t>(r.right - r.left) * 4);
            XRenderComposite(m_display, PictOpSrc, m_stage, None, m_window, r.left * kMagnification,
                             r.top * kMagnification, 0, 0, r.left * kMagnification, r.top * kMagnification,
                             static_cast<unsigned>((r.right - r.left) * kMagnification),
                             static_cast<unsigned>((r.bottom - r.top) * kMagnification));
        }
        XFlush(m_display);
    }

private:
    Display* m_display;
    XShmSegmentInfo m_segment{};
    bool m_attached = false;
    Picture m_stage = 0;
    Picture m_window = 0;
};

// Argument 0: the client enlarges; 1: the server does.
void BM_MagnifiedTickAt4K(benchmark::State& state)
{
    const bool onServer = state.range(0) == 1;
    ServerWithWindow x(state, kUhdWidth, kUhdHeight);
    if (!x.display)
        return;
    MovingStage stage;
    if (onServer) {
        ServerMagnifier magnifier(x.display, x.window);
        if (!magnifier.Ready()) {
            state.SkipWithError("the X server lacks shared pixmaps or RENDER");
            return;
        }
        MeasureTicks(
            state, x.server.Process(),
            [&](int tick) {
                stage.Tick(tick);
                magnifier.Show(stage);
            },
            [&] { XSync(x.display, False); });
    } else {
        const std::unique_ptr<DirectPresenter> presenter = OpenPresenter(state, x, kUhdWidth, kUhdHeight);
        if (!presenter)
            return;
        MeasureTicks(
            state, x.server.Process(),
            [&](int tick) {
                stage.Tick(tick);
                MagnifyOnClient(*presenter, stage);
            },
            [&] { presenter->Synchronise(); });
    }
    // A way that showed the wrong pixels would be measured for nothing.
    const RECT& last = stage.Changed().front();
    if (!ShowsStagePixel(x.display, x.window, stage, last.left + 1, last.top + 1))
        state.SkipWithError("the window does not show the stage's last tick");
    state.SetLabel(onServer ? "the server enlarges" : "the client enlarges");
}
BENCHMARK(BM_MagnifiedTickAt4K)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
