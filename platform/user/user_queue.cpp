// Message queues: posting, sending across threads, retrieval in Windows'
// order (sent, posted, WM_QUIT, input, WM_PAINT, WM_TIMER) and dispatch.
#include <algorithm>

#include "platform/kernel/clock.h"
#include "platform/user/user_state.h"
#include "platform/user/user_timer.h"

namespace vesper::platform::user {

namespace {

// How many window procedures the calling thread is running, one inside the other.
thread_local int procedureDepth = 0;

class ProcedureDepth {
public:
    ProcedureDepth() { ++procedureDepth; }
    ~ProcedureDepth() { --procedureDepth; }
    ProcedureDepth(const ProcedureDepth&) = delete;
    ProcedureDepth& operator=(const ProcedureDepth&) = delete;
};

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

struct Filter {
    HWND window;
    UINT first;
    UINT last;

    bool MatchesMessage(UINT message) const
    {
        return (first == 0 && last == 0) || (message >= first && message <= last);
    }
    bool MatchesWindow(HWND target) const
    {
        if (!window)
            return true;
        if (window == kThreadMessagesOnly)
            return target == nullptr;
        return target && IsDescendant(window, target);
    }
    bool Matches(const MSG& msg) const { return MatchesWindow(msg.hwnd) && MatchesMessage(msg.message); }
    bool TakesThreadMessages() const { return !window || window == kThreadMessagesOnly; }
};

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return MSG{window, message, wParam, lParam, GetTickCount(), GetState().cursor};
}

std::optional<MSG> TakePosted(ThreadQueue& queue, const Filter& filter, bool remove)
{
    const auto found = std::find_if(queue.posted.begin(), queue.posted.end(), [&](const MSG& msg) { return filter.Matches(msg); });
    if (found == queue.posted.end())
        return std::nullopt;
    const MSG msg = *found;
    if (remove)
        queue.posted.erase(found);
    return msg;
}

std::optional<MSG> TakeQuit(ThreadQueue& queue, const Filter& filter, bool remove)
{
    if (!queue.quitPosted || !filter.TakesThreadMessages())
        return std::nullopt;
    if (remove)
        queue.quitPosted = false;
    return MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
}

std::optional<MSG> PaintMessage(const Filter& filter)
{
    if (!filter.MatchesMessage(WM_PAINT))
        return std::nullopt;
    const DWORD thread = CurrentThread();
    for (const auto& [key, window] : GetState().windows) {
        if (window->foreign || window->thread != thread || IsRectEmpty(&window->update) || !IsShown(*window))
            continue;
        if (filter.MatchesWindow(window->handle))
            return MakeMessage(window->handle, WM_PAINT, 0, 0);
    }
    return std::nullopt;
}

std::optional<MSG> TimerMessage(const Filter& filter, bool remove)
{
    if (!filter.MatchesMessage(WM_TIMER))
        return std::nullopt;
    WindowTimer* timer = DueTimerLocked(CurrentThread(), [&](HWND window) { return filter.MatchesWindow(window); });
    if (!timer)
        return std::nullopt;
    const MSG msg = MakeMessage(timer->window, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->procedure));
    if (remove)
        RestartTimerLocked(*timer);
    return msg;
}

// Finds the next message for the filter, processing incoming sent messages
// first (the lock is released while they run, so the search starts over).
std::optional<MSG> Retrieve(Lock& lock, const Filter& filter, bool remove)
{
    for (;;) {
        while (ProcessOneIncomingSend(lock)) {
        }
        ThreadQueue& queue = CurrentQueue();
        if (auto msg = TakePosted(queue, filter, remove))
            return msg;
        if (auto msg = TakeQuit(queue, filter, remove))
            return msg;
        const auto input =
            std::find_if(queue.input.begin(), queue.input.end(), [&](const InputMessage& entry) { return filter.Matches(entry.msg); });
        if (input != queue.input.end()) {
            const MSG msg = input->msg;
            if (IsMouseMessage(msg.message) && !input->cursorAnnounced && !GetState().capture) {
                input->cursorAnnounced = true;
                CallProcedure(lock, msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg.hwnd),
                              MAKELPARAM(HTCLIENT, msg.message));
                continue;
            }
            if (remove) {
                queue.input.erase(input);
                NoteRetrievedInput(queue, msg);
            }
            return msg;
        }
        if (auto msg = PaintMessage(filter))
            return msg;
        return TimerMessage(filter, remove);
    }
}

