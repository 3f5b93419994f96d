#include "tests/shell/packed_saver.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/user/message_box.h"
#include "platform/kernel/module_path.h"
#include "platform/kernel/patchable_data.h"
#include "platform/kernel/timer_multimedia.h"
#include "tests/stage/stage_test_support.h"
#include "tests/support/platform/headless_input.h"

namespace vesper::test {

namespace {

std::vector<BYTE> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ScratchDir& CopiesFolder()
{
    static ScratchDir folder;
    return folder;
}

struct ChildRun {
    int status = -1;
    std::string output;
};

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ChildRun RunChild(const std::filesystem::path& program, const std::string& test,
                  const std::filesystem::path& userFolder)
{
    const std::string command = "env -u VESPER_DISPLAY XDG_CONFIG_HOME=" + Quoted(userFolder.string()) + " " +
                                Quoted(program.string()) + " --gtest_also_run_disabled_tests --gtest_filter=" +
                                Quoted(test) + " 2>&1";
    ChildRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    while (std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe))
        run.output.append(buffer.data(), got);
    run.status = pclose(pipe);
    return run;
}

// The watched window's original procedure and what it received.
WNDPROC s_watchedProc = nullptr;
std::mutex s_receivedMutex;
std::vector<std::pair<UINT, DWORD>> s_received;

LRESULT CALLBACK WatchingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard lock(s_receivedMutex);
        s_received.emplace_back(message, GetTickCount());
    }
    return CallWindowProcA(s_watchedProc, window, message, wParam, lParam);
}

}  // namespace

std::filesystem::path PackIntoCopyOfThisProgram(const std::vector<BYTE>& scene, const std::string& name,
                                                const std::string& strings)
{
    const std::vector<BYTE> image = ReadAll(platform::ModulePath());
    auto patched = platform::PatchPatchableValues(image, static_cast<DWORD>(image.size()), strings);
    if (!patched) {
        ADD_FAILURE() << "cannot patch a copy of this program: " << patched.error;
        return {};
    }
    std::vector<BYTE> packed = std::move(*patched.value);
    packed.insert(packed.end(), scene.begin(), scene.end());
    const std::filesystem::path path = CopiesFolder() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(packed.data()),
                                                static_cast<std::streamsize>(packed.size()));
    chmod(path.c_str(), 0700);
    return path;
}

void RunEachInOwnProcess(const std::filesystem::path& program, const std::string& suite)
{
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    int ran = 0;
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& testSuite = *unit.GetTestSuite(s);
        if (suite != testSuite.name())
            continue;
        for (int t = 0; t < testSuite.total_test_count(); ++t) {
            const std::string test = suite + "." + testSuite.GetTestInfo(t)->name();
            ScratchDir userFolder;
            const ChildRun run = RunChild(program, test, userFolder.path());
            ++ran;
            EXPECT_TRUE(run.status == 0 && run.output.find("[  PASSED  ] 1 test") != std::string::npos)
                << test << " failed in its own process (status " << run.status << "):\n"
                << run.output;
        }
    }
    EXPECT_GT(ran, 0) << "no test in suite " << suite;
}

std::vector<BYTE> TestSceneBytes()
{
    auto doc = MakeScene(kTestBackground, {
                                              SpriteSpec{.x = 100, .y = 100, .width = 24, .height = 16,
                                                         .fill = RGB(255, 0, 0), .dx = 30, .dy = 20},
                                              SpriteSpec{.x = 300, .y = 200, .width = 16, .height = 16,
                                                         .fill = RGB(255, 255, 0), .dx = -20, .dy = 10},
                                          });
    return SceneBytes(*doc);
}

InPackedSaver::InPackedSaver()
{
    screen = &platform::UseHeadlessDisplay({640, 480, 32});
    platform::UseHeadlessWindowBackend();
    platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
        boxes.push_back(request.text);
        return IDOK;
    });
}

InPackedSaver::~InPackedSaver()
{
    platform::SetMessageBoxHandler(nullptr);
}

void InPackedSaver::PumpAll()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void InPackedSaver::AdvanceBy(DWORD milliseconds, DWORD step)
{
    for (DWORD done = 0; done < milliseconds; done += step) {
        clock.Advance(step);
        platform::WaitForDueTimerEvents();
        PumpAll();
    }
}

void InPackedSaver::MoveMouseBy(int dx, int dy)
{
    POINT now{};
    GetCursorPos(&now);
    platform::headless::MoveMouse(now.x + dx, now.y + dy);
}

void InPackedSaver::Watch(HWND window)
{
    s_watchedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingProc)));
    std::lock_guard lock(s_receivedMutex);
    s_received.clear();
}

std::vector<InPackedSaver::Received> InPackedSaver::ReceivedOf(UINT message)
{
    std::lock_guard lock(s_receivedMutex);
    std::vector<Received> found;
    for (const auto& [kind, time] : s_received)
        if (kind == message)
            found.push_back({kind, time});
    return found;
}

}  // namespace vesper::test
