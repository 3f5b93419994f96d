// USER services of the Win32 subset: window classes and windows, message
// queues, window timers, painting, keyboard and mouse input, the cursor and
// system settings, with the documented Windows semantics. Windows live on a
// display backend (platform/drivers/window_backend.h); the headless one makes them
// areas of the in-memory screen.
//
// Choices where Windows leaves room or where the layer is smaller:
// - Windows have no non-client area: the client area is the whole window.
// - A window's device context draws inside the window's visible area, as it
//   was when the context was made: its client area cut to its parents, less
//   the shown top-level windows in front of its own; overlapping sibling
//   windows are not cut out, and CS_OWNDC/CS_CLASSDC windows get a fresh
//   context per GetDC. A window that is hidden or destroyed, or one raised
//   over others, invalidates what it uncovers.
// - The update region is kept as its bounding box.
// - A window handle is a number never reused, so a stale handle fails.
// - Class names are unique in the process, whatever the instance handle.
#pragma once

#include "platform/api/win32_types.h"

#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef WINAPI
#define WINAPI
#endif

using DWORD_PTR = UINT_PTR;

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void(CALLBACK*)(HWND, UINT, UINT_PTR, DWORD);

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define MAKEINTATOM(i) MAKEINTRESOURCEA(i)
#define IS_INTRESOURCE(r) ((reinterpret_cast<UINT_PTR>(r) >> 16) == 0)
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<SHORT>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<SHORT>(HIWORD(lp))))

// ---- Errors -----------------------------------------------------------------
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_TLW_WITH_WSCHILD 1406L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_WINDOW_OF_OTHER_THREAD 1408L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_INVALID_THREAD_ID 1444L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// ---- Message boxes and strings ----------------------------------------------
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNO 0x00000004L
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_TASKMODAL 0x00002000L

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// Shows a modal message box and returns the button pressed (IDOK for a box
// with one button); see platform/user/message_box.h for where it goes.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
#define MessageBox MessageBoxA

// Copies string resource uID into the buffer, truncated to cchBufferMax - 1
// characters and terminated; returns the number of characters copied, 0 when
// there is no such string.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
#define LoadString LoadStringA

// ---- Messages ---------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_DISPLAYCHANGE 0x007E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSELAST 0x0209
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTEISCHANGING 0x0310
#define WM_PALETTECHANGED 0x0311
#define WM_USER 0x0400
#define WM_APP 0x8000

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xFFFF)))

// Waits for a message of the calling thread (hWnd NULL: any of its windows
// and its thread messages; -1: thread messages only; a window: that window
// and its children) within wMsgFilterMin..wMsgFilterMax (both 0: all).
// Incoming sent messages are processed while it waits. Order: sent, posted,
// WM_QUIT, input, WM_PAINT, WM_TIMER. Returns 0 for WM_QUIT, -1 for an
// invalid window, nonzero otherwise.
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
// As GetMessageA without waiting; FALSE when nothing matches. WM_QUIT is
// returned whatever the range. WM_PAINT stays until the window is validated.
BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// Posts WM_CHAR/WM_SYSCHAR after WM_KEYDOWN/WM_SYSKEYDOWN of a character key.
BOOL TranslateMessage(const MSG* lpMsg);
// Calls the window procedure (or, for WM_TIMER with a TIMERPROC in lParam,
// the timer procedure); thread messages are not dispatched.
LRESULT DispatchMessageA(const MSG* lpMsg);
// A NULL window posts a thread message to the calling thread.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int nExitCode);
// On the window's own thread a direct call of its procedure. From another
// thread the caller blocks until the window's thread has processed it (in
// GetMessageA/PeekMessageA, or while that thread waits in a send of its own);
// meanwhile the caller processes messages sent to it. A window destroyed
// before it processed the message answers 0.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// As SendMessageA, but to another thread's window it returns at once.
BOOL SendNotifyMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_ALLEVENTS | QS_SENDMESSAGE)
// High word: the kinds of message now in the calling thread's queue; low
// word: those of them that arrived since the last GetQueueStatus,
// GetMessageA or PeekMessageA (timers and paints count as arrived while due).
DWORD GetQueueStatus(UINT flags);
// Whether the calling thread is processing a message sent by another thread.
BOOL InSendMessage();
// KERNEL on Windows; declared with the message queues that are keyed by it.
DWORD GetCurrentThreadId();
DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);
DWORD GetMessageTime();
#define GetMessage GetMessageA
#define PeekMessage PeekMessageA
#define DispatchMessage DispatchMessageA
#define PostMessage PostMessageA
#define PostThreadMessage PostThreadMessageA
#define SendMessage SendMessageA
#define SendNotifyMessage SendNotifyMessageA