// The QS_* kinds of message the calling thread's queue holds now.
UINT CurrentStatusLocked(ThreadQueue& queue)
{
    UINT status = 0;
    if (!queue.sent.empty())
        status |= QS_SENDMESSAGE;
    if (!queue.posted.empty() || queue.quitPosted)
        status |= QS_POSTMESSAGE;
    for (const InputMessage& input : queue.input)
        status |= InputStatusOf(input.msg.message);
    const Filter anything{nullptr, 0, 0};
    if (PaintMessage(anything))
        status |= QS_PAINT;
    if (DueTimerLocked(queue.thread, [](HWND) { return true; }))
        status |= QS_TIMER;
    return status;
}

bool OwnsOrphansLocked()
{
    const DWORD thread = CurrentThread();
    return std::any_of(GetState().orphans.begin(), GetState().orphans.end(), [thread](HWND orphan) {
        const Window* record = FindWindowRecord(orphan);
        return record && record->thread == thread;
    });
}

// What the queue needs from outside before it is looked at: input taken from
// the backend, windows whose parent went away destroyed, drawing shown.
void PrepareQueueCheck()
{
    PumpInput();
    std::vector<HWND> orphans;
    {
        Lock lock = LockState();
        State& state = GetState();
        const DWORD thread = CurrentThread();
        for (HWND orphan : state.orphans)
            if (const Window* record = FindWindowRecord(orphan); record && record->thread == thread)
                orphans.push_back(orphan);
        std::erase_if(state.orphans,
                      [&](HWND orphan) { return std::find(orphans.begin(), orphans.end(), orphan) != orphans.end(); });
    }
    for (HWND orphan : orphans)
        DestroyWindow(orphan);
    CurrentWindowBackend()->PresentChanges();
}

// When a thread waiting for the filter's messages must look again: when a
// timer falls due, or after `inputPoll` milliseconds for a backend that is polled.
std::uint64_t WakeDeadline(const Filter& filter, std::uint32_t inputPoll)
{
    std::uint64_t deadline = filter.MatchesMessage(WM_TIMER)
                                 ? NextTimerDueLocked(CurrentThread(),
                                                      [&](HWND window) { return filter.MatchesWindow(window); })
                                 : kNoDeadline;
    if (inputPoll)
        deadline = std::min(deadline, CurrentClock().NowMilliseconds() + inputPoll);
    return deadline;
}

// A window filter must name a window of the calling thread.
bool CheckFilterWindow(HWND window)
{
    if (!window || window == kThreadMessagesOnly)
        return true;
    Lock lock = LockState();
    const Window* record = RequireWindow(window);
    return record && !record->foreign && record->thread == CurrentThread();
}

void PostLocked(ThreadQueue& queue, const MSG& msg)
{
    queue.posted.push_back(msg);
    queue.arrived |= QS_POSTMESSAGE;
    WakeWaiters();
}

// Sends to every top-level window (HWND_BROADCAST).
std::vector<HWND> TopLevelWindowsLocked()
{
    std::vector<HWND> windows;
    for (HWND root : GetState().zOrder)
        if (const Window* record = FindWindowRecord(root); record && !record->IsChild())
            windows.push_back(root);
    return windows;
}

