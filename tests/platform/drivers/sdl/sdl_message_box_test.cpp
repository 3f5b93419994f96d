// MessageBoxA on the SDL backend shows a real box on the X server, answered
// here with the keyboard through xdotool, without focusing the box first (it
// takes the focus itself) and with the pointer away from it.
#include <future>

#include "tests/platform/drivers/sdl/sdl_test_support.h"

namespace {

using namespace vesper::test;

class SdlMessageBoxTest : public SdlTest {
protected:
    void SetUp() override
    {
        SdlTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        SkipWithoutXdotool();
        if (IsSkipped())
            return;
        m_previous = vesper::platform::SetMessageBoxHandler(vesper::platform::sdl::ShowMessageBox);
    }
    void TearDown() override
    {
        vesper::platform::SetMessageBoxHandler(m_previous);
        SdlTest::TearDown();
    }

    // Shows a box on another thread, presses `key` in it, and gives the answer.
    std::optional<int> Answer(UINT type, const char* caption, const char* key)
    {
        std::future<int> answer = std::async(std::launch::async, [type, caption] {
            return MessageBoxA(nullptr, "The scene cannot be shown.", caption, type);
        });
        std::optional<XWindow> box;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!(box = m_x.FindByName(caption)) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!box) {
            ADD_FAILURE() << "no box named \"" << caption << "\" appeared";
            return std::nullopt;
        }
        RunCommand("xdotool mousemove 0 0");
        const std::string command = std::string("xdotool key ") + key;
        for (int tries = 0; tries < 50 && answer.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready;
             ++tries)
            RunCommand(command);
        if (answer.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "the box did not close";
            return std::nullopt;
        }
        return answer.get();
    }

    vesper::platform::MessageBoxHandler m_previous;
};

TEST_F(SdlMessageBoxTest, ReturnAndSpacePressTheDefaultButtonAndEscapeCancels)
{
#if defined(__SANITIZE_ADDRESS__)
    // SDL shows its box from a forked copy of this many-threaded process;
    // under AddressSanitizer that copy never shows it here. The shipped
    // player's boxes are checked in both builds by the damaged-saver and
    // password runs.
    GTEST_SKIP() << "SDL's forked message box does not show in this test process under AddressSanitizer";
#endif
    EXPECT_EQ(Answer(MB_YESNO | MB_ICONQUESTION, "Vesper yes or no", "Return"), IDYES);
    EXPECT_EQ(Answer(MB_OKCANCEL | MB_ICONEXCLAMATION, "Vesper OK or cancel", "space"), IDOK);
    EXPECT_EQ(Answer(MB_OKCANCEL | MB_ICONEXCLAMATION, "Vesper OK or cancel", "Escape"), IDCANCEL);
    EXPECT_EQ(Answer(MB_OK | MB_ICONHAND, "Vesper notice", "Escape"), IDOK);
    EXPECT_EQ(Answer(MB_OK | MB_ICONHAND, "Vesper notice", "space"), IDOK);
}

}  // namespace

namespace {

// The keys of a box, as on Windows, and the SDL buttons made from them.
TEST(MessageBoxKeys, EnterAndSpacePressTheDefaultEscapeCancelsOrPressesALoneOK)
{
    struct Row {
        UINT type;
        int enter, space, escape, other;
    };
    const Row rows[] = {
        {MB_OK, IDOK, IDOK, IDOK, 0},
        {MB_OK | MB_ICONHAND, IDOK, IDOK, IDOK, 0},
        {MB_OKCANCEL | MB_ICONEXCLAMATION, IDOK, IDOK, IDCANCEL, 0},
        {MB_YESNO, IDYES, IDYES, 0, 0},
    };
    for (const Row& row : rows) {
        using vesper::platform::AnswerOfKey;
        EXPECT_EQ(AnswerOfKey(row.type, VK_RETURN), row.enter) << row.type;
        EXPECT_EQ(AnswerOfKey(row.type, VK_SPACE), row.space) << row.type;
        EXPECT_EQ(AnswerOfKey(row.type, VK_ESCAPE), row.escape) << row.type;
        EXPECT_EQ(AnswerOfKey(row.type, 'A'), row.other) << row.type;
        // The answer a box without a handler gives is the default button's.
        testing::internal::CaptureStderr();
        EXPECT_EQ(vesper::platform::WriteMessageBoxToStandardError({nullptr, "text", "", row.type}), row.enter);
        testing::internal::GetCapturedStderr();

        int returnButtons = 0;
        for (const SDL_MessageBoxButtonData& button : vesper::platform::sdl::SdlButtonsOf(row.type)) {
            const bool onReturn = button.flags & SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            const bool onEscape = button.flags & SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            returnButtons += onReturn;
            EXPECT_EQ(onReturn, button.buttonid == row.enter) << row.type << " " << button.text;
            EXPECT_EQ(onEscape, button.buttonid == row.escape) << row.type << " " << button.text;
        }
        EXPECT_EQ(returnButtons, 1) << row.type;
    }
}

}  // namespace
