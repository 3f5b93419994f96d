// The virtual keys of the symbols a Wayland keymap puts on keys.
#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/drivers/wayland/wayland_keys.h"
#include "platform/win32.h"

namespace {

using namespace vesper::platform::wayland;

TEST(WaylandKeys, LettersAndDigitsAreTheirMeaning)
{
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_a).code, static_cast<UINT>('A'));
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_z).code, static_cast<UINT>('Z'));
    // A keymap may put a capital on a key's first level (wtype's do).
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_Q).code, static_cast<UINT>('Q'));
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_0).code, static_cast<UINT>('0'));
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_9).code, static_cast<UINT>('9'));
    EXPECT_FALSE(VirtualKeyOfSymbol(XKB_KEY_a).extended);
}

TEST(WaylandKeys, OtherKeysAndTheExtendedOnes)
{
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_Return).code, static_cast<UINT>(VK_RETURN));
    EXPECT_FALSE(VirtualKeyOfSymbol(XKB_KEY_Return).extended);
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_KP_Enter).code, static_cast<UINT>(VK_RETURN));
    EXPECT_TRUE(VirtualKeyOfSymbol(XKB_KEY_KP_Enter).extended);
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_Escape).code, static_cast<UINT>(VK_ESCAPE));
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_F1).code, static_cast<UINT>(VK_F1));
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_F12).code, static_cast<UINT>(VK_F1 + 11));
    EXPECT_TRUE(VirtualKeyOfSymbol(XKB_KEY_Left).extended);
    EXPECT_TRUE(VirtualKeyOfSymbol(XKB_KEY_Control_R).extended);
    EXPECT_FALSE(VirtualKeyOfSymbol(XKB_KEY_Control_L).extended);
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_KP_5).code, static_cast<UINT>(VK_NUMPAD0 + 5));
}

TEST(WaylandKeys, AnyOtherKeyStillCounts)
{
    // Keys without a code of their own (a media key, a letter of another
    // alphabet) are still keys: saving ends on them too.
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_XF86AudioPlay).code, kUnmappedKey);
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_Cyrillic_a).code, kUnmappedKey);
    EXPECT_EQ(VirtualKeyOfSymbol(XKB_KEY_NoSymbol).code, kUnmappedKey);
}

}  // namespace
