// The window layer's state: window classes, windows, one message queue per
// thread, window timers and the input state. All of it is guarded by the
// platform's WaitMutex() (platform/kernel/clock.h), so that threads waiting for
// messages wait under the same lock the state changes under.
//
// Window procedures, backends and GDI are never called with the lock held:
// GDI calls the window layer (for a window's device context) with its own
// lock held, so the window layer must not take GDI's lock under its own.
#pragma once

#include "platform/internal.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/win32.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::user {

using Lock = std::unique_lock<std::mutex>;

// Takes the lock of the window layer's state.
Lock LockState();

struct WindowClass {
    ATOM atom = 0;
    std::string name;
    WNDCLASSA info{};
    int windows = 0;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC procedure = nullptr;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    // The parent of a WS_CHILD window (possibly a foreign window).
    HWND parent = nullptr;
    // Oldest first; the newest child lies on top.
    std::vector<HWND> children;
    // In the parent's client coordinates; on the screen for other windows.
    RECT rect{0, 0, 0, 0};
    DWORD thread = 0;
    HINSTANCE instance = nullptr;
    HMENU menu = nullptr;
    LONG_PTR userData = 0;
    std::vector<BYTE> extraBytes;
    // Stands for another program's window, known to the backend by `native`.
    bool foreign = false;
    // The backend's native window (top-level windows and children of foreign
    // windows) or, for a foreign window, its number.
    NativeWindowId native = 0;
    // WM_DESTROY has been sent.
    bool destroying = false;
    // The bounding box of the update region, in client coordinates.
    RECT update{0, 0, 0, 0};
    bool eraseUpdate = false;

    bool IsChild() const { return (style & WS_CHILD) != 0; }
    bool Visible() const { return (style & WS_VISIBLE) != 0; }
    LONG Width() const { return rect.right - rect.left; }
    LONG Height() const { return rect.bottom - rect.top; }
};

// A message sent to another thread's window, waiting in that thread's queue.
struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD sender = 0;
    // SendNotifyMessageA: nobody waits for the answer.
    bool answerWanted = true;
    LRESULT result = 0;
    bool answered = false;
};

struct InputMessage {
    MSG msg{};
    // WM_SETCURSOR has gone to the window for this mouse message.
    bool cursorAnnounced = false;
};

struct ThreadQueue {
    DWORD thread = 0;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<MSG> posted;
    std::deque<InputMessage> input;
    bool quitPosted = false;
    int quitCode = 0;
    // Senders of the messages from other threads this thread is processing,
    // innermost last.
    std::vector<DWORD> processingSendsFrom;
    DWORD lastMessageTime = 0;
    // QS_* kinds that arrived since the thread last looked at its queue.
    UINT arrived = 0;
    // Key state as of the last input message retrieved (GetKeyState).
    std::array<BYTE, 256> keys{};
};

struct WindowTimer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    DWORD thread = 0;
    UINT period = 0;
    TIMERPROC procedure = nullptr;
    std::uint64_t due = 0;
};

struct LastClick {
    HWND window = nullptr;
    UINT message = 0;
    DWORD time = 0;
    POINT position{0, 0};
};

struct State {
    std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<std::shared_ptr<WindowClass>> classes;
    std::unordered_map<DWORD, std::unique_ptr<ThreadQueue>> queues;
    std::vector<WindowTimer> timers;
    // Windows with a native window, front first; WS_EX_TOPMOST ones lead.
    std::vector<HWND> zOrder;
    HWND foreground = nullptr;
    HWND capture = nullptr;
    // The window that receives the keyboard when it lies in the foreground
    // window (otherwise the foreground window does).
    HWND focus = nullptr;
    // Children of foreign windows that went away, to be destroyed by their threads.
    std::vector<HWND> orphans;

    POINT cursor{0, 0};
    HCURSOR cursorShape = nullptr;
    int cursorDisplayCount = 0;
    std::array<BYTE, 256> asyncKeys{};
    LastClick lastClick;
    bool inputPending = false;
    bool screenSaverRunning = false;

    std::uintptr_t nextHandle = 0;
    ATOM nextAtom = 0;
    UINT_PTR nextThreadTimer = 0;
};

// Unless said otherwise, everything below needs the lock.
State& GetState();

// A class by name (compared without regard to case) or atom (MAKEINTATOM).
std::shared_ptr<WindowClass> FindClassLocked(LPCSTR nameOrAtom);

// The calling thread's identifier (never 0); needs no lock.
DWORD CurrentThread();
// The calling thread's queue, made on first use and removed, with the
// thread's windows and timers, when the thread ends.
ThreadQueue& CurrentQueue();
ThreadQueue* QueueOf(DWORD thread);

