// Running the saver for real inside a test: the scene is appended to a copy
// of this test program, whose patchable block is rewritten to point at it, and
// one test of that copy runs in a process of its own. Inside, the saver
// procedure finds the scene where the player would: after its own image.
//
// The tests that run inside such a copy are the disabled tests of one suite;
// a parent test runs each of them in its own process (the saver's globals,
// such as the closing flag and the last tick time, live as long as a process).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/headless/headless_windows.h"
#include "tests/support/platform/headless_input.h"
#include "tests/support/platform/password_headless.h"
#include "platform/password/password_provider.h"
#include "platform/password/password_store.h"
#include "platform/win32.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/test_data.h"

namespace vesper::test {

inline constexpr const char* kTestStrings = "Crépuscule|par l'équipe de test";

// A copy of this program with `scene` appended and string resource 1 set.
// The copy lives as long as the process that made it.
std::filesystem::path PackIntoCopyOfThisProgram(const std::vector<BYTE>& scene, const std::string& name,
                                                const std::string& strings = kTestStrings);

// Runs every disabled test of `suite` in `program`, each in its own process
// with an empty user folder, and fails the calling test for each that did not
// pass, with its output.
void RunEachInOwnProcess(const std::filesystem::path& program, const std::string& suite);

// The test scene: a solid blue background and two sprites that move.
std::vector<BYTE> TestSceneBytes();
inline constexpr COLORREF kTestBackground = RGB(0, 0, 255);

// The fixture of the tests that run inside a packed copy: a 640 x 480
// true-colour screen, a headless backend, a manual clock, and the message
// boxes recorded instead of shown.
class InPackedSaver : public ::testing::Test {
protected:
    InPackedSaver();
    ~InPackedSaver() override;

    // Takes and dispatches everything the thread's queue holds.
    static void PumpAll();
    // Advances the clock one step at a time, letting the multimedia timer
    // deliver whatever fell due after each step, and pumps.
    void AdvanceBy(DWORD milliseconds, DWORD step = 1);
    // The cursor position now, moved by (dx, dy), as scripted input.
    static void MoveMouseBy(int dx, int dy);

    // The messages of a window as its procedure received them, with the time
    // of the test clock, from when it was watched on.
    struct Received {
        UINT message;
        DWORD time;
    };
    static void Watch(HWND window);
    static std::vector<Received> ReceivedOf(UINT message);

    platform::HeadlessDisplay* screen = nullptr;
    ManualClockScope clock;
    std::vector<std::string> boxes;
};

// A packed saver guarded by the password "lune", with no answers scripted
// and no retry delay pending.
class InPackedSaverWithPassword : public InPackedSaver {
protected:
    void SetUp() override
    {
        platform::headless::UseScriptedPasswordPrompt();
        platform::headless::ResetPasswordScript();
        platform::ResetPasswordRetryDelay();
        auto secret = platform::SecretText::From("lune");
        ASSERT_TRUE(secret);
        ASSERT_EQ(platform::StorePassword(*secret), static_cast<DWORD>(NO_ERROR));
    }

    // A key pressed and released, and everything it caused dispatched.
    static void PressKey()
    {
        platform::headless::KeyDown('K');
        platform::headless::KeyUp('K');
        PumpAll();
    }
};

}  // namespace vesper::test
