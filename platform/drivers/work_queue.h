// Work that other threads hand to a backend's own thread, and the event file
// that wakes that thread for it. The thread's loop (SDL's video thread, the
// Wayland connection's) waits on WakeFile() beside its display connection
// and runs RunPending() each turn, until it is stopped.
#pragma once

#include "platform/internal.h"

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vesper::platform {

class WorkQueue {
public:
    WorkQueue() = default;
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // Makes the event file and takes the calling thread as the one that runs
    // the work; false when no event file can be had.
    bool Open();
    // Readable while work waits.
    int WakeFile() const { return m_wakeFile; }
    bool OnOwnThread() const;

    // Runs `work` on the queue's thread soon and returns at once.
    void Post(std::function<void()> work);
    // Runs `work` on the queue's thread and returns once it has run (at once
    // when called there); an exception it throws comes out here. The caller
    // must not hold a lock that the work takes. Dropped once stopped.
    void Call(const std::function<void()>& work);
    // Runs the work handed over so far (also what came before a stop);
    // false when there was none.
    bool RunPending();

    // Takes no more calls and wakes the thread, whose loop ends once it sees
    // Stopped(); false when it was stopped already.
    bool Stop();
    bool Stopped() const;

private:
    void Wake();

    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_work;
    bool m_wakePending = false;
    bool m_stopped = false;
    std::thread::id m_thread;
    int m_wakeFile = -1;
};

}  // namespace vesper::platform