enum class Delivery { Wait, NoWait };

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Delivery delivery)
{
    AdoptForeignWindow(window);
    Lock lock = LockState();
    const Window* record = RequireWindow(window);
    if (!record)
        return 0;
    if (record->foreign) {
        // Another program's window: it gets the message, its answer does not come back.
        const NativeWindowId native = record->native;
        lock.unlock();
        const bool delivered = CurrentWindowBackend()->DeliverToForeignWindow(native, message, wParam, lParam);
        return delivery == Delivery::NoWait ? delivered : 0;
    }
    if (record->thread == CurrentThread()) {
        const LRESULT result = CallProcedure(lock, window, message, wParam, lParam);
        return delivery == Delivery::Wait ? result : TRUE;
    }
    ThreadQueue* target = QueueOf(record->thread);
    if (!target)
        return 0;
    auto send = std::make_shared<SentMessage>();
    *send = SentMessage{window, message, wParam, lParam, CurrentThread(), delivery == Delivery::Wait};
    target->sent.push_back(send);
    target->arrived |= QS_SENDMESSAGE;
    WakeWaiters();
    if (delivery == Delivery::NoWait)
        return TRUE;
    while (!send->answered)
        if (!ProcessOneIncomingSend(lock))
            WaitUntil(lock, kNoDeadline);
    return send->result;
}

// Sends to the window, or with HWND_BROADCAST to every top-level window (the
// result then is 0).
LRESULT SendToOneOrAll(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, Delivery delivery)
{
    if (hWnd != HWND_BROADCAST)
        return Send(hWnd, message, wParam, lParam, delivery);
    std::vector<HWND> windows;
    {
        Lock lock = LockState();
        windows = TopLevelWindowsLocked();
    }
    for (HWND window : windows)
        Send(window, message, wParam, lParam, delivery);
    return 0;
}

}  // namespace

bool ProcessOneIncomingSend(Lock& lock)
{
    ThreadQueue* queue = QueueOf(CurrentThread());
    if (!queue || queue->sent.empty())
        return false;
    const std::shared_ptr<SentMessage> send = queue->sent.front();
    queue->sent.pop_front();
    queue->processingSendsFrom.push_back(send->sender);
    LRESULT result = 0;
    try {
        result = CallProcedure(lock, send->window, send->message, send->wParam, send->lParam);
    } catch (...) {
        // The sender must not wait for ever for a procedure that failed.
        lock.lock();
        queue->processingSendsFrom.pop_back();
        send->answered = true;
        WakeWaiters();
        throw;
    }
    queue->processingSendsFrom.pop_back();
    send->result = result;
    send->answered = true;
    WakeWaiters();
    return true;
}

bool IsProcessingSendFrom(DWORD thread)
{
    const ThreadQueue* queue = QueueOf(CurrentThread());
    return queue && std::find(queue->processingSendsFrom.begin(), queue->processingSendsFrom.end(), thread) != queue->processingSendsFrom.end();
}

LRESULT CallProcedure(Lock& lock, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Window* record = FindWindowRecord(window);
    if (!record || record->foreign || !record->procedure)
        return 0;
    const WNDPROC procedure = record->procedure;
    lock.unlock();
    LRESULT result = 0;
    {
        const ProcedureDepth depth;
        result = procedure(window, message, wParam, lParam);
    }
    // What the outermost procedure drew is shown before its message is
    // answered: a frame drawn inside a sent message is on its way to the
    // screen when the sender goes on.
    if (!InsideWindowProcedure())
        CurrentWindowBackend()->PresentChanges();
    lock.lock();
    return result;
}

}  // namespace vesper::platform::user

namespace vesper::platform {

bool InsideWindowProcedure()
{
    return user::procedureDepth > 0;
}

}  // namespace vesper::platform