// ---- Window classes ---------------------------------------------------------
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_GLOBALCLASS 0x4000

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};
using LPWNDCLASSA = WNDCLASSA*;
#define WNDCLASS WNDCLASSA

// Names compare without regard to case; a name that is already registered
// fails with ERROR_CLASS_ALREADY_EXISTS. Returns the class atom.
ATOM RegisterClassA(const WNDCLASSA* lpWndClass);
// Fails while windows of the class exist (ERROR_CLASS_HAS_WINDOWS).
BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance);
BOOL GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, LPWNDCLASSA lpWndClass);
#define RegisterClass RegisterClassA
#define UnregisterClass UnregisterClassA

// ---- Windows ----------------------------------------------------------------
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TOOLWINDOW 0x00000080L

#define CW_USEDEFAULT (static_cast<int>(0x80000000))

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
using LPCREATESTRUCTA = CREATESTRUCTA*;
#define CREATESTRUCT CREATESTRUCTA

// Sends WM_NCCREATE (FALSE fails the creation) and WM_CREATE (-1 fails it:
// the half-made window gets WM_DESTROY and WM_NCDESTROY and the result is
// NULL), then WM_SIZE and WM_MOVE, and for WS_VISIBLE WM_SHOWWINDOW. A
// WS_CHILD window needs a parent, which may be a foreign window the display
// backend knows by its number. A visible top-level window becomes the
// foreground window.
HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y, int nWidth,
                     int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
#define CreateWindowEx CreateWindowExA
#define CreateWindowA(c, t, s, x, y, w, h, p, m, i, l) CreateWindowExA(0, c, t, s, x, y, w, h, p, m, i, l)
// Only the window's own thread may destroy it. WM_DESTROY goes to the window,
// then the same happens to each child, then WM_NCDESTROY; the handle is
// invalid afterwards, its timers are killed, its posted messages dropped and
// messages still being sent to it are answered 0.
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);
BOOL IsWindowVisible(HWND hWnd);
BOOL IsChild(HWND hWndParent, HWND hWnd);
// The parent of a child window; NULL for a top-level window.
HWND GetParent(HWND hWnd);
HWND GetDesktopWindow();
// Top-level windows only; class and title compare without regard to case,
// NULL matches any.
HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName);
#define FindWindow FindWindowA
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
// Screen coordinates.
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
// Returns whether the window was visible before.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// The foreground window receives the keyboard input; on a palette display it
// is sent WM_QUERYNEWPALETTE when it becomes the foreground window.
BOOL SetForegroundWindow(HWND hWnd);
HWND GetForegroundWindow();

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString);
int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
int GetWindowTextLengthA(HWND hWnd);
#define SetWindowText SetWindowTextA
#define GetWindowText GetWindowTextA

#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define GWL_WNDPROC GWLP_WNDPROC
#define GWL_USERDATA GWLP_USERDATA
// Non-negative indexes address the window's extra bytes (cbWndExtra).
LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LONG GetWindowLongA(HWND hWnd, int nIndex);
LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong);
#define GetWindowLongPtr GetWindowLongPtrA
#define SetWindowLongPtr SetWindowLongPtrA
#define GetWindowLong GetWindowLongA
#define SetWindowLong SetWindowLongA

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// ---- Default processing -----------------------------------------------------
#define HTNOWHERE 0
#define HTCLIENT 1

#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_NEXTWINDOW 0xF040
#define SC_PREVWINDOW 0xF050
#define SC_CLOSE 0xF060
#define SC_KEYMENU 0xF100
#define SC_RESTORE 0xF120
#define SC_TASKLIST 0xF130
#define SC_SCREENSAVE 0xF140
#define SC_MONITORPOWER 0xF170

#define SIZE_RESTORED 0

#define HELPINFO_WINDOW 0x0001
struct HELPINFO {
    UINT cbSize;
    int iContextType;
    int iCtrlId;
    HANDLE hItemHandle;
    DWORD_PTR dwContextId;
    POINT MousePos;
};
using LPHELPINFO = HELPINFO*;

