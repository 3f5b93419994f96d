// What showing a tick costs the X server, whatever draws it: a client of a
// private Xvfb wakes every 20 ms, as a saver at full speed does, and asks the
// server to copy one square of a shared-memory picture (MIT-SHM) into a
// full-screen window, then sleeps again. Reported per tick: the server's
// processor time and the client's, and both as a share of one core. With a
// square of one pixel it is the price of waking the server at all; with one
// of the demo scene's changed pixels a tick (about 34,000), the price of
// presenting such a tick. Needs Xvfb on the PATH.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr long kTickPeriodNs = 20'000'000;
constexpr int kTicks = 250;

// Processor time a process has used so far, in nanoseconds, from the
// scheduler's own count (/proc/PID/schedstat, first field).
std::optional<std::uint64_t> ProcessorNanoseconds(pid_t process)
{
    std::ifstream file("/proc/" + std::to_string(process) + "/schedstat");
    std::uint64_t ns = 0;
    if (!(file >> ns))
        return std::nullopt;
    return ns;
}

std::uint64_t ThreadNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(now.tv_nsec);
}

// An Xvfb of its own, on the display number it picks, while it lives.
class PrivateXvfb {
public:
    PrivateXvfb()
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return;
        const std::string fd = std::to_string(pipeEnds[1]);
        const std::string screen = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
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

// A full-screen window and a screen-sized picture shared with the server.
class SharedPicture {
public:
    explicit SharedPicture(Display* display) : m_display(display)
    {
        const int screen = DefaultScreen(display);
        Visual* visual = DefaultVisual(display, screen);
        m_image = XShmCreateImage(display, visual, static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap,
                                  nullptr, &m_segment, kScreenWidth, kScreenHeight);
        if (!m_image)
            return;
        m_segment.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(m_image->bytes_per_line) * kScreenHeight,
                                 IPC_CREAT | 0600);
        if (m_segment.shmid < 0)
            return;
        m_segment.shmaddr = m_image->data = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
        m_segment.readOnly = False;
        m_attached = m_segment.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display, &m_segment);
        XSync(display, False);
        // The segment goes away with the last process that has it attached.
        shmctl(m_segment.shmid, IPC_RMID, nullptr);
        m_window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kScreenWidth, kScreenHeight, 0, 0,
                                       0);
        XMapWindow(display, m_window);
        m_gc = XCreateGC(display, m_window, 0, nullptr);
        XSync(display, False);
    }
    ~SharedPicture()
    {
        if (m_attached)
            XShmDetach(m_display, &m_segment);
        if (m_image)
            XDestroyImage(m_image);
        if (m_segment.shmaddr && m_segment.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(m_segment.shmaddr);
    }
    SharedPicture(const SharedPicture&) = delete;
    SharedPicture& operator=(const SharedPicture&) = delete;

    bool Ready() const { return m_attached && m_window != 0; }

    // Writes new pixels into a side x side square at the screen's middle and
    // asks the server to show it.
    void Present(int side, std::uint32_t value)
    {
        const int left = (kScreenWidth - side) / 2;
        const int top = (kScreenHeight - side) / 2;
        for (int y = top; y < top + side; ++y) {
            char* bytes = m_image->data + static_cast<std::ptrdiff_t>(y) * m_image->bytes_per_line;
            auto* row = reinterpret_cast<std::uint32_t*>(bytes);
            std::fill(row + left, row + left + side, value);
        }
        XShmPutImage(m_display, m_window, m_gc, m_image, left, top, left, top, static_cast<unsigned>(side),
                     static_cast<unsigned>(side), False);
        XFlush(m_display);
    }

private:
    Display* m_display;
    XImage* m_image = nullptr;
    XShmSegmentInfo m_segment{};
    bool m_attached = false;
    Window m_window = 0;
    GC m_gc = nullptr;
};

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

void BM_XServerShowsATickEvery20ms(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    PrivateXvfb server;
    if (server.Name().empty()) {
        state.SkipWithError("Xvfb did not start (is it installed?)");
        return;
    }
    Display* display = XOpenDisplay(server.Name().c_str());
    if (!display) {
        state.SkipWithError("no connection to the private Xvfb");
        return;
    }
    {
        SharedPicture picture(display);
        if (!picture.Ready()) {
            state.SkipWithError("the X server does not share memory");
        } else {
            for (auto _ : state) {
                XSync(display, False);
                const std::optional<std::uint64_t> serverBefore = ProcessorNanoseconds(server.Process());
                const std::uint64_t clientBefore = ThreadNanoseconds();
                timespec deadline{};
                clock_gettime(CLOCK_MONOTONIC, &deadline);
                for (int tick = 0; tick < kTicks; ++tick) {
                    SleepUntil(deadline);
                    picture.Present(side, static_cast<std::uint32_t>(tick) * 0x010203u);
                }
                XSync(display, False);
                const std::uint64_t client = ThreadNanoseconds() - clientBefore;
                const std::optional<std::uint64_t> serverAfter = ProcessorNanoseconds(server.Process());
                if (!serverBefore || !serverAfter) {
                    state.SkipWithError("the server's processor time cannot be read");
                    break;
                }
                const double serverUs = static_cast<double>(*serverAfter - *serverBefore) / 1e3 / kTicks;
                const double clientUs = static_cast<double>(client) / 1e3 / kTicks;
                const double periodUs = kTickPeriodNs / 1e3;
                state.counters["server_per_tick_us"] = serverUs;
                state.counters["client_per_tick_us"] = clientUs;
                state.counters["server_pct"] = 100 * serverUs / periodUs;
                state.counters["together_pct"] = 100 * (serverUs + clientUs) / periodUs;
                state.counters["pixels"] = static_cast<double>(side) * side;
            }
        }
    }
    XCloseDisplay(display);
}
BENCHMARK(BM_XServerShowsATickEvery20ms)->Arg(1)->Arg(185)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
