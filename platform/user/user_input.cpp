// Keyboard and mouse input: backend events become WM_MOUSEMOVE, button and
// key messages in the queue of the window they are for; TranslateMessage
// and the key state functions read them back.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/kernel/clock.h"
#include "platform/user/user_state.h"

namespace vesper::platform::user {

namespace {

// ---- The US keyboard ----------------------------------------------------------
struct KeyEntry {
    UINT virtualKey;
    UINT scanCode;
    bool extended;
    char plain;
    char shifted;
};

constexpr KeyEntry kKeys[] = {
    {VK_ESCAPE, 0x01, false, 0x1B, 0x1B},  {'1', 0x02, false, '1', '!'},
    {'2', 0x03, false, '2', '@'},          {'3', 0x04, false, '3', '#'},
    {'4', 0x05, false, '4', '$'},          {'5', 0x06, false, '5', '%'},
    {'6', 0x07, false, '6', '^'},          {'7', 0x08, false, '7', '&'},
    {'8', 0x09, false, '8', '*'},          {'9', 0x0A, false, '9', '('},
    {'0', 0x0B, false, '0', ')'},          {VK_OEM_MINUS, 0x0C, false, '-', '_'},
    {VK_OEM_PLUS, 0x0D, false, '=', '+'},  {VK_BACK, 0x0E, false, 0x08, 0x08},
    {VK_TAB, 0x0F, false, '\t', '\t'},     {VK_OEM_4, 0x1A, false, '[', '{'},
    {VK_OEM_6, 0x1B, false, ']', '}'},     {VK_RETURN, 0x1C, false, '\r', '\r'},
    {VK_CONTROL, 0x1D, false, 0, 0},       {VK_OEM_1, 0x27, false, ';', ':'},
    {VK_OEM_7, 0x28, false, '\'', '"'},    {VK_OEM_3, 0x29, false, '`', '~'},
    {VK_SHIFT, 0x2A, false, 0, 0},         {VK_OEM_5, 0x2B, false, '\\', '|'},
    {VK_OEM_COMMA, 0x33, false, ',', '<'}, {VK_OEM_PERIOD, 0x34, false, '.', '>'},
    {VK_OEM_2, 0x35, false, '/', '?'},     {VK_MULTIPLY, 0x37, false, '*', '*'},
    {VK_MENU, 0x38, false, 0, 0},          {VK_SPACE, 0x39, false, ' ', ' '},
    {VK_CAPITAL, 0x3A, false, 0, 0},       {VK_NUMLOCK, 0x45, false, 0, 0},
    {VK_SCROLL, 0x46, false, 0, 0},        {VK_NUMPAD7, 0x47, false, '7', '7'},
    {VK_NUMPAD8, 0x48, false, '8', '8'}, {VK_NUMPAD9, 0x49, false, '9', '9'},
    {VK_SUBTRACT, 0x4A, false, '-', '-'},  {VK_NUMPAD4, 0x4B, false, '4', '4'},
    {VK_NUMPAD5, 0x4C, false, '5', '5'}, {VK_NUMPAD6, 0x4D, false, '6', '6'},
    {VK_ADD, 0x4E, false, '+', '+'},       {VK_NUMPAD1, 0x4F, false, '1', '1'},
    {VK_NUMPAD2, 0x50, false, '2', '2'}, {VK_NUMPAD3, 0x51, false, '3', '3'},
    {VK_NUMPAD0, 0x52, false, '0', '0'},   {VK_DECIMAL, 0x53, false, '.', '.'},
    {VK_F11, 0x57, false, 0, 0},       {VK_F12, 0x58, false, 0, 0},
    {VK_HOME, 0x47, true, 0, 0},           {VK_UP, 0x48, true, 0, 0},
    {VK_PRIOR, 0x49, true, 0, 0},          {VK_LEFT, 0x4B, true, 0, 0},
    {VK_RIGHT, 0x4D, true, 0, 0},          {VK_END, 0x4F, true, 0, 0},
    {VK_DOWN, 0x50, true, 0, 0},           {VK_NEXT, 0x51, true, 0, 0},
    {VK_INSERT, 0x52, true, 0, 0},         {VK_DELETE, 0x53, true, 0, 0},
    {VK_DIVIDE, 0x35, true, '/', '/'},     {VK_LWIN, 0x5B, true, 0, 0},
    {VK_RWIN, 0x5C, true, 0, 0},           {VK_APPS, 0x5D, true, 0, 0},
    {VK_LSHIFT, 0x2A, false, 0, 0},        {VK_RSHIFT, 0x36, false, 0, 0},
    {VK_LCONTROL, 0x1D, false, 0, 0},      {VK_RCONTROL, 0x1D, true, 0, 0},
    {VK_LMENU, 0x38, false, 0, 0},         {VK_RMENU, 0x38, true, 0, 0},
};

// The letter rows of the keyboard and the scan code of their first key.
struct LetterRow {
    std::string_view letters;
    UINT firstScanCode;
};
constexpr LetterRow kLetterRows[] = {{"QWERTYUIOP", 0x10}, {"ASDFGHJKL", 0x1E}, {"ZXCVBNM", 0x2C}};

std::optional<KeyEntry> KeyOf(UINT virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        for (const LetterRow& row : kLetterRows)
            if (const auto at = row.letters.find(static_cast<char>(virtualKey)); at != std::string_view::npos) {
                const char letter = static_cast<char>(virtualKey);
                return KeyEntry{virtualKey, row.firstScanCode + static_cast<UINT>(at), false, letter, letter};
            }
    }
    if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 10)
        return KeyEntry{virtualKey, 0x3B + (virtualKey - VK_F1), false, 0, 0};
    const auto found = std::find_if(std::begin(kKeys), std::end(kKeys), [virtualKey](const KeyEntry& key) { return key.virtualKey == virtualKey; });
    return found == std::end(kKeys) ? std::nullopt : std::optional(*found);
}