// Window handles are numbers from kDesktopWindow on, kHandleStep apart and
// never reused; class atoms count up from kFirstClassAtom.
inline constexpr std::uintptr_t kDesktopWindow = 0x00010010;
inline constexpr std::uintptr_t kHandleStep = 4;
inline constexpr ATOM kFirstClassAtom = 0xC000;
bool IsDesktop(HWND window);

Window* FindWindowRecord(HWND window);
// As FindWindowRecord, setting ERROR_INVALID_WINDOW_HANDLE when there is none.
Window* RequireWindow(HWND window);
// Whether `window` is `ancestor` or lies inside it.
bool IsDescendant(HWND ancestor, HWND window);
// The window itself for a top-level window or a child of a foreign window;
// otherwise its nearest such ancestor.
Window* RootOf(Window& window);
bool HasNativeWindow(const Window& window);
// Visible together with all its parents.
bool IsShown(const Window& window);
// The window's client area on the screen, and the part of it inside all its
// parents (empty for a window that is not shown).
RECT ClientOnScreen(const Window& window);
RECT VisibleOnScreen(const Window& window);
// The deepest shown window under a screen point that takes mouse input: a
// disabled child leaves the point to its parent, and a disabled top-level
// window takes none (none is returned then, as outside all windows).
HWND WindowAt(POINT screenPoint);
bool IsEnabled(const Window& window);

// Forgets a window: unlinks it from its parent, drops its timers, its queued
// messages and its capture or foreground status, answers 0 to messages still
// being sent to it and makes its children orphans. Returns the native window
// to destroy (0 for none) once the lock is released.
NativeWindowId RemoveWindowLocked(HWND window);

// Puts a window with a native window in front of the others of its band
// (WS_EX_TOPMOST windows stay in front of the rest). What the windows it
// passes covered of it needs painting.
void PlaceInFrontLocked(HWND window);

// The screen areas of the shown windows in front of the window's own
// top-level window (or child of a foreign window), front first: what hides
// parts of it. None for a foreign window, whose place among the others is
// not known.
std::vector<RECT> AreasInFrontOf(Window& window);

// A shown window is leaving the screen (hidden or destroyed): its parent
// and the windows behind it repaint what it covered of them. Call it while
// the window still counts as shown.
void InvalidateUncoveredLocked(Window& window);

// Adds to the update region (client coordinates; none = the whole client
// area) and passes it on to the children unless the window clips them.
void InvalidateLocked(Window& window, const RECT* area, bool erase);

// Forgets the foreign windows, which belonged to a backend no longer in use;
// windows inside them become orphans. Called without the lock.
void ForgetForeignWindows();

// When `window` is not known yet, asks the backend whether it names a
// foreign window and adopts it. Called without the lock.
void AdoptForeignWindow(HWND window);

// Processes one message another thread sent to the calling thread, if there
// is one; the lock is released while the window procedure runs.
bool ProcessOneIncomingSend(Lock& lock);
// Whether the calling thread is processing a message sent by `thread`.
bool IsProcessingSendFrom(DWORD thread);

// Calls a window procedure without the lock.
LRESULT CallProcedure(Lock& lock, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Installs the window layer's GDI hooks (window device contexts and palette
// change notices); done once, when the first window is made.
void InstallGdiHooks();

// Sends WM_PALETTECHANGED to every top-level window (and every child of a
// foreign window), without waiting for windows of other threads.
void BroadcastPaletteChanged(HWND changedBy);

// The shared handle of a system cursor (IDC_*), none for an unknown one.
HCURSOR SystemCursor(LPCSTR id);

// Takes the backend's input and turns it into messages in the queues of the
// windows it is for. Called without the lock.
void PumpInput();
// Moves the cursor (kept on the screen) and queues WM_MOUSEMOVE for the
// window under it.
void MoveCursorLocked(POINT screenPoint, SIZE screen);
// Updates the calling thread's key state for an input message it retrieved.
void NoteRetrievedInput(ThreadQueue& queue, const MSG& msg);
bool IsMouseMessage(UINT message);
// The QS_* kind of an input message.
UINT InputStatusOf(UINT message);

// The size of the current display. Called without the lock.
SIZE ScreenSize();
// The backend's monitors cut to the screen, the empty and repeated ones left
// out, the primary one first (the first the backend gives when it flags
// none); the whole screen as one monitor when none is left. Called without
// the lock.
std::vector<MonitorArea> ScreenMonitors();
// The box that holds every monitor. Called without the lock.
RECT VirtualScreen();

}  // namespace vesper::platform::user
