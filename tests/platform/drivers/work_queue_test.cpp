// Work handed to a backend's own thread.
#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/drivers/work_queue.h"

namespace {

using vesper::platform::WorkQueue;

bool Readable(int file)
{
    pollfd wait{file, POLLIN, 0};
    return poll(&wait, 1, 0) == 1;
}

TEST(WorkQueue, PostedWorkWakesTheThreadAndRunsThereInOrder)
{
    WorkQueue queue;
    ASSERT_TRUE(queue.Open());
    EXPECT_TRUE(queue.OnOwnThread());
    EXPECT_FALSE(Readable(queue.WakeFile()));
    std::vector<int> ran;
    std::thread([&] {
        EXPECT_FALSE(queue.OnOwnThread());
        queue.Post([&] { ran.push_back(1); });
        queue.Post([&] { ran.push_back(2); });
    }).join();
    EXPECT_TRUE(Readable(queue.WakeFile()));
    EXPECT_TRUE(queue.RunPending());
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_FALSE(Readable(queue.WakeFile())) << "the wake-up was taken with the work";
    EXPECT_FALSE(queue.RunPending());
}

TEST(WorkQueue, ACallWaitsForTheWorkAndBringsItsExceptionBack)
{
    WorkQueue queue;
    ASSERT_TRUE(queue.Open());
    std::atomic<bool> stop{false};
    int answer = 0;
    // The queue's thread is this one; another calls into it.
    std::thread caller([&] {
        queue.Call([&] { answer = 42; });
        EXPECT_THROW(queue.Call([] { throw std::runtime_error("refused"); }), std::runtime_error);
        stop = true;
    });
    while (!stop) {
        pollfd wait{queue.WakeFile(), POLLIN, 0};
        poll(&wait, 1, 50);
        queue.RunPending();
    }
    caller.join();
    EXPECT_EQ(answer, 42);
    // On the queue's own thread a call runs at once.
    queue.Call([&] { answer = 7; });
    EXPECT_EQ(answer, 7);
}

TEST(WorkQueue, OnceStoppedCallsAreDroppedButEarlierWorkStillRuns)
{
    WorkQueue queue;
    ASSERT_TRUE(queue.Open());
    bool early = false;
    queue.Post([&] { early = true; });
    EXPECT_TRUE(queue.Stop());
    EXPECT_FALSE(queue.Stop()) << "stopped once only";
    EXPECT_TRUE(queue.Stopped());
    bool late = false;
    std::thread([&] { queue.Call([&] { late = true; }); }).join();
    queue.RunPending();
    EXPECT_TRUE(early);
    EXPECT_FALSE(late);
}

}  // namespace