// WM_CLOSE destroys the window; WM_PAINT validates it through BeginPaint and
// EndPaint; WM_ERASEBKGND fills the update area with the class brush;
// WM_SETCURSOR (after the parent declined) sets the class cursor in the
// client area; WM_NCCREATE and WM_SETTEXT keep the title; F1 sends WM_HELP,
// the right button's release and Shift+F10 send WM_CONTEXTMENU, and a child
// passes WM_HELP, WM_CONTEXTMENU and WM_SETCURSOR to its parent;
// WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE. Anything else answers 0.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
#define DefWindowProc DefWindowProcA

// ---- Painting ---------------------------------------------------------------
struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

// Adds the rectangle (client coordinates; NULL: the whole client area) to
// the update region of a visible window; NULL window: every window. Windows
// without WS_CLIPCHILDREN pass the invalidation on to their children.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
// Removes the rectangle (NULL: everything) from the update region.
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
// Sends WM_PAINT at once when the window has something to repaint.
BOOL UpdateWindow(HWND hWnd);
// Empties the update region and returns a device context clipped to it;
// rcPaint is its bounding box in client coordinates. Sends WM_ERASEBKGND
// first when the invalidation asked for erasing; fErase is then TRUE when
// the window procedure left the background unerased.
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
// Fills with a brush: a brush handle or a system colour index + 1.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);

// ---- Window timers ----------------------------------------------------------
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF
// A WM_TIMER for a timer is generated when the thread's queue holds nothing
// else for the filter, at most one at a time however many periods passed.
// NULL window: a thread timer with an identifier of the system's choice.
// The interval is kept within USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// ---- Keyboard ---------------------------------------------------------------
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// High bit: the key is down; low bit: toggled (Caps Lock and the like). The
// state as of the last input message the thread retrieved.
SHORT GetKeyState(int nVirtKey);
// The state as of now.
SHORT GetAsyncKeyState(int vKey);

#define MAPVK_VK_TO_VSC 0
#define MAPVK_VSC_TO_VK 1
#define MAPVK_VK_TO_CHAR 2
// Scan codes of the US keyboard (set 1); 0 for a key without one.
UINT MapVirtualKeyA(UINT uCode, UINT uMapType);
#define MapVirtualKey MapVirtualKeyA
// The key that types a character on the US keyboard: the virtual key in the
// low byte, 1 in the high byte when Shift is needed; -1 for none.
SHORT VkKeyScanA(CHAR ch);
#define VkKeyScan VkKeyScanA

// The window that receives keyboard input while it lies in the foreground
// window (one for the whole layer). SetFocus sends WM_KILLFOCUS to the
// window losing it and WM_SETFOCUS to the one getting it; only windows of
// the calling thread (or NULL) can get it. Returns the previous focus.
HWND SetFocus(HWND hWnd);
HWND GetFocus();
// A disabled window (WS_DISABLED) takes no mouse input: a disabled child
// leaves it to its parent, a disabled top-level window drops it. Disabling
// the window that holds the focus (or contains it) takes the focus away.
// Sends WM_ENABLE when the state changes. Returns whether it was disabled.
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);

// ---- Mouse and cursor -------------------------------------------------------
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)

// The system cursors (NULL instance) are shared handles; a program's own
// cursors and icons would be resources, and Vesper's program has none.
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
#define LoadCursor LoadCursorA
#define LoadIcon LoadIconA
// NULL hides the cursor. Returns the previous cursor.
HCURSOR SetCursor(HCURSOR hCursor);
HCURSOR GetCursor();
// The display count starts at 0; the cursor shows while it is not negative.
// Returns the new count.
int ShowCursor(BOOL bShow);
BOOL GetCursorPos(LPPOINT lpPoint);
// Moves the cursor (kept on the screen); the window under it gets WM_MOUSEMOVE.
BOOL SetCursorPos(int X, int Y);
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
HWND GetCapture();

// ---- System -----------------------------------------------------------------
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CMOUSEBUTTONS 43
// The box that holds every monitor, and how many there are.
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80
int GetSystemMetrics(int nIndex);

