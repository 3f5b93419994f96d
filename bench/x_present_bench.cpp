// What showing a tick costs the X server, whatever draws it: a client of a
// private Xvfb wakes every 20 ms, as a saver at full speed does, and asks the
// server through the SDL backend's presenter to copy one square of its
// shared-memory picture (MIT-SHM) into a full-screen window, then sleeps
// again. Reported per tick: the server's
// processor time and the client's, and both as a share of one core. With a
// square of one pixel it is the price of waking the server at all; with one
// of the demo scene's changed pixels a tick (about 34,000), the price of
// presenting such a tick. Needs Xvfb on the PATH.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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
Window MapFullScreenWindow(Display* display)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kScreenWidth, kScreenHeight,
                                              0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
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
    const Window window = MapFullScreenWindow(display);
    const std::unique_ptr<DirectPresenter> presenter =
        DirectPresenter::Open(server.Name(), vesper::platform::DisplayMode{kScreenWidth, kScreenHeight, 32});
    if (!presenter) {
        state.SkipWithError("the X server does not share memory");
        XCloseDisplay(display);
        return;
    }
    presenter->SetTargets({DirectPresenter::Target{window, RECT{0, 0, kScreenWidth, kScreenHeight}}});
    for (auto _ : state) {
        presenter->Synchronise();
        const std::optional<std::uint64_t> serverBefore = ProcessorNanosecondsOf(server.Process());
        const double clientBefore = ProcessorSeconds(CLOCK_THREAD_CPUTIME_ID);
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        for (int tick = 0; tick < kTicks; ++tick) {
            SleepUntil(deadline);
            PresentSquare(*presenter, side, static_cast<std::uint32_t>(tick) * 0x010203u);
        }
        presenter->Synchronise();
        const double clientSeconds = ProcessorSeconds(CLOCK_THREAD_CPUTIME_ID) - clientBefore;
        const std::optional<std::uint64_t> serverAfter = ProcessorNanosecondsOf(server.Process());
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
        state.counters["pixels"] = static_cast<double>(side) * side;
    }
    XCloseDisplay(display);
}
BENCHMARK(BM_XServerShowsATickEvery20ms)->Arg(1)->Arg(185)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
