#include "platform/drivers/sdl/sdl_keys.h"

#include <algorithm>
#include <iterator>

#include "platform/api/win32_user.h"

namespace vesper::platform::sdl {

namespace {

constexpr UINT kPrintScreenKey = 0x2C;  // VK_SNAPSHOT

struct PositionKey {
    SDL_Scancode scancode;
    UINT virtualKey;
    bool extended;
};

// Keys known by their position on the keyboard (a US layout's codes for the
// punctuation keys, as Windows gives them).
constexpr PositionKey kPositionKeys[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN, false},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, false},
    {SDL_SCANCODE_TAB, VK_TAB, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, false},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, false},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, false},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, false},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, false},
    {SDL_SCANCODE_PRINTSCREEN, kPrintScreenKey, true},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, false},
    {SDL_SCANCODE_INSERT, VK_INSERT, true},
    {SDL_SCANCODE_HOME, VK_HOME, true},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, true},
    {SDL_SCANCODE_END, VK_END, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, true},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, true},
    {SDL_SCANCODE_DOWN, VK_DOWN, true},
    {SDL_SCANCODE_UP, VK_UP, true},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, true},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, true},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, false},
    {SDL_SCANCODE_APPLICATION, VK_APPS, true},
    {SDL_SCANCODE_LCTRL, VK_LCONTROL, false},
    {SDL_SCANCODE_LSHIFT, VK_LSHIFT, false},
    {SDL_SCANCODE_LALT, VK_LMENU, false},
    {SDL_SCANCODE_LGUI, VK_LWIN, true},
    {SDL_SCANCODE_RCTRL, VK_RCONTROL, true},
    {SDL_SCANCODE_RSHIFT, VK_RSHIFT, false},
    {SDL_SCANCODE_RALT, VK_RMENU, true},
    {SDL_SCANCODE_RGUI, VK_RWIN, true},
};

// Where SDL numbers a run of keys in the same order as the virtual keys.
struct KeyRun {
    SDL_Scancode first;
    SDL_Scancode last;
    UINT firstVirtualKey;
};

constexpr KeyRun kKeyRuns[] = {
    {SDL_SCANCODE_A, SDL_SCANCODE_Z, 'A'},
    {SDL_SCANCODE_1, SDL_SCANCODE_9, '1'},
    {SDL_SCANCODE_0, SDL_SCANCODE_0, '0'},
    {SDL_SCANCODE_F1, SDL_SCANCODE_F12, VK_F1},
    {SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_9, VK_NUMPAD1},
};

}  // namespace

VirtualKey VirtualKeyOf(const SDL_Keysym& key)
{
    // A letter is the letter the layout puts on the key.
    if (key.sym >= SDLK_a && key.sym <= SDLK_z)
        return VirtualKey{static_cast<UINT>('A' + (key.sym - SDLK_a)), false};
    for (const KeyRun& run : kKeyRuns)
        if (key.scancode >= run.first && key.scancode <= run.last)
            return VirtualKey{run.firstVirtualKey + static_cast<UINT>(key.scancode - run.first), false};
    const auto found = std::ranges::find(kPositionKeys, key.scancode, &PositionKey::scancode);
    if (found != std::end(kPositionKeys))
        return VirtualKey{found->virtualKey, found->extended};
    return VirtualKey{};
}

}  // namespace vesper::platform::sdl