std::optional<UINT> VirtualKeyOfScanCode(UINT scanCode)
{
    for (UINT letter = 'A'; letter <= 'Z'; ++letter)
        if (KeyOf(letter)->scanCode == scanCode)
            return letter;
    for (UINT function = VK_F1; function < VK_F1 + 10; ++function)
        if (KeyOf(function)->scanCode == scanCode)
            return function;
    const auto found = std::find_if(std::begin(kKeys), std::end(kKeys), [scanCode](const KeyEntry& key) { return key.scanCode == scanCode; });
    return found == std::end(kKeys) ? std::nullopt : std::optional(found->virtualKey);
}

bool Down(const std::array<BYTE, 256>& keys, UINT virtualKey)
{
    return (keys[virtualKey & 0xFF] & 0x80) != 0;
}

// The character a key gives with the given key state, 0 for none. Control
// with a letter gives its control character; other keys, and keys with
// Control and Alt together, give nothing while Control is held.
char CharacterOf(UINT virtualKey, const std::array<BYTE, 256>& keys)
{
    const std::optional<KeyEntry> key = KeyOf(virtualKey);
    if (!key || !key->plain)
        return 0;
    const bool letter = virtualKey >= 'A' && virtualKey <= 'Z';
    if (Down(keys, VK_CONTROL))
        return letter && !Down(keys, VK_MENU) ? static_cast<char>(virtualKey - 'A' + 1) : 0;
    const bool shift = Down(keys, VK_SHIFT);
    if (letter) {
        const bool capsLock = (keys[VK_CAPITAL] & 1) != 0;
        return shift != capsLock ? key->plain : static_cast<char>(std::tolower(key->plain));
    }
    return shift ? key->shifted : key->plain;
}

// ---- Turning events into messages --------------------------------------------
UINT GenericKey(UINT virtualKey)
{
    switch (virtualKey) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return virtualKey & 0xFF;
    }
}

WPARAM MouseKeyFlags(const State& state)
{
    const auto& keys = state.asyncKeys;
    return (Down(keys, VK_LBUTTON) ? MK_LBUTTON : 0) | (Down(keys, VK_RBUTTON) ? MK_RBUTTON : 0) |
           (Down(keys, VK_MBUTTON) ? MK_MBUTTON : 0) | (Down(keys, VK_SHIFT) ? MK_SHIFT : 0) |
           (Down(keys, VK_CONTROL) ? MK_CONTROL : 0);
}

