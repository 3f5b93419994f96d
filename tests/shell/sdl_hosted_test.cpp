// The packed demo saver as a hack, the way xscreensaver runs it: a window of
// another program named by XSCREENSAVER_WINDOW, "--root" on the command line.
// It draws its frame inside that window at the window's size, builds the
// stage again when the window changes size, and ends with exit code 0 on
// SIGTERM (quickly: the daemon waits for it) and when the window goes away.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/test_data.h"
// Last: it brings Xlib, whose macros (None, Status) other headers use as names.
#include "tests/shell/saver_process.h"

namespace vesper::test {
namespace {

// How soon the hack must be gone after SIGTERM; the sanitizers slow the
// debug build's exit (they check the whole heap for leaks).
#if defined(__SANITIZE_ADDRESS__)
constexpr auto kSignalExit = std::chrono::milliseconds(2000);
#else
constexpr auto kSignalExit = std::chrono::milliseconds(100);
#endif
constexpr int kFirstWidth = 800;
constexpr int kFirstHeight = 600;
constexpr int kResizedWidth = 1000;
constexpr int kResizedHeight = 640;
// Most of the window shows the background; sprites cover the rest.
constexpr double kShownShare = 0.9;

std::string HexNumber(XWindow window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(window));
    return text;
}

class SdlHosted : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string reason = DemoOnXUnavailable(m_x); !reason.empty())
            GTEST_SKIP() << reason;
#if defined(VESPER_DEMO_SAVER)
        m_host = m_x.MakeHostWindow(40, 30, kFirstWidth, kFirstHeight);
        m_hack = std::make_unique<ChildProcess>(VESPER_DEMO_SAVER, std::vector<std::string>{"--root"}, m_folder.path(),
                                                m_folder / "output.txt",
                                                std::vector<std::string>{"XSCREENSAVER_WINDOW=" + HexNumber(m_host)});
        ASSERT_TRUE(m_hack->Started()) << "cannot start " << VESPER_DEMO_SAVER;
#endif
    }

    void TearDown() override
    {
        m_hack.reset();
        if (m_host && m_x.AreaOf(m_host))
            XDestroyWindow(m_x.Get(), m_host);
        if (m_x.Get())
            XSync(m_x.Get(), False);
    }

    // Waits until the host window shows the scene's background rendered at
    // the window's size; the share reached is left in `share`.
    bool ShowsBackgroundAtSize(int width, int height, double& share)
    {
#if !defined(VESPER_DEMO_SCENE)
        (void)width, (void)height, (void)share;
        return false;
#else
        const std::optional<Screenshot> background = RenderBackground(VESPER_DEMO_SCENE, width, height);
        if (!background)
            return false;
        return PollUntil(
            [&] {
                if (!m_hack->Running())
                    return true;
                const std::optional<RECT> area = m_x.AreaOf(m_host);
                if (!area || area->right - area->left != width || area->bottom - area->top != height)
                    return false;
                const Screenshot shot = m_x.Capture(*area);
                share = shot.pixels.empty() ? 0.0 : BackgroundShare(shot, *background);
                return share > kShownShare;
            },
            kStartTimeout) &&
               m_hack->Running();
#endif
    }

    bool ExitedWithZero() const
    {
        const std::optional<int> status = m_hack->WaitStatus();
        return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    }

    XConnection m_x;
    XWindow m_host = 0;
    ScratchDir m_folder;
    std::unique_ptr<ChildProcess> m_hack;
};

TEST_F(SdlHosted, DrawsInItsHostAtTheHostsSizeAndFollowsAResize)
{
#if defined(VESPER_DEMO_SCENE)
    double share = 0;
    ASSERT_TRUE(ShowsBackgroundAtSize(kFirstWidth, kFirstHeight, share))
        << "share of the background " << share << "\n" << m_hack->Output();

    XResizeWindow(m_x.Get(), m_host, kResizedWidth, kResizedHeight);
    XSync(m_x.Get(), False);
    EXPECT_TRUE(ShowsBackgroundAtSize(kResizedWidth, kResizedHeight, share))
        << "after the resize: share of the background " << share << "\n" << m_hack->Output();

#endif
}

TEST_F(SdlHosted, EndsWithZeroSoonAfterSigterm)
{
#if defined(VESPER_DEMO_SCENE)
    double share = 0;
    ASSERT_TRUE(ShowsBackgroundAtSize(kFirstWidth, kFirstHeight, share)) << m_hack->Output();

    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(m_hack->Pid(), SIGTERM), 0);
    while (m_hack->Running() && std::chrono::steady_clock::now() - sent < kExitTimeout)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
    ASSERT_FALSE(m_hack->Running()) << "still running after SIGTERM";
    EXPECT_LE(took, kSignalExit);
    EXPECT_TRUE(ExitedWithZero()) << "wait status " << m_hack->WaitStatus().value_or(-1) << "\n" << m_hack->Output();
    // The host window is left as it was.
    EXPECT_TRUE(m_x.AreaOf(m_host));
#endif
}

TEST_F(SdlHosted, EndsWithZeroWhenItsHostWindowIsDestroyed)
{
#if defined(VESPER_DEMO_SCENE)
    double share = 0;
    ASSERT_TRUE(ShowsBackgroundAtSize(kFirstWidth, kFirstHeight, share)) << m_hack->Output();

    XDestroyWindow(m_x.Get(), m_host);
    XSync(m_x.Get(), False);
    m_host = 0;
    EXPECT_TRUE(PollUntil([&] { return !m_hack->Running(); }, kExitTimeout)) << "still running without its window";
    EXPECT_TRUE(ExitedWithZero()) << "wait status " << m_hack->WaitStatus().value_or(-1) << "\n" << m_hack->Output();
#endif
}

}  // namespace
}  // namespace vesper::test
