// What a tick's pacing costs before anything is drawn: the multimedia timer's
// thread wakes every 20 ms and sends the tick to the window's thread, which
// handles it at once and draws nothing. Beside it the same two hand-overs
// between two threads of the system's own, a timed sleep and a condition
// variable each way. The processor time of the whole process per tick is the
// floor under what the saver spends a tick on this machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "bench/processor_time.h"
#include "platform/drivers/backends.h"
#include "platform/win32.h"

namespace {

constexpr UINT kTickPeriodMs = 20;
constexpr UINT kTickMessage = WM_USER + 1;
constexpr long kTicks = 250;

// Reports the process's processor time per tick, and as a share of one core.
void ReportPerTick(benchmark::State& state, double processSeconds)
{
    const double perTick = processSeconds / kTicks;
    state.counters["cpu_per_tick_us"] = perTick * 1e6;
    state.counters["share_of_core_pct"] = perTick / (kTickPeriodMs / 1000.0) * 100;
}

long g_handled = 0;

LRESULT CALLBACK CountTicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kTickMessage) {
        // Sent messages are handled inside GetMessageA, which returns only for
        // a posted one: the quit after the last tick.
        if (++g_handled == kTicks)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK SendTick(UINT, UINT, DWORD_PTR window, DWORD_PTR, DWORD_PTR)
{
    SendMessageA(reinterpret_cast<HWND>(window), kTickMessage, 0, 0);
}

void BM_TimerSendsTickToWindow(benchmark::State& state)
{
    if (!vesper::platform::UseBackend("headless")) {
        state.SkipWithError("the headless backend does not start");
        return;
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountTicks;
    windowClass.lpszClassName = "VesperPacingBench";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "pacing", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  nullptr, nullptr);
    if (!window) {
        state.SkipWithError("the window cannot be made");
        return;
    }
    timeBeginPeriod(1);
    double used = 0;
    for (auto _ : state) {
        g_handled = 0;
        const double before = ProcessorSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const UINT timer =
            timeSetEvent(kTickPeriodMs, 1, SendTick, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
        timeKillEvent(timer);
        used += ProcessorSeconds(CLOCK_PROCESS_CPUTIME_ID) - before;
    }
    timeEndPeriod(1);
    DestroyWindow(window);
    ReportPerTick(state, used);
}
BENCHMARK(BM_TimerSendsTickToWindow)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TwoThreadsHandOverATick(benchmark::State& state)
{
    double used = 0;
    for (auto _ : state) {
        std::mutex mutex;
        std::condition_variable changed;
        long sent = 0;
        long answered = 0;
        const double before = ProcessorSeconds(CLOCK_PROCESS_CPUTIME_ID);
        std::thread pacer([&] {
            auto next = std::chrono::steady_clock::now();
            std::unique_lock lock(mutex);
            while (sent < kTicks) {
                next += std::chrono::milliseconds(kTickPeriodMs);
                lock.unlock();
                std::this_thread::sleep_until(next);
                lock.lock();
                // Synchronous, as a sent message is: the pacer waits for the
                // answer.
                const long tick = ++sent;
                changed.notify_all();
                changed.wait(lock, [&] { return answered == tick; });
            }
        });
        {
            std::unique_lock lock(mutex);
            while (answered < kTicks) {
                changed.wait(lock, [&] { return sent > answered; });
                answered = sent;
                changed.notify_all();
            }
        }
        pacer.join();
        used += ProcessorSeconds(CLOCK_PROCESS_CPUTIME_ID) - before;
    }
    ReportPerTick(state, used);
}
BENCHMARK(BM_TwoThreadsHandOverATick)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
