// The packed demo saver on an X server with two monitors of different sizes,
// as a user with two monitors meets it: an Xephyr with two Xinerama heads
// (1920x1080 at 0,0 and 1280x720 at 1920,0) inside a private Xvfb. Each
// monitor shows the whole scene at its own size (each), one scene spans both
// (span), or the primary one shows it and the other is black (primary); a key
// ends the run with exit code 0 and leaves no window; with a password set,
// input asks for it once.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/password/password_secret.h"
#include "platform/password/password_store.h"
#include "tests/platform/kernel/settings_test_env.h"
#include "tests/support/test_data.h"
// Last: it brings Xlib, whose macros (None, Status) other headers use as names.
#include "tests/shell/saver_process.h"

namespace vesper::test {
namespace {

constexpr RECT kLeftHead{0, 0, 1920, 1080};
constexpr RECT kRightHead{1920, 0, 3200, 720};
constexpr auto kServerTimeout = std::chrono::seconds(20);
constexpr auto kShotInterval = std::chrono::milliseconds(300);
constexpr const char* kPasswordCaption = "Screen saver password";

bool Executable(const char* name)
{
    return RunCommand(std::string("command -v ") + name);
}

// A display number that no server holds.
int FreeDisplay(int from)
{
    for (int number = from;; ++number)
        if (!std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock") &&
            !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
            return number;
}

// Whether the server of that name answers with a root of the given width.
bool AnswersWithWidth(const std::string& display, int width)
{
    XDisplay* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return false;
    const bool wide = DisplayWidth(connection, DefaultScreen(connection)) == width;
    XCloseDisplay(connection);
    return wide;
}

// Xvfb, and in it Xephyr with two Xinerama heads; DISPLAY names the Xephyr
// while it lives, so that the test's connection, xdotool and the saver use it.
// Both run with -noreset: a server resets when its last client leaves, as the
// readiness probe does, and refuses connections while it resets.
class TwoHeadServer {
public:
    explicit TwoHeadServer(const ScratchDir& folder)
    {
        // Another server may take a free number first: a few tries.
        for (int attempt = 0, from = 140 + getpid() % 200; attempt < 3 && !m_up; ++attempt) {
            Stop();
            const int outer = FreeDisplay(from);
            const int inner = FreeDisplay(outer + 1);
            from = inner + 1;
            m_up = Start(folder, ":" + std::to_string(outer), ":" + std::to_string(inner));
        }
    }
    ~TwoHeadServer()
    {
        Stop();
        if (m_oldDisplay)
            setenv("DISPLAY", m_oldDisplay->c_str(), 1);
        else if (m_up)
            unsetenv("DISPLAY");
    }
    TwoHeadServer(const TwoHeadServer&) = delete;
    TwoHeadServer& operator=(const TwoHeadServer&) = delete;

    bool Up() const { return m_up; }

private:
    bool Start(const ScratchDir& folder, const std::string& outerName, const std::string& innerName)
    {
        m_outer.emplace("/usr/bin/Xvfb",
                        std::vector<std::string>{outerName, "-screen", "0", "3400x1200x24", "-nolisten", "tcp", "-noreset"},
                        folder.path(), folder / "xvfb.txt");
        if (!PollUntil([&] { return !m_outer->Running() || AnswersWithWidth(outerName, 3400); }, kServerTimeout) ||
            !m_outer->Running())
            return false;
        m_inner.emplace("/usr/bin/Xephyr",
                        std::vector<std::string>{innerName, "+xinerama", "-screen", "1920x1080", "-screen", "1280x720",
                                                 "-nolisten", "tcp", "-noreset"},
                        folder.path(), folder / "xephyr.txt", std::vector<std::string>{"DISPLAY=" + outerName});
        if (!PollUntil([&] { return !m_inner->Running() || AnswersWithWidth(innerName, 3200); }, kServerTimeout) ||
            !m_inner->Running())
            return false;
        if (!m_oldDisplay)
            if (const char* old = std::getenv("DISPLAY"))
                m_oldDisplay = old;
        setenv("DISPLAY", innerName.c_str(), 1);
        // xdotool may find the new server not quite ready a moment longer.
        return PollUntil([] { return RunCommand("xdotool version"); }, kServerTimeout);
    }

    // Asked to end, a server takes its lock file and socket with it.
    void Stop()
    {
        for (std::optional<ChildProcess>* server : {&m_inner, &m_outer}) {
            if (*server && (*server)->Running()) {
                kill((*server)->Pid(), SIGTERM);
                PollUntil([server] { return !(*server)->Running(); }, kServerTimeout);
            }
            server->reset();
        }
    }

    std::optional<std::string> m_oldDisplay;
    std::optional<ChildProcess> m_outer;
    std::optional<ChildProcess> m_inner;
    bool m_up = false;
};

Screenshot Shot(const XConnection& x, const RECT& area)
{
    return x.Capture(area);
}

// How many top-level windows have this name.
int CountNamed(const XConnection& x, const std::string& name)
{
    XWindow root = 0;
    XWindow parent = 0;
    XWindow* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x.Get(), x.Root(), &root, &parent, &children, &count))
        return 0;
    int named = 0;
    for (unsigned i = 0; i < count; ++i) {
        char* text = nullptr;
        if (XFetchName(x.Get(), children[i], &text) && text) {
            named += name == text;
            XFree(text);
        }
    }
    if (children)
        XFree(children);
    return named;
}

class SdlMonitors : public ::testing::Test {
protected:
    void SetUp() override
    {
#if !defined(VESPER_DEMO_SAVER) || !defined(VESPER_DEMO_SCENE)
        GTEST_SKIP() << "the packed demo saver is not part of this build";
#else
        if (!Executable("Xvfb") || !Executable("Xephyr"))
            GTEST_SKIP() << "Xvfb or Xephyr is missing (scripts/setup.sh installs xvfb and xserver-xephyr)";
        m_server.emplace(m_folder);
        ASSERT_TRUE(m_server->Up()) << "the two-head X server did not start, or xdotool cannot reach it "
                                       "(scripts/setup.sh installs xvfb, xserver-xephyr and xdotool)";
        m_x.emplace();
        ASSERT_TRUE(m_x->Get());
        ASSERT_EQ(DisplayWidth(m_x->Get(), DefaultScreen(m_x->Get())), 3200);
#endif
    }

