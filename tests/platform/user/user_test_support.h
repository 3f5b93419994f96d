// Shared pieces of the window layer tests: a window procedure that records
// every message and answers as a test tells it, a fresh headless screen and
// backend per test, a manual clock, and cleanup of what a test left behind.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/headless/headless_windows.h"
#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"

namespace vesper::test {

struct LoggedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
};

// Decides the answer to a message; none lets DefWindowProcA answer.
using Responder = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

class MessageLog {
public:
    static MessageLog& Instance()
    {
        static MessageLog log;
        return log;
    }

    void Add(const LoggedMessage& message)
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(message);
    }
    std::vector<LoggedMessage> All() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // The messages of one window, in the order they arrived.
    std::vector<UINT> MessagesOf(HWND window) const
    {
        std::vector<UINT> messages;
        for (const LoggedMessage& logged : All())
            if (logged.window == window)
                messages.push_back(logged.message);
        return messages;
    }
    // The messages of the given kind, in order, with their window.
    std::vector<LoggedMessage> OfKind(UINT message) const
    {
        std::vector<LoggedMessage> found;
        for (const LoggedMessage& logged : All())
            if (logged.message == message)
                found.push_back(logged);
        return found;
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
    }

    void SetResponder(Responder responder)
    {
        std::lock_guard lock(m_mutex);
        m_responder = std::move(responder);
    }
    Responder CurrentResponder() const
    {
        std::lock_guard lock(m_mutex);
        return m_responder;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<LoggedMessage> m_messages;
    Responder m_responder;
};

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MessageLog& log = MessageLog::Instance();
    log.Add(LoggedMessage{window, message, wParam, lParam, GetCurrentThreadId()});
    if (const Responder responder = log.CurrentResponder())
        if (const std::optional<LRESULT> answer = responder(window, message, wParam, lParam))
            return *answer;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A class with the recording procedure, unregistered at the end of the test.
class TestClass {
public:
    explicit TestClass(const std::string& name, UINT style = 0, HBRUSH background = nullptr,
                       HCURSOR cursor = nullptr, int windowExtra = 0)
        : m_name(name)
    {
        WNDCLASSA windowClass{};
        windowClass.style = style;
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.cbWndExtra = windowExtra;
        windowClass.hbrBackground = background;
        windowClass.hCursor = cursor;
        windowClass.lpszClassName = m_name.c_str();
        m_atom = RegisterClassA(&windowClass);
    }
    ~TestClass() { UnregisterClassA(m_name.c_str(), nullptr); }
    TestClass(const TestClass&) = delete;
    TestClass& operator=(const TestClass&) = delete;

    const char* Name() const { return m_name.c_str(); }
    ATOM Atom() const { return m_atom; }

private:
    std::string m_name;
    ATOM m_atom = 0;
};

// Installs a manual clock for the scope.
class ManualClockScope {
public:
    explicit ManualClockScope(std::uint64_t start = 1'000'000) : m_clock(start)
    {
        platform::SetClockSource(&m_clock);
    }
    ~ManualClockScope() { platform::SetClockSource(nullptr); }
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;

    platform::ManualClock& Clock() { return m_clock; }
    void Advance(std::uint64_t milliseconds) { m_clock.Advance(milliseconds); }

private:
    platform::ManualClock m_clock;
};

// Every test starts on a fresh 640x480 true-colour screen with a fresh
// headless backend, an empty message log and the arrow cursor shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_screen = &platform::UseHeadlessDisplay({640, 480, 32});
        m_backend = &platform::UseHeadlessWindowBackend();
        MessageLog::Instance().Clear();
        MessageLog::Instance().SetResponder(nullptr);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        while (ShowCursor(FALSE) >= 0) {
        }
        while (ShowCursor(TRUE) < 0) {
        }
    }

    void TearDown() override
    {
        MessageLog::Instance().SetResponder(nullptr);
        for (auto window = m_windows.rbegin(); window != m_windows.rend(); ++window)
            if (IsWindow(*window))
                DestroyWindow(*window);
        Drain();
        ReleaseCapture();
    }

    // Takes every message the calling thread's queue holds, dispatching none.
    static void Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_PAINT)
                ValidateRect(msg.hwnd, nullptr);
    }

    HWND Track(HWND window)
    {
        if (window)
            m_windows.push_back(window);
        return window;
    }

    HWND MakePopup(const TestClass& windowClass, RECT area, DWORD style = WS_VISIBLE, DWORD exStyle = 0,
                   const char* title = "test")
    {
        return Track(CreateWindowExA(exStyle, windowClass.Name(), title, WS_POPUP | style, area.left, area.top,
                                     area.right - area.left, area.bottom - area.top, nullptr, nullptr, nullptr,
                                     nullptr));
    }

    HWND MakeChild(const TestClass& windowClass, HWND parent, RECT area, DWORD style = WS_VISIBLE)
    {
        return Track(CreateWindowExA(0, windowClass.Name(), "child", WS_CHILD | style, area.left, area.top,
                                     area.right - area.left, area.bottom - area.top, parent, nullptr, nullptr,
                                     nullptr));
    }

    // The next message of the calling thread, dispatched; none when the queue
    // is empty.
    static std::optional<MSG> PumpOne()
    {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            return std::nullopt;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        return msg;
    }

    // Dispatches everything queued (paints included, which DefWindowProcA validates).
    static std::vector<MSG> PumpAll()
    {
        std::vector<MSG> pumped;
        while (const auto msg = PumpOne())
            pumped.push_back(*msg);
        return pumped;
    }

    platform::HeadlessDisplay* m_screen = nullptr;
    platform::HeadlessWindowBackend* m_backend = nullptr;
    std::vector<HWND> m_windows;
};

// The messages of a window, filtered to the kinds given.
inline std::vector<UINT> Only(const std::vector<UINT>& messages, std::initializer_list<UINT> kinds)
{
    std::vector<UINT> kept;
    for (UINT message : messages)
        if (std::find(kinds.begin(), kinds.end(), message) != kinds.end())
            kept.push_back(message);
    return kept;
}

// Spins (yielding) until the condition holds; fails the test after 10 s.
inline bool WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "condition not reached within 10 s";
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

// Whether a WM_PAINT for the window waits in the calling thread's queue.
inline bool PaintPending(HWND window)
{
    MSG msg;
    return PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_NOREMOVE) != FALSE;
}

// Sets this program's string resource 1 as the packaging tool would; the
// rest of the field is zeroed, so "" puts the unpackaged default back.
inline void SetProgramString(const std::string& text)
{
    ASSERT_LT(text.size(), platform::kStringResourceCapacity);
    for (std::size_t i = 0; i < platform::kStringResourceCapacity; ++i)
        g_patchableData.stringResource1[i] = i < text.size() ? text[i] : '\0';
}

// Waits until a message sent by another thread is waiting in the calling
// thread's queue, without processing it.
inline bool WaitForIncomingSend()
{
    return WaitFor([] { return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; });
}

}  // namespace vesper::test