// ---- Monitors ---------------------------------------------------------------
// The monitors come from the window backend (on X: RandR monitors or Xinerama
// heads); a backend that knows none has one monitor, the whole screen. When
// they change, every top-level window gets WM_DISPLAYCHANGE.
#define MONITORINFOF_PRIMARY 0x00000001
#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002
struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
using LPMONITORINFO = MONITORINFO*;
using MONITORENUMPROC = BOOL(CALLBACK*)(HMONITOR, HDC, LPRECT, LPARAM);
// Only the screen's monitors without a device context: hdc must be null.
// lprcClip, when given, leaves out the monitors it does not meet and cuts the
// rectangle passed to the others.
BOOL EnumDisplayMonitors(HDC hdc, LPCRECT lprcClip, MONITORENUMPROC lpfnEnum, LPARAM dwData);
// Fails for a monitor that is gone (or cbSize smaller than MONITORINFO).
BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi);
HMONITOR MonitorFromPoint(POINT pt, DWORD dwFlags);
UINT GetDoubleClickTime();

#define SPI_SETSCREENSAVERRUNNING 0x0061
#define SPI_SCREENSAVERRUNNING SPI_SETSCREENSAVERRUNNING
#define SPI_GETSCREENSAVERRUNNING 0x0072
// SPI_SETSCREENSAVERRUNNING: uiParam is the new flag, pvParam (may be NULL)
// receives the previous one as a BOOL. SPI_GETSCREENSAVERRUNNING: pvParam
// receives the flag.
BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, LPVOID pvParam, UINT fWinIni);
#define SystemParametersInfo SystemParametersInfoA

// System colours for brushes given as COLOR_* + 1.
#define COLOR_BACKGROUND 1
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_BTNFACE 15
DWORD GetSysColor(int nIndex);
#define COLOR_SCROLLBAR 0
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
// A stock brush of the system colour (never deleted); NULL for an unknown index.
HBRUSH GetSysColorBrush(int nIndex);

// ---- Rectangles -------------------------------------------------------------
BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom);
BOOL SetRectEmpty(LPRECT lprc);
BOOL CopyRect(LPRECT lprcDst, const RECT* lprcSrc);
BOOL IsRectEmpty(const RECT* lprc);
BOOL EqualRect(const RECT* lprc1, const RECT* lprc2);
BOOL PtInRect(const RECT* lprc, POINT pt);
BOOL OffsetRect(LPRECT lprc, int dx, int dy);
// Empty result (all zero) and FALSE when the rectangles do not overlap;
// rectangles that only share an edge do not overlap.
BOOL IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);
// Smallest rectangle holding both; an empty operand is ignored.
BOOL UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);

// ---- Drawing ----------------------------------------------------------------
// Moves the sides outwards by dx and dy (inwards for negative values).
BOOL InflateRect(LPRECT lprc, int dx, int dy);
// A one-pixel frame inside the rectangle.
int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr);

#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define BDR_OUTER (BDR_RAISEDOUTER | BDR_SUNKENOUTER)
#define BDR_INNER (BDR_RAISEDINNER | BDR_SUNKENINNER)
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)
#define BF_MIDDLE 0x0800
#define BF_ADJUST 0x2000
// The 3D border of buttons and frames in the system colours: the outer band
// on the rectangle's edge, the inner band inside it; BF_MIDDLE fills the rest
// with COLOR_BTNFACE, BF_ADJUST shrinks the rectangle by the bands drawn.
BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags);
// Inverts every other pixel along the inside of the rectangle; drawing it
// again removes it.
BOOL DrawFocusRect(HDC hDC, const RECT* lprc);

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
// Draws text in the rectangle with the selected font and the context's
// colours. Lines break at "\r\n" or "\n" (unless DT_SINGLELINE) and, with
// DT_WORDBREAK, between words that would pass the right edge; "&x" marks a
// mnemonic (the "&" is not drawn, "&&" draws one) unless DT_NOPREFIX; tabs
// expand to 8 average characters with DT_EXPANDTABS. DT_VCENTER and
// DT_BOTTOM apply to single lines only. DT_CALCRECT draws nothing and sets
// the rectangle's right and bottom to fit the text. Returns the height of
// the text, 0 on failure.
int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);
#define DrawText DrawTextA

// ---- Dialog boxes -----------------------------------------------------------
// Dialog templates are data registered with the program's resource table
// (platform/user/dialog/dialog_template.h), one table whatever the instance handle, as
// for string resources. A dialog is a top-level window of the class "#32770"
// whose frame (a raised border and, with WS_CAPTION, a caption bar with the
// title and, with WS_SYSMENU, a close box) lies inside the window: the
// controls start below the caption and GetClientRect of a dialog includes
// the frame. The dialog of an owner with WS_EX_TOPMOST is topmost too.
using INT_PTR = std::intptr_t;
using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using LPINT = int*;

#define DS_ABSALIGN 0x01L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_CENTER 0x0800L