void QueueInputLocked(ThreadQueue& queue, const MSG& msg)
{
    // Consecutive mouse moves to one window merge into the latest, as on Windows.
    if (msg.message == WM_MOUSEMOVE && !queue.input.empty() && queue.input.back().msg.message == WM_MOUSEMOVE &&
        queue.input.back().msg.hwnd == msg.hwnd)
        queue.input.back().msg = msg;
    else
        queue.input.push_back(InputMessage{msg, false});
    queue.arrived |= InputStatusOf(msg.message);
    WakeWaiters();
}

void QueueMouseMessageLocked(HWND target, UINT message)
{
    State& state = GetState();
    const Window* window = FindWindowRecord(target);
    ThreadQueue* queue = window ? QueueOf(window->thread) : nullptr;
    if (!queue)
        return;
    const RECT client = ClientOnScreen(*window);
    const LPARAM position = MAKELPARAM(state.cursor.x - client.left, state.cursor.y - client.top);
    QueueInputLocked(*queue, MSG{target, message, MouseKeyFlags(state), position, GetTickCount(), state.cursor});
}

HWND MouseTargetLocked()
{
    State& state = GetState();
    return state.capture ? state.capture : WindowAt(state.cursor);
}

struct ButtonMessages {
    UINT virtualKey;
    UINT down;
    UINT up;
    UINT doubleClick;
};

ButtonMessages MessagesOf(MouseButton button)
{
    switch (button) {
    case MouseButton::Right:
        return {VK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK};
    case MouseButton::Middle:
        return {VK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK};
    case MouseButton::Left:
    default:
        return {VK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK};
    }
}

constexpr LONG kDoubleClickReach = 2;  // half of SM_CXDOUBLECLK and SM_CYDOUBLECLK

// A second press of the same button on the same window of a CS_DBLCLKS class,
// soon and near enough, is a double click.
UINT PressMessageLocked(HWND target, const ButtonMessages& messages)
{
    State& state = GetState();
    const Window* window = FindWindowRecord(target);
    const bool classWantsDoubleClicks = window && window->windowClass &&
                                        (window->windowClass->info.style & CS_DBLCLKS);
    const DWORD now = GetTickCount();
    const LastClick& last = state.lastClick;
    const bool doubleClick = classWantsDoubleClicks && last.window == target && last.message == messages.down &&
                             now - last.time <= GetDoubleClickTime() &&
                             std::abs(state.cursor.x - last.position.x) <= kDoubleClickReach &&
                             std::abs(state.cursor.y - last.position.y) <= kDoubleClickReach;
    state.lastClick = doubleClick ? LastClick{} : LastClick{target, messages.down, now, state.cursor};
    return doubleClick ? messages.doubleClick : messages.down;
}

void DeliverButtonLocked(MouseButton button, bool down)
{
    State& state = GetState();
    const ButtonMessages messages = MessagesOf(button);
    state.asyncKeys[messages.virtualKey] = down ? 0x80 : 0;
    const HWND target = MouseTargetLocked();
    if (!target)
        return;
    QueueMouseMessageLocked(target, down ? PressMessageLocked(target, messages) : messages.up);
}