    void TearDown() override
    {
        m_x.reset();
        m_server.reset();
    }

    // The scene's background at a monitor's size.
    static const Screenshot& Background(int width, int height)
    {
        static std::map<std::pair<int, int>, Screenshot> rendered;
        const auto key = std::pair{width, height};
        if (!rendered.contains(key)) {
            std::optional<Screenshot> made = RenderBackground(VESPER_DEMO_SCENE, width, height);
            EXPECT_TRUE(made) << "cannot render the background at " << width << "x" << height;
            rendered[key] = made ? *made : Screenshot{};
        }
        return rendered[key];
    }

    static const Screenshot& BackgroundOf(const RECT& area)
    {
        return Background(area.right - area.left, area.bottom - area.top);
    }

    // Starts the saver with the options and waits until every area shows
    // the background at its size.
    ChildProcess& StartSaver(const std::vector<std::string>& args, const std::vector<RECT>& sceneAreas)
    {
        for (const RECT& area : sceneAreas)
            BackgroundOf(area);
        m_saver.emplace(VESPER_DEMO_SAVER, args, m_folder.path(), m_folder / "saver.txt");
        const bool shown = PollUntil(
            [&] {
                if (!m_saver->Running())
                    return true;
                for (const RECT& area : sceneAreas)
                    if (BackgroundShare(Shot(*m_x, area), BackgroundOf(area)) <= 0.9)
                        return false;
                return true;
            },
            kStartTimeout);
        EXPECT_TRUE(m_saver->Running()) << "the saver ended early:\n" << m_saver->Output();
        EXPECT_TRUE(shown) << "the scene never showed on every monitor:\n" << m_saver->Output();
        return *m_saver;
    }

    // Two shots of each area some ticks apart: the sprites moved over the
    // area's own background, and wherever nothing moved it is the background.
    void ExpectScenePlaysIn(const RECT& area)
    {
        SCOPED_TRACE(::testing::Message() << "area " << area.left << "," << area.top << " " << area.right - area.left
                                          << "x" << area.bottom - area.top);
        std::this_thread::sleep_for(kShotInterval);
        const Screenshot first = Shot(*m_x, area);
        std::this_thread::sleep_for(kShotInterval);
        const Screenshot second = Shot(*m_x, area);
        const Comparison comparison = Compare(first, second, BackgroundOf(area));
        EXPECT_GT(comparison.changed, 100) << Describe(comparison);
        EXPECT_EQ(comparison.changedOverBackground, 0) << Describe(comparison);
        EXPECT_GT(comparison.unchangedBackground, comparison.unchanged * 9 / 10) << Describe(comparison);
    }

    // A key ends the run: exit code 0, and no saver window stays.
    void ExpectAKeyEndsAll()
    {
        ASSERT_TRUE(RunCommand("xdotool key space"));
        PollUntil([&] { return !m_saver->Running(); }, kExitTimeout);
        ASSERT_FALSE(m_saver->Running()) << "the saver still runs after a key press";
        EXPECT_EQ(m_saver->ExitCode(), 0) << m_saver->Output();
        EXPECT_TRUE(PollUntil([&] { return CountNamed(*m_x, "Screen Saver") == 0; }, kExitTimeout))
            << "a saver window outlived the run";
    }

