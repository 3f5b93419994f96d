// MessageBoxA on the SDL backend shows a real box on the X server, answered
// here with the keyboard through xdotool.
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
        const std::string command = "xdotool windowfocus --sync " + std::to_string(*box) + " key " + key;
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

TEST_F(SdlMessageBoxTest, ReturnChoosesTheFirstButtonAndEscapeTheLast)
{
    EXPECT_EQ(Answer(MB_YESNO | MB_ICONQUESTION, "Vesper yes or no", "Return"), IDYES);
    EXPECT_EQ(Answer(MB_YESNO | MB_ICONQUESTION, "Vesper yes or no", "Escape"), IDNO);
    EXPECT_EQ(Answer(MB_OKCANCEL | MB_ICONEXCLAMATION, "Vesper OK or cancel", "Escape"), IDCANCEL);
    EXPECT_EQ(Answer(MB_OK | MB_ICONHAND, "Vesper notice", "Escape"), IDOK);
}

}  // namespace
