// The backend table: which entry a VESPER_DISPLAY value names, the choice
// when the asked-for backend cannot run, and what starting a backend installs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/drivers/backends.h"
#include "platform/drivers/sdl/sdl_backend.h"
#include "platform/win32.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace {

using namespace vesper::platform;
using vesper::test::ScopedEnvironment;

TEST(BackendTable, ValuesNameTheirEntry)
{
    const struct {
        const char* setting;
        const char* entry;  // null: no entry named
    } rows[] = {
        {nullptr, nullptr},
        {"", nullptr},
        {"sdl", "sdl"},
        {"wayland", "wayland"},
        {"x11", "x11"},
        {"headless", "headless"},
        {"headless:800x600x8", "headless"},
        {"sdlx", "headless"},  // a longer word is not the name
        {"SDL2", "headless"},  // anything else is read (and refused) as a headless screen
    };
    for (const auto& row : rows) {
        const BackendEntry* named = BackendNamed(row.setting);
        if (!row.entry)
            EXPECT_EQ(named, nullptr) << (row.setting ? row.setting : "(unset)");
        else
            EXPECT_EQ(named ? named->name : "(none)", row.entry) << row.setting;
    }
}

TEST(BackendTable, EveryEntryBringsAllItsParts)
{
    for (const BackendEntry& entry : Backends()) {
        EXPECT_TRUE(entry.unavailableReason && entry.makeDisplay && entry.makeWindowBackend) << entry.name;
        EXPECT_TRUE(entry.showMessageBox && entry.passwordPrompt) << entry.name;
    }
    EXPECT_TRUE(Backends().back().unavailableReason(false).empty()) << "the last entry runs everywhere";
}

TEST(BackendTable, HeadlessWithoutADisplayServerAndSaysWhy)
{
    ScopedEnvironment x("DISPLAY", nullptr);
    ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_FALSE(sdl::DisplayServerNamed());
    const BackendChoice choice = ChooseBackend(nullptr);
    EXPECT_EQ(choice.entry->name, "headless");
    EXPECT_TRUE(choice.setting.empty());
    EXPECT_NE(DisplayUnavailableReason().find("DISPLAY"), std::string::npos) << DisplayUnavailableReason();

    ScopedEnvironment waylandSet("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(sdl::DisplayServerNamed());
}

TEST(BackendTable, AWaylandSocketWithoutACompositorIsNamedInTheReason)
{
    ScopedEnvironment x("DISPLAY", nullptr);
    ScopedEnvironment wayland("WAYLAND_DISPLAY", "vesper-test-no-such-socket");
    const BackendChoice choice = ChooseBackend(nullptr);
    EXPECT_EQ(choice.entry->name, "headless");
    EXPECT_EQ(ChosenBackend(), choice.entry);
    EXPECT_NE(DisplayUnavailableReason().find("vesper-test-no-such-socket"), std::string::npos)
        << DisplayUnavailableReason();
}

TEST(BackendTable, OnlyWaylandRefusesOtherProgramsWindows)
{
    for (const BackendEntry& entry : Backends())
        EXPECT_EQ(entry.foreignWindowsRefusal.empty(), entry.name != "wayland") << entry.name;
    // X11 runs only when asked for: unasked it would take over from SDL's
    // own choice of driver.
    const BackendEntry* x11 = BackendNamed("x11");
    ASSERT_NE(x11, nullptr);
    EXPECT_FALSE(x11->unavailableReason(false).empty());
}

TEST(BackendTable, AHeadlessSettingNeedsNoReason)
{
    ScopedEnvironment setting("VESPER_DISPLAY", "headless:320x200x8");
    const BackendChoice choice = ChooseBackend(std::getenv("VESPER_DISPLAY"));
    EXPECT_EQ(choice.entry->name, "headless");
    EXPECT_EQ(choice.setting, "headless:320x200x8");
    EXPECT_TRUE(DisplayUnavailableReason().empty());
    UseDisplay(nullptr);
    EXPECT_EQ(CurrentDisplay().Mode(), (DisplayMode{320, 200, 8}));
    UseDisplay(nullptr);
}

TEST(BackendTable, AnUnreadableSettingGetsTheDefaultScreen)
{
    const BackendChoice choice = ChooseBackend("headless:99999x10x8");
    EXPECT_EQ(choice.entry->name, "headless");
    EXPECT_EQ(choice.entry->makeDisplay(choice.setting)->Mode(), DisplayMode{});
}

class StartedBackendTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetPasswordPrompt(nullptr);
        UseWindowBackend(nullptr);
        UseDisplay(nullptr);
    }
};

class SilentPrompt final : public PasswordPrompt {
public:
    PasswordReply Ask(HWND, PasswordQuestion) override { return {}; }
    void Tell(HWND, PasswordNotice) override {}
};

TEST_F(StartedBackendTest, StartingABackendInstallsItsPrompt)
{
    ASSERT_TRUE(UseBackend("headless"));
    EXPECT_EQ(&CurrentPasswordPrompt(), &Backends().back().passwordPrompt());
    SilentPrompt installed;
    SetPasswordPrompt(&installed);
    ASSERT_TRUE(UseBackend("headless"));
    EXPECT_EQ(&CurrentPasswordPrompt(), &installed) << "a prompt a test installed stays in force";
}

TEST_F(StartedBackendTest, AnUnknownNameChangesNothing)
{
    ASSERT_TRUE(UseBackend("headless"));
    const auto before = CurrentWindowBackend();
    EXPECT_FALSE(UseBackend("nonesuch"));
    EXPECT_FALSE(UseBackend("headless:640x480x8")) << "a name, not a setting";
    EXPECT_EQ(CurrentWindowBackend(), before);
}

TEST_F(StartedBackendTest, TheOffscreenBackendHasTheAskedScreenAndTheLastEntrysServices)
{
    UseOffscreenBackend({300, 200, 8});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 300);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 200);
    EXPECT_NE(CurrentWindowBackend(), nullptr);
    EXPECT_EQ(&CurrentPasswordPrompt(), &Backends().back().passwordPrompt());
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
    ReleaseDC(nullptr, screen);
}

}  // namespace
