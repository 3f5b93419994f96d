// The record of open dialogs and the test control of dialogs on the
// headless backend.
#include "tests/support/platform/dialog_headless.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "platform/user/controls/controls.h"
#include "platform/user/dialog/dialog_observer.h"
#include "tests/support/platform/headless_input.h"

namespace vesper::platform {

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

// Open dialogs, and a count that moves on whenever a dialog's modal loop
// runs out of messages or a dialog goes away.
struct DialogWatch {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<HWND, bool> open;  // dialog, whether its modal loop has waited
    std::uint64_t settled = 0;
};

DialogWatch& Watch()
{
    static auto* watch = new DialogWatch;
    return *watch;
}

bool WaitUntil(const std::function<bool()>& condition)
{
    DialogWatch& watch = Watch();
    std::unique_lock lock(watch.mutex);
    return watch.changed.wait_for(lock, kPatience, condition);
}

bool IsOpen(HWND dialog)
{
    DialogWatch& watch = Watch();
    std::lock_guard lock(watch.mutex);
    return watch.open.contains(dialog);
}

std::uint64_t Settled()
{
    DialogWatch& watch = Watch();
    std::lock_guard lock(watch.mutex);
    return watch.settled;
}

InputEvent MouseMove(POINT at)
{
    InputEvent event;
    event.kind = InputEvent::Kind::MouseMove;
    event.position = at;
    return event;
}

InputEvent LeftButton(bool down)
{
    InputEvent event;
    event.kind = down ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
    event.button = MouseButton::Left;
    return event;
}

InputEvent KeyEvent(UINT virtualKey, bool down)
{
    InputEvent event;
    event.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
    event.virtualKey = virtualKey;
    return event;
}

// A key pressed and released, with Shift around it when asked.
void AddKeyPress(std::vector<InputEvent>& events, UINT virtualKey, bool shift)
{
    if (shift)
        events.push_back(KeyEvent(VK_SHIFT, true));
    events.push_back(KeyEvent(virtualKey, true));
    events.push_back(KeyEvent(virtualKey, false));
    if (shift)
        events.push_back(KeyEvent(VK_SHIFT, false));
}

// Queues the events together and waits until the dialog has handled them:
// its modal loop ran dry with no input left waiting, which (the events being
// taken all at once) can only happen after it handled them; or it has gone.
bool Deliver(HWND dialog, const std::vector<InputEvent>& events)
{
    const std::uint64_t before = Settled();
    headless::Backend().QueueInputs(events);
    DialogWatch& watch = Watch();
    return WaitUntil([&] { return watch.settled > before || !watch.open.contains(dialog); });
}

std::optional<RECT> ControlOnScreen(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    RECT area{};
    if (!control || !GetWindowRect(control, &area))
        return std::nullopt;
    return area;
}

POINT Middle(const RECT& area)
{
    return POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

bool ClickAt(HWND dialog, POINT at)
{
    return Deliver(dialog, {MouseMove(at), LeftButton(true), LeftButton(false)});
}

struct ScrollBarOnScreen {
    controls::ScrollBarLayout layout;
    POINT origin;
    int minimum;
    int maximum;
};

std::optional<ScrollBarOnScreen> ScrollBarOf(HWND dialog, int id)
{
    HWND bar = GetDlgItem(dialog, id);
    RECT client{};
    int minimum = 0;
    int maximum = 0;
    if (!bar || !GetClientRect(bar, &client) || !GetScrollRange(bar, SB_CTL, &minimum, &maximum))
        return std::nullopt;
    POINT origin{0, 0};
    ClientToScreen(bar, &origin);
    return ScrollBarOnScreen{controls::LayoutScrollBar(client, minimum, maximum, GetScrollPos(bar, SB_CTL)), origin, minimum,
                             maximum};
}

POINT OnScreen(const ScrollBarOnScreen& bar, POINT inBar)
{
    return POINT{bar.origin.x + inBar.x, bar.origin.y + inBar.y};
}

// Follows the dialogs from the start of the test program, so that a dialog
// opened before the test first looks is known.
class DialogWatcher final : public dialog::DialogObserver {
public:
    void Opened(HWND dialog) override
    {
        DialogWatch& watch = Watch();
        {
            std::lock_guard lock(watch.mutex);
            watch.open.emplace(dialog, false);
        }
        watch.changed.notify_all();
    }

    void Idle(HWND dialog) override
    {
        // Input still waiting in the headless backend is not handled yet.
        const std::shared_ptr<WindowBackend> backend = CurrentWindowBackend();
        const auto* headlessBackend = dynamic_cast<const HeadlessWindowBackend*>(backend.get());
        const bool drained = !headlessBackend || headlessBackend->PendingInput() == 0;
        DialogWatch& watch = Watch();
        {
            std::lock_guard lock(watch.mutex);
            watch.open[dialog] = true;
            if (drained)
                ++watch.settled;
        }
        watch.changed.notify_all();
    }

    void Closed(HWND dialog) override
    {
        DialogWatch& watch = Watch();
        {
            std::lock_guard lock(watch.mutex);
            watch.open.erase(dialog);
            ++watch.settled;
        }
        watch.changed.notify_all();
    }
};

[[maybe_unused]] const bool watching = [] {
    // Kept alive past static destruction, as dialogs may still close then.
    dialog::SetDialogObserver(new DialogWatcher);
    return true;
}();

}  // namespace

namespace headless {

std::vector<OpenDialog> OpenDialogs()
{
    std::vector<HWND> windows;
    {
        DialogWatch& watch = Watch();
        std::lock_guard lock(watch.mutex);
        for (const auto& [window, waited] : watch.open)
            windows.push_back(window);
    }
    std::vector<OpenDialog> dialogs;
    for (HWND window : windows) {
        char caption[256]{};
        GetWindowTextA(window, caption, sizeof caption);
        dialogs.push_back(OpenDialog{window, caption});
    }
    return dialogs;
}

HWND WaitForDialog(std::string_view caption)
{
    HWND found = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!found && std::chrono::steady_clock::now() < deadline) {
        std::vector<HWND> waiting;
        {
            DialogWatch& watch = Watch();
            std::unique_lock lock(watch.mutex);
            watch.changed.wait_for(lock, std::chrono::milliseconds(50), [&] {
                return std::ranges::any_of(watch.open, [](const auto& entry) { return entry.second; });
            });
            for (const auto& [window, waited] : watch.open)
                if (waited)
                    waiting.push_back(window);
        }
        for (HWND window : waiting) {
            char text[256]{};
            GetWindowTextA(window, text, sizeof text);
            if (caption.empty() || caption == text) {
                found = window;
                break;
            }
        }
    }
    return found;
}

bool WaitForDialogClosed(HWND dialog)
{
    return WaitUntil([&] { return !Watch().open.contains(dialog); });
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? controls::TextOf(control) : std::string();
}

bool ClickControl(HWND dialog, int id)
{
    const std::optional<RECT> area = ControlOnScreen(dialog, id);
    return area && IsOpen(dialog) && ClickAt(dialog, Middle(*area));
}

bool ClickScrollArrow(HWND dialog, int id, bool right)
{
    const auto bar = ScrollBarOf(dialog, id);
    return bar && ClickAt(dialog, OnScreen(*bar, Middle(right ? bar->layout.rightArrow : bar->layout.leftArrow)));
}

bool ClickScrollTrough(HWND dialog, int id, bool right)
{
    const auto bar = ScrollBarOf(dialog, id);
    if (!bar)
        return false;
    const RECT& track = bar->layout.track;
    const RECT& thumb = bar->layout.thumb;
    const RECT trough = right ? RECT{thumb.right, track.top, track.right, track.bottom}
                              : RECT{track.left, track.top, thumb.left, track.bottom};
    return !IsRectEmpty(&trough) && ClickAt(dialog, OnScreen(*bar, Middle(trough)));
}

bool DragScrollThumb(HWND dialog, int id, int position, int steps)
{
    const auto bar = ScrollBarOf(dialog, id);
    if (!bar || steps < 1)
        return false;
    const POINT grip = OnScreen(*bar, Middle(bar->layout.thumb));
    const controls::ScrollBarLayout target =
        controls::LayoutScrollBar(RECT{0, 0, bar->layout.rightArrow.right, bar->layout.track.bottom}, bar->minimum,
                                  bar->maximum, position);
    const LONG distance = target.thumb.left - bar->layout.thumb.left;
    bool delivered = Deliver(dialog, {MouseMove(grip), LeftButton(true)});
    for (int step = 1; step <= steps && delivered; ++step)
        delivered = Deliver(dialog, {MouseMove(POINT{grip.x + MulDiv(distance, step, steps), grip.y})});
    return delivered && Deliver(dialog, {LeftButton(false)});
}

bool TypeText(HWND dialog, int id, std::string_view text)
{
    std::vector<SHORT> keys;
    for (const char c : text) {
        const SHORT key = VkKeyScanA(c);
        if (key == -1)
            return false;
        keys.push_back(key);
    }
    if (!ClickControl(dialog, id))
        return false;
    std::vector<InputEvent> events;
    for (const SHORT key : keys)
        AddKeyPress(events, static_cast<UINT>(key & 0xFF), (key & 0x100) != 0);
    return Deliver(dialog, events);
}

bool PressDialogKey(HWND dialog, UINT virtualKey, bool shift)
{
    std::vector<InputEvent> events;
    AddKeyPress(events, virtualKey, shift);
    return IsOpen(dialog) && Deliver(dialog, events);
}

bool CloseDialog(HWND dialog)
{
    InputEvent close;
    close.kind = InputEvent::Kind::SystemCommand;
    close.command = SC_CLOSE;
    return IsOpen(dialog) && Deliver(dialog, {close});
}

}  // namespace headless

}  // namespace vesper::platform
