#include "platform/drivers/wayland/wayland_keys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <iterator>

#include "platform/api/win32_user.h"

namespace vesper::platform::wayland {

namespace {

constexpr UINT kPrintScreenKey = 0x2C;  // VK_SNAPSHOT

struct SymbolKey {
    std::uint32_t keysym;
    UINT virtualKey;
    bool extended;
};

constexpr SymbolKey kSymbolKeys[] = {
    {XKB_KEY_Return, VK_RETURN, false},
    {XKB_KEY_KP_Enter, VK_RETURN, true},
    {XKB_KEY_Escape, VK_ESCAPE, false},
    {XKB_KEY_BackSpace, VK_BACK, false},
    {XKB_KEY_Tab, VK_TAB, false},
    {XKB_KEY_ISO_Left_Tab, VK_TAB, false},
    {XKB_KEY_space, VK_SPACE, false},
    {XKB_KEY_minus, VK_OEM_MINUS, false},
    {XKB_KEY_equal, VK_OEM_PLUS, false},
    {XKB_KEY_bracketleft, VK_OEM_4, false},
    {XKB_KEY_bracketright, VK_OEM_6, false},
    {XKB_KEY_backslash, VK_OEM_5, false},
    {XKB_KEY_semicolon, VK_OEM_1, false},
    {XKB_KEY_apostrophe, VK_OEM_7, false},
    {XKB_KEY_grave, VK_OEM_3, false},
    {XKB_KEY_comma, VK_OEM_COMMA, false},
    {XKB_KEY_period, VK_OEM_PERIOD, false},
    {XKB_KEY_slash, VK_OEM_2, false},
    {XKB_KEY_Caps_Lock, VK_CAPITAL, false},
    {XKB_KEY_Print, kPrintScreenKey, true},
    {XKB_KEY_Scroll_Lock, VK_SCROLL, false},
    {XKB_KEY_Pause, VK_PAUSE, false},
    {XKB_KEY_Insert, VK_INSERT, true},
    {XKB_KEY_Home, VK_HOME, true},
    {XKB_KEY_Prior, VK_PRIOR, true},
    {XKB_KEY_Delete, VK_DELETE, true},
    {XKB_KEY_End, VK_END, true},
    {XKB_KEY_Next, VK_NEXT, true},
    {XKB_KEY_Right, VK_RIGHT, true},
    {XKB_KEY_Left, VK_LEFT, true},
    {XKB_KEY_Down, VK_DOWN, true},
    {XKB_KEY_Up, VK_UP, true},
    {XKB_KEY_Num_Lock, VK_NUMLOCK, true},
    {XKB_KEY_KP_Divide, VK_DIVIDE, true},
    {XKB_KEY_KP_Multiply, VK_MULTIPLY, false},
    {XKB_KEY_KP_Subtract, VK_SUBTRACT, false},
    {XKB_KEY_KP_Add, VK_ADD, false},
    {XKB_KEY_KP_Decimal, VK_DECIMAL, false},
    {XKB_KEY_Menu, VK_APPS, true},
    {XKB_KEY_Control_L, VK_LCONTROL, false},
    {XKB_KEY_Shift_L, VK_LSHIFT, false},
    {XKB_KEY_Alt_L, VK_LMENU, false},
    {XKB_KEY_Super_L, VK_LWIN, true},
    {XKB_KEY_Control_R, VK_RCONTROL, true},
    {XKB_KEY_Shift_R, VK_RSHIFT, false},
    {XKB_KEY_Alt_R, VK_RMENU, true},
    {XKB_KEY_ISO_Level3_Shift, VK_RMENU, true},
    {XKB_KEY_Super_R, VK_RWIN, true},
};

// Runs of symbols numbered in the same order as their virtual keys.
struct SymbolRun {
    std::uint32_t first;
    std::uint32_t last;
    UINT firstVirtualKey;
};

constexpr SymbolRun kSymbolRuns[] = {
    {XKB_KEY_a, XKB_KEY_z, 'A'},
    {XKB_KEY_A, XKB_KEY_Z, 'A'},
    {XKB_KEY_0, XKB_KEY_9, '0'},
    {XKB_KEY_F1, XKB_KEY_F24, VK_F1},
    {XKB_KEY_KP_0, XKB_KEY_KP_9, VK_NUMPAD0},
};

}  // namespace

VirtualKey VirtualKeyOfSymbol(std::uint32_t keysym)
{
    for (const SymbolRun& run : kSymbolRuns)
        if (keysym >= run.first && keysym <= run.last)
            return VirtualKey{run.firstVirtualKey + static_cast<UINT>(keysym - run.first), false};
    const auto found = std::ranges::find(kSymbolKeys, keysym, &SymbolKey::keysym);
    if (found != std::end(kSymbolKeys))
        return VirtualKey{found->virtualKey, found->extended};
    return VirtualKey{};
}

}  // namespace vesper::platform::wayland