// Keys go to the focus window inside the foreground window, else to the
// foreground window itself. Alt turns them into system keys (unless
// Control is held too, as for AltGr), and so does F10.
void DeliverKeyLocked(const InputEvent& event, bool down)
{
    State& state = GetState();
    const UINT virtualKey = GenericKey(event.virtualKey);
    BYTE& key = state.asyncKeys[virtualKey];
    const bool wasDown = (key & 0x80) != 0;
    if (down) {
        if (!wasDown)
            key ^= 1;
        key |= 0x80;
    } else {
        key &= ~0x80;
    }
    const bool alt = Down(state.asyncKeys, VK_MENU) || virtualKey == VK_MENU;
    const bool system = !Down(state.asyncKeys, VK_CONTROL) && (alt || virtualKey == VK_F10);
    const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);

    const std::optional<KeyEntry> entry = KeyOf(event.virtualKey);
    const UINT scanCode = event.scanCode ? event.scanCode : (entry ? entry->scanCode : 0);
    const bool extended = event.extendedKey || (entry && entry->extended);
    const DWORD keyData = 1u | ((scanCode & 0xFF) << 16) | (extended ? 1u << 24 : 0) |
                          (system && alt ? 1u << 29 : 0) | ((down ? wasDown : true) ? 1u << 30 : 0) |
                          (down ? 0 : 1u << 31);
    const HWND target =
        state.focus && state.foreground && IsDescendant(state.foreground, state.focus) ? state.focus : state.foreground;
    const Window* window = FindWindowRecord(target);
    ThreadQueue* queue = window ? QueueOf(window->thread) : nullptr;
    if (!queue)
        return;
    QueueInputLocked(*queue, MSG{target, message, virtualKey, static_cast<LPARAM>(keyData), GetTickCount(),
                                 state.cursor});
}

void DeliverSystemCommandLocked(WPARAM command)
{
    State& state = GetState();
    const Window* window = FindWindowRecord(state.foreground);
    if (ThreadQueue* queue = window ? QueueOf(window->thread) : nullptr) {
        queue->posted.push_back(MSG{state.foreground, WM_SYSCOMMAND, command, 0, GetTickCount(), state.cursor});
        queue->arrived |= QS_POSTMESSAGE;
        WakeWaiters();
    }
}

// Every top-level window of the program learns that the monitors changed.
void DeliverDisplayChangeLocked(SIZE screen)
{
    State& state = GetState();
    for (const auto& [key, window] : state.windows) {
        if (window->foreign || window->IsChild() || window->destroying)
            continue;
        if (ThreadQueue* queue = QueueOf(window->thread)) {
            queue->posted.push_back(MSG{window->handle, WM_DISPLAYCHANGE, 32,
                                        MAKELPARAM(static_cast<WORD>(screen.cx), static_cast<WORD>(screen.cy)),
                                        GetTickCount(), state.cursor});
            queue->arrived |= QS_POSTMESSAGE;
        }
    }
}

void DeliverInputLocked(const std::vector<InputEvent>& events, SIZE screen)
{
    for (const InputEvent& event : events) {
        switch (event.kind) {
        case InputEvent::Kind::MouseMove:
            MoveCursorLocked(event.position, screen);
            break;
        case InputEvent::Kind::ButtonDown:
        case InputEvent::Kind::ButtonUp:
            DeliverButtonLocked(event.button, event.kind == InputEvent::Kind::ButtonDown);
            break;
        case InputEvent::Kind::KeyDown:
        case InputEvent::Kind::KeyUp:
            DeliverKeyLocked(event, event.kind == InputEvent::Kind::KeyDown);
            break;
        case InputEvent::Kind::SystemCommand:
            DeliverSystemCommandLocked(event.command);
            break;
        case InputEvent::Kind::ForeignWindowGone:
            if (const Window* window = FindWindowRecord(reinterpret_cast<HWND>(event.foreignWindow));
                window && window->foreign)
                RemoveWindowLocked(window->handle);
            break;
        case InputEvent::Kind::MonitorsChanged:
            DeliverDisplayChangeLocked(screen);
            break;
        }
    }
}

}  // namespace

