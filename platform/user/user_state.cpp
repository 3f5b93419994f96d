// The window layer's state, the threads' queues and window geometry.
#include "platform/user/user_state.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/drivers/display.h"

namespace vesper::platform::user {

namespace {

std::atomic<DWORD> nextThreadId{1};

// Removes the thread's windows, timers and queue when the thread ends. The
// windows get no messages any more (their thread is gone), but the windows
// they covered repaint; messages still waiting for an answer from it are
// answered 0.
struct QueueOwner {
    ~QueueOwner()
    {
        std::vector<NativeWindowId> natives;
        {
            Lock lock = LockState();
            State& state = GetState();
            const DWORD thread = CurrentThread();
            std::vector<HWND> owned;
            for (const auto& [key, window] : state.windows)
                if (!window->foreign && window->thread == thread)
                    owned.push_back(window->handle);
            for (HWND window : owned) {
                if (Window* record = FindWindowRecord(window))
                    InvalidateUncoveredLocked(*record);
                if (const NativeWindowId native = RemoveWindowLocked(window))
                    natives.push_back(native);
            }
            std::erase_if(state.timers, [thread](const WindowTimer& timer) { return timer.thread == thread; });
            if (const auto found = state.queues.find(thread); found != state.queues.end()) {
                for (const auto& send : found->second->sent)
                    send->answered = true;
                state.queues.erase(found);
            }
        }
        WakeWaiters();
        if (!natives.empty()) {
            const auto backend = CurrentWindowBackend();
            for (NativeWindowId native : natives)
                backend->DestroyNativeWindow(native);
        }
    }
};

}  // namespace

Lock LockState()
{
    return Lock(WaitMutex());
}

State& GetState()
{
    // Kept alive past static destruction: threads may end after it.
    static auto* state = [] {
        auto* made = new State;
        made->nextHandle = kDesktopWindow + kHandleStep;
        made->nextAtom = kFirstClassAtom;
        made->nextThreadTimer = 1;
        made->cursorShape = SystemCursor(IDC_ARROW);
        return made;
    }();
    return *state;
}

DWORD CurrentThread()
{
    thread_local const DWORD id = nextThreadId++;
    return id;
}

ThreadQueue& CurrentQueue()
{
    thread_local QueueOwner owner;
    auto& queue = GetState().queues[CurrentThread()];
    if (!queue) {
        queue = std::make_unique<ThreadQueue>();
        queue->thread = CurrentThread();
    }
    return *queue;
}

ThreadQueue* QueueOf(DWORD thread)
{
    auto& queues = GetState().queues;
    const auto found = queues.find(thread);
    return found == queues.end() ? nullptr : found->second.get();
}

bool IsDesktop(HWND window)
{
    return reinterpret_cast<std::uintptr_t>(window) == kDesktopWindow;
}

Window* FindWindowRecord(HWND window)
{
    auto& windows = GetState().windows;
    const auto found = windows.find(reinterpret_cast<std::uintptr_t>(window));
    return found == windows.end() ? nullptr : found->second.get();
}

Window* RequireWindow(HWND window)
{
    Window* record = FindWindowRecord(window);
    if (!record)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return record;
}

bool IsDescendant(HWND ancestor, HWND window)
{
    for (const Window* record = FindWindowRecord(window); record; record = FindWindowRecord(record->parent)) {
        if (record->handle == ancestor)
            return true;
        if (!record->IsChild())
            return false;
    }
    return false;
}

Window* RootOf(Window& window)
{
    Window* current = &window;
    while (current->IsChild()) {
        Window* parent = FindWindowRecord(current->parent);
        if (!parent || parent->foreign)
            break;
        current = parent;
    }
    return current;
}

bool HasNativeWindow(const Window& window)
{
    return !window.foreign && window.native != 0;
}

bool IsShown(const Window& window)
{
    if (window.foreign)
        return true;
    if (!window.Visible())
        return false;
    const Window* parent = window.IsChild() ? FindWindowRecord(window.parent) : nullptr;
    return parent ? IsShown(*parent) : true;
}

RECT ClientOnScreen(const Window& window)
{
    RECT area{0, 0, window.Width(), window.Height()};
    const Window* parent = window.IsChild() ? FindWindowRecord(window.parent) : nullptr;
    if (window.foreign || !parent)
        return window.rect;
    const RECT parentArea = ClientOnScreen(*parent);
    OffsetRect(&area, parentArea.left + window.rect.left, parentArea.top + window.rect.top);
    return area;
}

RECT VisibleOnScreen(const Window& window)
{
    RECT area{0, 0, 0, 0};
    if (!IsShown(window))
        return area;
    area = ClientOnScreen(window);
    if (const Window* parent = window.IsChild() ? FindWindowRecord(window.parent) : nullptr) {
        const RECT parentArea = VisibleOnScreen(*parent);
        IntersectRect(&area, &area, &parentArea);
    }
    return area;
}

namespace {

HWND DeepestAt(const Window& window, POINT point)
{
    for (auto child = window.children.rbegin(); child != window.children.rend(); ++child) {
        const Window* record = FindWindowRecord(*child);
        if (!record || !IsEnabled(*record))
            continue;
        const RECT area = VisibleOnScreen(*record);
        if (PtInRect(&area, point))
            return DeepestAt(*record, point);
    }
    return window.handle;
}

}  // namespace

HWND WindowAt(POINT screenPoint)
{
    for (HWND root : GetState().zOrder) {
        const Window* record = FindWindowRecord(root);
        if (!record)
            continue;
        const RECT area = VisibleOnScreen(*record);
        if (PtInRect(&area, screenPoint))
            return IsEnabled(*record) ? DeepestAt(*record, screenPoint) : nullptr;
    }
    return nullptr;
}

bool IsEnabled(const Window& window)
{
    return !(window.style & WS_DISABLED);
}

namespace {

// Invalidates the part of the window's client area that lies under a screen
// area, erasing it.
void InvalidateUnderLocked(Window& window, const RECT& screenArea)
{
    const RECT client = ClientOnScreen(window);
    RECT under;
    if (!IntersectRect(&under, &client, &screenArea))
        return;
    OffsetRect(&under, -client.left, -client.top);
    InvalidateLocked(window, &under, true);
}

}  // namespace

void PlaceInFrontLocked(HWND window)
{
    auto& order = GetState().zOrder;
    const auto previous = std::find(order.begin(), order.end(), window);
    const bool wasOrdered = previous != order.end();
    const auto oldIndex = previous - order.begin();
    if (wasOrdered)
        order.erase(previous);
    Window* record = FindWindowRecord(window);
    auto position = order.begin();
    if (!record || !(record->exStyle & WS_EX_TOPMOST))
        position = std::find_if(order.begin(), order.end(), [](HWND other) {
            const Window* otherRecord = FindWindowRecord(other);
            return !otherRecord || !(otherRecord->exStyle & WS_EX_TOPMOST);
        });
    // The windows between its new place and its old one were in front of it.
    std::vector<HWND> passed;
    if (wasOrdered && position - order.begin() < oldIndex)
        passed.assign(position, order.begin() + oldIndex);
    order.insert(position, window);
    if (passed.empty() || !record || !IsShown(*record))
        return;
    for (HWND other : passed)
        if (const Window* otherRecord = FindWindowRecord(other); otherRecord && IsShown(*otherRecord))
            InvalidateUnderLocked(*record, ClientOnScreen(*otherRecord));
    WakeWaiters();
}

std::vector<RECT> AreasInFrontOf(Window& window)
{
    const HWND root = RootOf(window)->handle;
    std::vector<RECT> areas;
    for (HWND other : GetState().zOrder) {
        if (other == root)
            return areas;
        if (const Window* record = FindWindowRecord(other); record && IsShown(*record))
            areas.push_back(ClientOnScreen(*record));
    }
    return {};
}

void InvalidateUncoveredLocked(Window& window)
{
    if (!IsShown(window))
        return;
    if (Window* parent = window.IsChild() ? FindWindowRecord(window.parent) : nullptr)
        InvalidateLocked(*parent, &window.rect, true);
    const auto& order = GetState().zOrder;
    const auto behind = std::find(order.begin(), order.end(), window.handle);
    if (behind == order.end())
        return;
    const RECT area = ClientOnScreen(window);
    for (auto other = std::next(behind); other != order.end(); ++other)
        if (Window* record = FindWindowRecord(*other))
            InvalidateUnderLocked(*record, area);
    WakeWaiters();
}

void InvalidateLocked(Window& window, const RECT* area, bool erase)
{
    if (window.foreign || !IsShown(window))
        return;
    const RECT client{0, 0, window.Width(), window.Height()};
    RECT invalid = client;
    if (area && !IntersectRect(&invalid, area, &client))
        return;
    if (IsRectEmpty(&invalid))
        return;
    UnionRect(&window.update, &window.update, &invalid);
    window.eraseUpdate = window.eraseUpdate || erase;
    if (window.style & WS_CLIPCHILDREN)
        return;
    for (HWND child : window.children) {
        Window* record = FindWindowRecord(child);
        if (!record)
            continue;
        RECT childArea = invalid;
        OffsetRect(&childArea, -record->rect.left, -record->rect.top);
        InvalidateLocked(*record, &childArea, erase);
    }
}

void AdoptForeignWindow(HWND window)
{
    if (!window || IsDesktop(window) || window == HWND_BROADCAST)
        return;
    {
        Lock lock = LockState();
        if (FindWindowRecord(window))
            return;
    }
    const auto native = reinterpret_cast<NativeWindowId>(window);
    const std::optional<RECT> area = CurrentWindowBackend()->FindForeignWindow(native);
    if (!area)
        return;
    Lock lock = LockState();
    auto& slot = GetState().windows[native];
    if (slot)
        return;
    slot = std::make_unique<Window>();
    slot->handle = window;
    slot->foreign = true;
    slot->native = native;
    slot->style = WS_VISIBLE;
    slot->rect = *area;
}

void ForgetForeignWindows()
{
    {
        Lock lock = LockState();
        std::vector<HWND> foreign;
        for (const auto& [key, window] : GetState().windows)
            if (window->foreign)
                foreign.push_back(window->handle);
        for (HWND window : foreign)
            RemoveWindowLocked(window);
    }
    WakeWaiters();
}

SIZE ScreenSize()
{
    std::lock_guard lock(GdiMutex());
    const DisplayMode mode = CurrentDisplay().Mode();
    return SIZE{mode.width, mode.height};
}

}  // namespace vesper::platform::user
