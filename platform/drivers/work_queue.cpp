#include "platform/drivers/work_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <exception>
#include <future>

namespace vesper::platform {

WorkQueue::~WorkQueue()
{
    if (m_wakeFile >= 0)
        close(m_wakeFile);
}

bool WorkQueue::Open()
{
    m_thread = std::this_thread::get_id();
    m_wakeFile = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return m_wakeFile >= 0;
}

bool WorkQueue::OnOwnThread() const
{
    std::lock_guard lock(m_mutex);
    return std::this_thread::get_id() == m_thread;
}

void WorkQueue::Post(std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
    }
    Wake();
}

void WorkQueue::Call(const std::function<void()>& work)
{
    if (OnOwnThread()) {
        work();
        return;
    }
    // Once stopped, nothing would run the work: it is dropped.
    if (Stopped())
        return;
    std::promise<void> finished;
    Post([&work, &finished] {
        try {
            work();
            finished.set_value();
        } catch (...) {
            finished.set_exception(std::current_exception());
        }
    });
    finished.get_future().get();
}

bool WorkQueue::RunPending()
{
    std::uint64_t wakes = 0;
    while (read(m_wakeFile, &wakes, sizeof wakes) > 0) {
    }
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(m_mutex);
        work.swap(m_work);
        m_wakePending = false;
    }
    for (const auto& item : work)
        item();
    return !work.empty();
}

bool WorkQueue::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return false;
        m_stopped = true;
        m_wakePending = false;
    }
    Wake();
    return true;
}

bool WorkQueue::Stopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

void WorkQueue::Wake()
{
    // One wake-up waiting is enough, however much work waits.
    {
        std::lock_guard lock(m_mutex);
        if (m_wakePending)
            return;
        m_wakePending = true;
    }
    const std::uint64_t one = 1;
    while (write(m_wakeFile, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

}  // namespace vesper::platform