    ScratchDir m_folder;
    std::optional<TwoHeadServer> m_server;
    std::optional<XConnection> m_x;
    std::optional<ChildProcess> m_saver;
};

TEST_F(SdlMonitors, EachMonitorPlaysTheWholeSceneAtItsSizeAndAKeyEndsBoth)
{
    StartSaver({"/s"}, {kLeftHead, kRightHead});
    EXPECT_EQ(CountNamed(*m_x, "Screen Saver"), 2);
    ExpectScenePlaysIn(kLeftHead);
    ExpectScenePlaysIn(kRightHead);
    ExpectAKeyEndsAll();
}

// The part of a picture inside `area`.
Screenshot Crop(const Screenshot& picture, const RECT& area)
{
    Screenshot part{area.right - area.left, area.bottom - area.top, {}};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            part.pixels.push_back(picture.At(x, y));
    return part;
}

// One stage over the box of both monitors: each monitor shows its part of
// the one wide background (what no monitor shows is not seen).
TEST_F(SdlMonitors, SpanPlaysOneSceneAcrossBothMonitors)
{
    vesper::test::WriteText(m_folder / "vesper" / "vesper.ini", "[settings]\nmonitors=span\n");
    const Screenshot& wide = Background(3200, 1080);
    const Screenshot leftPart = Crop(wide, kLeftHead);
    const Screenshot rightPart = Crop(wide, kRightHead);
    m_saver.emplace(VESPER_DEMO_SAVER, std::vector<std::string>{"/s"}, m_folder.path(), m_folder / "saver.txt");
    const auto showsParts = [&] {
        return BackgroundShare(Shot(*m_x, kLeftHead), leftPart) > 0.9 &&
               BackgroundShare(Shot(*m_x, kRightHead), rightPart) > 0.9;
    };
    EXPECT_TRUE(PollUntil([&] { return !m_saver->Running() || showsParts(); }, kStartTimeout) && m_saver->Running())
        << "the monitors never showed their parts of one wide scene:\n" << m_saver->Output();
    EXPECT_EQ(CountNamed(*m_x, "Screen Saver"), 1);
    ExpectAKeyEndsAll();
}

TEST_F(SdlMonitors, PrimaryPlaysOnTheFirstMonitorAndBlacksOutTheOther)
{
    StartSaver({"/s", "--monitors", "primary"}, {kLeftHead});
    ExpectScenePlaysIn(kLeftHead);
    const Screenshot right = Shot(*m_x, kRightHead);
    long black = 0;
    for (const COLORREF colour : right.pixels)
        black += colour == RGB(0, 0, 0);
    EXPECT_EQ(black, static_cast<long>(right.pixels.size())) << "the second monitor is not all black";
    ExpectAKeyEndsAll();
}

// With a password set, a mouse move over the second monitor asks for it
// once, on that monitor; the right password ends the whole run.
TEST_F(SdlMonitors, APasswordIsAskedOnceOnTheMonitorOfTheInput)
{
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", m_folder.path().c_str());
        ASSERT_EQ(platform::StorePassword(*platform::SecretText::From("lune")), static_cast<DWORD>(NO_ERROR));
    }
    ASSERT_TRUE(RunCommand("xdotool mousemove 2500 300"));
    StartSaver({"/s"}, {kLeftHead, kRightHead});
    ASSERT_TRUE(RunCommand("xdotool mousemove 2560 360"));
    std::optional<XWindow> prompt;
    ASSERT_TRUE(PollUntil(
        [&] {
            prompt = m_x->FindByName(kPasswordCaption);
            return prompt && m_x->ReceivesKeys(*prompt);
        },
        kStartTimeout))
        << "no password prompt:\n" << m_saver->Output();
    // More input meanwhile, on both monitors, asks no second time.
    RunCommand("xdotool mousemove 300 300 mousemove 2600 400");
    std::this_thread::sleep_for(kShotInterval);
    EXPECT_EQ(CountNamed(*m_x, kPasswordCaption), 1);
    XWindowAttributes attributes{};
    XWindow child = 0;
    int x = 0;
    int y = 0;
    ASSERT_TRUE(XGetWindowAttributes(m_x->Get(), *prompt, &attributes));
    XTranslateCoordinates(m_x->Get(), *prompt, m_x->Root(), 0, 0, &x, &y, &child);
    EXPECT_GE(x, kRightHead.left) << "the prompt is not on the monitor where the input came";
    EXPECT_LE(x + attributes.width, kRightHead.right);
    EXPECT_LE(y + attributes.height, kRightHead.bottom);