#define WM_NEXTDLGCTL 0x0028
#define WM_GETDLGCODE 0x0087
#define WM_ENTERIDLE 0x0121
#define MSGF_DIALOGBOX 0
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

// A dialog's window extra bytes: the value a dialog procedure answers with
// when it returns TRUE, the dialog procedure, and a value for the program.
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT)))
#define DWLP_USER (DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC)))
#define DLGWINDOWEXTRA (DWLP_USER + static_cast<int>(sizeof(LONG_PTR)))

// Runs a modal dialog: creates it from the template (WM_SETFONT, the
// controls, WM_INITDIALOG, which sets the focus to the first WS_TABSTOP
// control when the procedure returns TRUE), shows it, disables the owner's
// top-level window and runs a message loop for all windows of the thread
// (sent messages from other threads are processed while it waits; the owner
// gets WM_ENTERIDLE whenever the queue is empty) until EndDialog; then
// enables the owner again and destroys the dialog. Returns EndDialog's
// result, -1 when the template is missing or the dialog cannot be made. A
// WM_QUIT ends the loop (result 0 unless EndDialog gave one) and is posted
// again for the caller's loop.
INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
#define DialogBoxParam DialogBoxParamA
#define DialogBoxA(i, t, p, f) DialogBoxParamA(i, t, p, f, 0)
// A modeless dialog: created as for DialogBoxParamA and returned; the
// caller's loop gives it its messages through IsDialogMessageA.
HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
#define CreateDialogParam CreateDialogParamA
// Ends a modal dialog once the current message is processed (a modeless one
// is only hidden).
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
#define DefDlgProc DefDlgProcA
// Keyboard navigation: Tab and Shift+Tab move between WS_TABSTOP controls,
// arrows within a group (unless the control wants them, as a scroll bar
// does), Enter sends WM_COMMAND with the focused push button or else the
// default id (IDOK unless DM_SETDEFID changed it), Escape WM_COMMAND IDCANCEL.
// Any other message of the dialog or its controls is translated and
// dispatched. Returns whether the message was the dialog's.
BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);
#define IsDialogMessage IsDialogMessageA
HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);
HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious);

HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
int GetDlgCtrlID(HWND hWnd);
BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax);
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
#define SetDlgItemText SetDlgItemTextA
#define GetDlgItemText GetDlgItemTextA
#define SendDlgItemMessage SendDlgItemMessageA
// Dialog units to pixels with the dialog font's base units: x * baseX / 4,
// y * baseY / 8, where baseY is the font's height and baseX the average width
// of the 52 letters, (extent / 26 + 1) / 2.
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
// The base units of the system font: width in the low word, height in the high.
LONG GetDialogBaseUnits();

// ---- Controls ---------------------------------------------------------------
// The classes "Static", "Button" (push buttons and group boxes), "ScrollBar"
// (SBS_HORZ) and "Edit" (one line) are registered with the first dialog.
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_NOPREFIX 0x00000080L

#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_GROUPBOX 0x00000007L
#define BS_TYPEMASK 0x0000000FL
#define BN_CLICKED 0
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008

#define SBS_HORZ 0x0000L
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_LINELEFT 0
#define SB_LINERIGHT 1
#define SB_PAGELEFT 2
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_LEFT 6
#define SB_RIGHT 7
#define SB_ENDSCROLL 8
#define SB_LINEUP SB_LINELEFT
#define SB_LINEDOWN SB_LINERIGHT
#define SB_PAGEUP SB_PAGELEFT
#define SB_PAGEDOWN SB_PAGERIGHT
#define SB_TOP SB_LEFT
#define SB_BOTTOM SB_RIGHT
#define SBM_SETPOS 0x00E0
#define SBM_GETPOS 0x00E1
#define SBM_SETRANGE 0x00E2
#define SBM_GETRANGE 0x00E3
#define SBM_SETRANGEREDRAW 0x00E6
// Scroll bar controls only (SB_CTL); the position is kept within the range.
// SetScrollPos returns the previous position, 0 on failure.
int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw);
int GetScrollPos(HWND hWnd, int nBar);
BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw);
BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos);

#define ES_LEFT 0x0000L
#define ES_PASSWORD 0x0020L
#define ES_AUTOHSCROLL 0x0080L
#define WS_EX_CLIENTEDGE 0x00000200L
#define EN_CHANGE 0x0300
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_GETPASSWORDCHAR 0x00D2