using namespace vesper::platform;
using namespace vesper::platform::user;

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!CheckFilterWindow(hWnd))
        return -1;
    const Filter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
    for (;;) {
        PrepareQueueCheck();
        const std::uint32_t inputPoll = CurrentWindowBackend()->InputPollMilliseconds();
        Lock lock = LockState();
        CurrentQueue().arrived = 0;
        if (const auto msg = Retrieve(lock, filter, true)) {
            CurrentQueue().lastMessageTime = msg->time;
            *lpMsg = *msg;
            return msg->message != WM_QUIT;
        }
        if (!GetState().inputPending && !OwnsOrphansLocked())
            WaitUntil(lock, WakeDeadline(filter, inputPoll));
    }
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg || !CheckFilterWindow(hWnd))
        return FALSE;
    PrepareQueueCheck();
    Lock lock = LockState();
    CurrentQueue().arrived = 0;
    const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    const auto msg = Retrieve(lock, Filter{hWnd, wMsgFilterMin, wMsgFilterMax}, remove);
    if (!msg)
        return FALSE;
    if (remove)
        CurrentQueue().lastMessageTime = msg->time;
    *lpMsg = *msg;
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* lpMsg)
{
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        // Only the procedure of a live timer is called, never an address that
        // merely came with a posted message.
        const auto procedure = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        {
            Lock lock = LockState();
            if (!HasTimerLocked(lpMsg->hwnd, lpMsg->wParam, CurrentThread(), procedure))
                return 0;
        }
        procedure(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
        return 0;
    }
    if (!lpMsg->hwnd)
        return 0;
    Lock lock = LockState();
    const Window* record = RequireWindow(lpMsg->hwnd);
    if (!record)
        return 0;
    if (record->foreign || record->thread != CurrentThread()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    return CallProcedure(lock, lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd == HWND_BROADCAST) {
        Lock lock = LockState();
        for (HWND window : TopLevelWindowsLocked())
            if (ThreadQueue* queue = QueueOf(FindWindowRecord(window)->thread))
                PostLocked(*queue, MakeMessage(window, Msg, wParam, lParam));
        return TRUE;
    }
    if (!hWnd) {
        Lock lock = LockState();
        PostLocked(CurrentQueue(), MakeMessage(nullptr, Msg, wParam, lParam));
        return TRUE;
    }
    AdoptForeignWindow(hWnd);
    Lock lock = LockState();
    const Window* record = RequireWindow(hWnd);
    if (!record)
        return FALSE;
    if (record->foreign) {
        const NativeWindowId native = record->native;
        lock.unlock();
        return CurrentWindowBackend()->DeliverToForeignWindow(native, Msg, wParam, lParam) ? TRUE : FALSE;
    }
    ThreadQueue* queue = QueueOf(record->thread);
    if (!queue)
        return FALSE;
    PostLocked(*queue, MakeMessage(hWnd, Msg, wParam, lParam));
    return TRUE;
}

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Lock lock = LockState();
    ThreadQueue* queue = QueueOf(idThread);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    PostLocked(*queue, MakeMessage(nullptr, Msg, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int nExitCode)
{
    Lock lock = LockState();
    ThreadQueue& queue = CurrentQueue();
    queue.quitPosted = true;
    queue.quitCode = nExitCode;
    queue.arrived |= QS_POSTMESSAGE;
    WakeWaiters();
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return SendToOneOrAll(hWnd, Msg, wParam, lParam, Delivery::Wait);
}

BOOL SendNotifyMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = SendToOneOrAll(hWnd, Msg, wParam, lParam, Delivery::NoWait);
    return hWnd == HWND_BROADCAST || result != 0;
}

DWORD GetQueueStatus(UINT flags)
{
    PumpInput();
    Lock lock = LockState();
    ThreadQueue& queue = CurrentQueue();
    const UINT current = CurrentStatusLocked(queue) & flags;
    const UINT arrived = (queue.arrived | (current & (QS_TIMER | QS_PAINT))) & current;
    queue.arrived &= ~flags;
    return MAKELONG(arrived, current);
}

BOOL InSendMessage()
{
    Lock lock = LockState();
    const ThreadQueue* queue = QueueOf(CurrentThread());
    return queue && !queue->processingSendsFrom.empty();
}

DWORD GetCurrentThreadId()
{
    return CurrentThread();
}

DWORD GetMessageTime()
{
    Lock lock = LockState();
    const ThreadQueue* queue = QueueOf(CurrentThread());
    return queue ? queue->lastMessageTime : 0;
}