    ASSERT_TRUE(RunCommand("xdotool type --delay 30 lune") && RunCommand("xdotool key Return"));
    PollUntil([&] { return !m_saver->Running(); }, kExitTimeout);
    ASSERT_FALSE(m_saver->Running()) << "the right password did not end the run";
    EXPECT_EQ(m_saver->ExitCode(), 0) << m_saver->Output();
    EXPECT_TRUE(PollUntil([&] { return CountNamed(*m_x, "Screen Saver") == 0; }, kExitTimeout));
}

// Bad input: the option names itself and its values; a bad stored value is
// reported, the default used and the file left as it is.
TEST_F(SdlMonitors, BadOptionAndBadStoredValue)
{
    ChildProcess refused(VESPER_DEMO_SAVER, {"/s", "--monitors", "both"}, m_folder.path(), m_folder / "refused.txt");
    PollUntil([&] { return !refused.Running(); }, kExitTimeout);
    EXPECT_EQ(refused.ExitCode(), 2);
    EXPECT_NE(refused.Output().find("\"--monitors\" takes each, span or primary"), std::string::npos)
        << refused.Output();

    const std::string stored = "[settings]\nmonitors=sideways\n";
    vesper::test::WriteText(m_folder / "vesper" / "vesper.ini", stored);
    ChildProcess& saver = StartSaver({"/s"}, {kLeftHead, kRightHead});
    EXPECT_NE(saver.Output().find("vesper.ini"), std::string::npos) << saver.Output();
    EXPECT_NE(saver.Output().find("\"monitors\" holds \"sideways\""), std::string::npos) << saver.Output();
    EXPECT_EQ(vesper::test::ReadText(m_folder / "vesper" / "vesper.ini"), stored);
    ExpectAKeyEndsAll();
}

// A plain Xvfb whose screen is cut into RandR monitors with xrandr: monitors
// that come and go while the saver runs.
TEST_F(SdlMonitors, MonitorsAddedOrRemovedDuringTheRunAreFollowed)
{
    if (!Executable("xrandr"))
        GTEST_SKIP() << "xrandr is missing (scripts/setup.sh installs x11-xserver-utils)";
    // The two-head server is not needed here: a plain one of its own instead.
    m_x.reset();
    m_server.reset();
    const std::string name = ":" + std::to_string(FreeDisplay(400 + getpid() % 200));
    // -noreset: the monitors set below would go with the server's reset once
    // xrandr, its only client, leaves.
    ChildProcess xvfb("/usr/bin/Xvfb", {name, "-screen", "0", "1600x600x24", "-nolisten", "tcp", "-noreset"},
                      m_folder.path(), m_folder / "plain-xvfb.txt");
    ASSERT_TRUE(PollUntil([&] { return AnswersWithWidth(name, 1600); }, kServerTimeout));
    ScopedEnvironment display("DISPLAY", name.c_str());
    ASSERT_TRUE(RunCommand("xrandr --setmonitor left 800/0x600/0+0+0 screen"));
    ASSERT_TRUE(RunCommand("xrandr --setmonitor right 800/0x600/0+800+0 none"));
    m_x.emplace();
    ASSERT_TRUE(m_x->Get());

    const RECT left{0, 0, 800, 600};
    StartSaver({"/s"}, {left, RECT{800, 0, 1600, 600}});
    EXPECT_EQ(CountNamed(*m_x, "Screen Saver"), 2);

    ASSERT_TRUE(RunCommand("xrandr --delmonitor right"));
    EXPECT_TRUE(PollUntil([&] { return CountNamed(*m_x, "Screen Saver") == 1; }, kExitTimeout))
        << "the window of the monitor that went away stayed";
    EXPECT_TRUE(m_saver->Running()) << "a monitor going away ended the run:\n" << m_saver->Output();

    const RECT lower{800, 300, 1600, 600};
    ASSERT_TRUE(RunCommand("xrandr --setmonitor lower 800/0x300/0+800+300 none"));
    EXPECT_TRUE(PollUntil([&] { return BackgroundShare(Shot(*m_x, lower), BackgroundOf(lower)) > 0.9; }, kStartTimeout))
        << "the new monitor does not show the scene at its size:\n" << m_saver->Output();
    EXPECT_EQ(CountNamed(*m_x, "Screen Saver"), 2);
    ExpectScenePlaysIn(left);
    ExpectAKeyEndsAll();
    m_x.reset();
    kill(xvfb.Pid(), SIGTERM);
    PollUntil([&] { return !xvfb.Running(); }, kServerTimeout);
}

}  // namespace
}  // namespace vesper::test