bool IsMouseMessage(UINT message)
{
    return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

UINT InputStatusOf(UINT message)
{
    if (message == WM_MOUSEMOVE)
        return QS_MOUSEMOVE;
    return IsMouseMessage(message) ? QS_MOUSEBUTTON : QS_KEY;
}

void MoveCursorLocked(POINT screenPoint, SIZE screen)
{
    State& state = GetState();
    state.cursor.x = std::clamp<LONG>(screenPoint.x, 0, std::max<LONG>(screen.cx - 1, 0));
    state.cursor.y = std::clamp<LONG>(screenPoint.y, 0, std::max<LONG>(screen.cy - 1, 0));
    if (const HWND target = MouseTargetLocked())
        QueueMouseMessageLocked(target, WM_MOUSEMOVE);
}

void PumpInput()
{
    const auto backend = CurrentWindowBackend();
    {
        Lock lock = LockState();
        GetState().inputPending = false;
    }
    const std::vector<InputEvent> events = backend->TakeInputEvents();
    if (events.empty())
        return;
    const SIZE screen = ScreenSize();
    Lock lock = LockState();
    DeliverInputLocked(events, screen);
    WakeWaiters();
}

void NoteRetrievedInput(ThreadQueue& queue, const MSG& msg)
{
    auto& keys = queue.keys;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        BYTE& key = keys[msg.wParam & 0xFF];
        if (!(key & 0x80))
            key ^= 1;
        key |= 0x80;
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        keys[msg.wParam & 0xFF] &= ~0x80;
        break;
    default:
        if (IsMouseMessage(msg.message)) {
            keys[VK_LBUTTON] = (msg.wParam & MK_LBUTTON) ? 0x80 : 0;
            keys[VK_RBUTTON] = (msg.wParam & MK_RBUTTON) ? 0x80 : 0;
            keys[VK_MBUTTON] = (msg.wParam & MK_MBUTTON) ? 0x80 : 0;
        }
        break;
    }
}

}  // namespace vesper::platform::user

void vesper::platform::NotifyInputAvailable()
{
    {
        user::Lock lock = user::LockState();
        user::GetState().inputPending = true;
    }
    WakeWaiters();
}

using namespace vesper::platform;
using namespace vesper::platform::user;

BOOL TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg)
        return FALSE;
    const UINT message = lpMsg->message;
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN)
        return message == WM_KEYUP || message == WM_SYSKEYUP;
    Lock lock = LockState();
    ThreadQueue& queue = CurrentQueue();
    if (const char character = CharacterOf(static_cast<UINT>(lpMsg->wParam), queue.keys)) {
        const UINT charMessage = message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        queue.posted.push_back(MSG{lpMsg->hwnd, charMessage, static_cast<WPARAM>(static_cast<unsigned char>(character)),
                                   lpMsg->lParam, lpMsg->time, lpMsg->pt});
        queue.arrived |= QS_POSTMESSAGE;
        WakeWaiters();
    }
    return TRUE;
}

SHORT GetKeyState(int nVirtKey)
{
    Lock lock = LockState();
    const ThreadQueue* queue = QueueOf(CurrentThread());
    const BYTE key = queue ? queue->keys[static_cast<UINT>(nVirtKey) & 0xFF] : 0;
    return static_cast<SHORT>(((key & 0x80) ? 0x8000 : 0) | (key & 1));
}

SHORT GetAsyncKeyState(int vKey)
{
    Lock lock = LockState();
    return static_cast<SHORT>((GetState().asyncKeys[static_cast<UINT>(vKey) & 0xFF] & 0x80) ? 0x8000 : 0);
}

UINT MapVirtualKeyA(UINT uCode, UINT uMapType)
{
    switch (uMapType) {
    case MAPVK_VK_TO_VSC: {
        const std::optional<KeyEntry> key = KeyOf(uCode);
        return key ? key->scanCode : 0;
    }
    case MAPVK_VSC_TO_VK:
        return VirtualKeyOfScanCode(uCode).value_or(0);
    case MAPVK_VK_TO_CHAR: {
        const std::optional<KeyEntry> key = KeyOf(uCode);
        return key ? static_cast<UINT>(static_cast<unsigned char>(key->plain)) : 0;
    }
    default:
        return 0;
    }
}

SHORT VkKeyScanA(CHAR ch)
{
    constexpr SHORT kShift = 0x100;
    constexpr SHORT kNoKey = -1;
    if (ch >= 'a' && ch <= 'z')
        return static_cast<SHORT>(ch - 'a' + 'A');
    if (ch >= 'A' && ch <= 'Z')
        return static_cast<SHORT>(ch | kShift);
    for (const KeyEntry& key : kKeys) {
        if (key.plain == ch)
            return static_cast<SHORT>(key.virtualKey);
        if (key.shifted == ch)
            return static_cast<SHORT>(key.virtualKey | kShift);
    }
    return kNoKey;
}
