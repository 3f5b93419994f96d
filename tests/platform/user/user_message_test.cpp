#include <atomic>
#include <future>

#include "tests/platform/user/user_test_support.h"

namespace {

using vesper::test::MessageLog;
using vesper::test::TestClass;
using vesper::test::WaitFor;
using vesper::test::WaitForIncomingSend;
using vesper::test::WindowTest;

constexpr UINT kAsk = WM_USER + 1;
constexpr UINT kAskBack = WM_USER + 2;
constexpr UINT kNote = WM_USER + 3;

class MessageTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_window = MakePopup(m_class, {0, 0, 10, 10}, 0);
        ASSERT_NE(m_window, nullptr);
    }

    std::vector<UINT> HandledHere(std::initializer_list<UINT> kinds) const
    {
        return vesper::test::Only(MessageLog::Instance().MessagesOf(m_window), kinds);
    }

    TestClass m_class{"VesperMessageClass"};
    HWND m_window = nullptr;
};

// ---- Sending across threads ---------------------------------------------------

TEST_F(MessageTest, ASendFromAnotherThreadWaitsUntilTheWindowsThreadProcessesIt)
{
    MessageLog::Instance().SetResponder([](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kAsk)
            return static_cast<LRESULT>(wParam * 2);
        return std::nullopt;
    });
    std::atomic<bool> answered{false};
    auto sender = std::async(std::launch::async, [&] {
        const LRESULT result = SendMessageA(m_window, kAsk, 21, 0);
        answered = true;
        return result;
    });
    ASSERT_TRUE(WaitForIncomingSend());
    EXPECT_FALSE(answered) << "the sender stays blocked until the window's thread looks at its queue";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "a sent message is processed, never returned";
    EXPECT_EQ(sender.get(), 42);
    const auto asks = MessageLog::Instance().OfKind(kAsk);
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_EQ(asks[0].thread, GetCurrentThreadId()) << "the procedure ran on the window's own thread";
}

TEST_F(MessageTest, SentMessagesAreProcessedBeforePostedOnesAreReturned)
{
    ASSERT_TRUE(PostMessageA(m_window, kNote, 1, 0));
    auto sender = std::async(std::launch::async, [&] { return SendMessageA(m_window, kAsk, 0, 0); });
    ASSERT_TRUE(WaitForIncomingSend());
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, kNote);
    EXPECT_EQ(HandledHere({kAsk, kNote}), (std::vector<UINT>{kAsk})) << "the send ran inside GetMessageA";
    DispatchMessageA(&msg);
    EXPECT_EQ(HandledHere({kAsk, kNote}), (std::vector<UINT>{kAsk, kNote}));
    sender.get();
}

TEST_F(MessageTest, AThreadWaitingInASendProcessesMessagesSentToIt)
{
    // The other thread's window answers kAsk by asking this thread's window first.
    std::promise<HWND> made;
    std::promise<void> finished;
    std::thread owner([&] {
        TestClass otherClass("VesperNestedClass");
        HWND other = CreateWindowExA(0, otherClass.Name(), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                     nullptr);
        made.set_value(other);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(other);
    });
    const HWND other = made.get_future().get();
    const HWND mine = m_window;
    const DWORD ownerThread = GetWindowThreadProcessId(other, nullptr);
    MessageLog::Instance().SetResponder([&](HWND window, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (window == other && message == kAsk)
            return SendMessageA(mine, kAskBack, wParam + 1, 0) + 100;
        if (window == mine && message == kAskBack)
            return static_cast<LRESULT>(wParam * 10);
        return std::nullopt;
    });
    EXPECT_EQ(SendMessageA(other, kAsk, 4, 0), 150);
    const auto backs = MessageLog::Instance().OfKind(kAskBack);
    ASSERT_EQ(backs.size(), 1u);
    EXPECT_EQ(backs[0].thread, GetCurrentThreadId());
    EXPECT_TRUE(PostThreadMessageA(ownerThread, WM_QUIT, 0, 0));
    owner.join();
}

TEST_F(MessageTest, ASendToAWindowDestroyedBeforeItWasProcessedAnswersZero)
{
    std::promise<HWND> made;
    std::thread owner([&] {
        TestClass otherClass("VesperDoomedClass");
        MessageLog::Instance().SetResponder([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            return message == kAsk ? std::optional<LRESULT>(99) : std::nullopt;
        });
        HWND other = CreateWindowExA(0, otherClass.Name(), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                     nullptr);
        made.set_value(other);
        WaitForIncomingSend();
        DestroyWindow(other);  // never looks at its queue
    });
    const HWND other = made.get_future().get();
    EXPECT_EQ(SendMessageA(other, kAsk, 0, 0), 0);
    owner.join();
    EXPECT_TRUE(MessageLog::Instance().OfKind(kAsk).empty());
}

TEST_F(MessageTest, ASendToAThreadThatEndsAnswersZero)
{
    std::promise<HWND> made;
    std::thread owner([&] {
        TestClass otherClass("VesperEndingClass");
        made.set_value(CreateWindowExA(0, otherClass.Name(), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                       nullptr));
        WaitForIncomingSend();
    });
    EXPECT_EQ(SendMessageA(made.get_future().get(), kAsk, 0, 0), 0);
    owner.join();
}

TEST_F(MessageTest, SendNotifyMessageDoesNotWaitForAnotherThread)
{
    auto notifier = std::async(std::launch::async, [&] { return SendNotifyMessageA(m_window, kNote, 5, 0); });
    EXPECT_TRUE(notifier.get()) << "returned although this thread has not looked at its queue";
    EXPECT_TRUE(HandledHere({kNote}).empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(HandledHere({kNote}), (std::vector<UINT>{kNote}));
}

TEST_F(MessageTest, DispatchingToAnotherThreadsWindowIsRefused)
{
    MSG msg{m_window, kNote, 0, 0, 0, {0, 0}};
    LRESULT result = 1;
    std::thread([&] { result = DispatchMessageA(&msg); }).join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(HandledHere({kNote}).empty());
}

// ---- Retrieval ------------------------------------------------------------------

TEST_F(MessageTest, PeekMessageTakesOnlyTheRangeAskedForAndLeavesMessagesWithNoRemove)
{
    PostMessageA(m_window, WM_USER + 1, 0, 0);
    PostMessageA(m_window, WM_USER + 2, 0, 0);
    PostMessageA(m_window, WM_USER + 0x100, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 0xFF, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 0xFF, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u) << "PM_NOREMOVE left it";
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 0xFF, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 0x101, WM_USER + 0x100, PM_REMOVE))
        << "a range whose first value lies above its last holds nothing";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u) << "both bounds 0: everything, oldest first";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 0x100, WM_USER + 0x100, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, TheWindowFilterTakesTheWindowAndItsChildrenOrThreadMessagesOnly)
{
    HWND child = MakeChild(m_class, m_window, {0, 0, 5, 5}, 0);
    HWND stranger = MakePopup(m_class, {0, 0, 5, 5}, 0);
    PostMessageA(stranger, kNote, 1, 0);
    PostMessageA(nullptr, kNote, 2, 0);
    PostMessageA(child, kNote, 3, 0);
    PostMessageA(m_window, kNote, 4, 0);
    MSG msg;
    const auto threadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
    ASSERT_TRUE(PeekMessageA(&msg, m_window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u) << "a child's message counts for its parent";
    ASSERT_TRUE(PeekMessageA(&msg, m_window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_FALSE(PeekMessageA(&msg, m_window, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, threadOnly, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, threadOnly, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, stranger);

    const auto stale = reinterpret_cast<HWND>(std::uintptr_t{0x7FFF0000});
    EXPECT_FALSE(PeekMessageA(&msg, stale, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(&msg, stale, 0, 0), -1);
}

TEST_F(MessageTest, TheQuitMessageComesAfterPostedMessagesWhateverTheRange)
{
    PostMessageA(m_window, kNote, 1, 0);
    PostQuitMessage(3);
    PostMessageA(m_window, kNote, 2, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, m_window, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT belongs to no window";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 0x500, WM_USER + 0x600, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << "taken whatever the range, here left in place";
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "taken once";
}

TEST_F(MessageTest, GetMessageWaitsForAPostFromAnotherThread)
{
    auto poster = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return PostMessageA(m_window, kNote, 8, 0);
    });
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, kNote);
    EXPECT_EQ(msg.wParam, 8u);
    EXPECT_TRUE(poster.get());
}

TEST_F(MessageTest, ThreadMessagesNeedAThreadWithAQueue)
{
    EXPECT_FALSE(PostThreadMessageA(0xFFFFFF, kNote, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    EXPECT_TRUE(PostThreadMessageA(GetCurrentThreadId(), kNote, 6, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 6u);
    EXPECT_EQ(DispatchMessageA(&msg), 0) << "thread messages are not dispatched";
}

TEST_F(MessageTest, QueueStatusReportsWhatWaitsAndWhatIsNew)
{
    GetQueueStatus(QS_ALLINPUT);
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
    PostMessageA(m_window, kNote, 0, 0);
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), static_cast<DWORD>(MAKELONG(QS_POSTMESSAGE, QS_POSTMESSAGE)));
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), static_cast<DWORD>(MAKELONG(0, QS_POSTMESSAGE)))
        << "no longer new, still there";
    Drain();
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
}

}  // namespace
