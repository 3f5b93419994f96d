// Message boxes as dialogs of the dialog manager on the headless screen:
// their buttons and texts in the user's language, the keys and the close box
// answering as Windows' boxes do, a layout that holds the text, and the
// icon and face of the other dialogs.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "platform/user/dialog/dialog_manager.h"
#include "platform/user/message_box.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/language.h"
#include "tests/support/platform/dialog_headless.h"

namespace vesper::test {
namespace {

namespace headless = platform::headless;
using platform::MessageBoxRequest;

constexpr int kTextId = 0xFFFF;
constexpr char kCaption[] = "Box under test";

int NeverShown(const MessageBoxRequest&)
{
    ADD_FAILURE() << "the fallback showed a box that the dialog manager could show";
    return 0;
}

class MessageBoxDialog : public WindowTest {
protected:
    // Shows the box on this thread while `script` works it from another;
    // the box's answer.
    template <typename Script>
    int Show(const std::string& text, UINT type, Script&& script)
    {
        std::thread driver([&] {
            HWND box = headless::WaitForDialog(kCaption);
            if (!box) {
                ADD_FAILURE() << "no box";
                return;
            }
            script(box);
            if (!headless::WaitForDialogClosed(box)) {
                ADD_FAILURE() << "the box stayed open";
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                PostMessageA(box, WM_COMMAND, IDYES, 0);
            }
        });
        const int answer = platform::ShowMessageBoxDialog({nullptr, text, kCaption, type}, NeverShown);
        driver.join();
        return answer;
    }

    static RECT Area(HWND window)
    {
        RECT area{};
        GetWindowRect(window, &area);
        return area;
    }
};

TEST_F(MessageBoxDialog, KeysAndTheCloseBoxAnswerAsOnWindows)
{
    struct Case {
        UINT type;
        UINT key;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, VK_RETURN, IDOK},         {MB_OK, VK_SPACE, IDOK},         {MB_OK, VK_ESCAPE, IDOK},
        {MB_OKCANCEL, VK_RETURN, IDOK},   {MB_OKCANCEL, VK_SPACE, IDOK},   {MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
        {MB_YESNO, VK_RETURN, IDYES},     {MB_YESNO, VK_SPACE, IDYES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " key " << c.key);
        EXPECT_EQ(Show("Go on?", c.type, [&](HWND box) { headless::PressDialogKey(box, c.key); }), c.answer);
    }
    EXPECT_EQ(Show("Go on?", MB_OKCANCEL, [](HWND box) { headless::CloseDialog(box); }), IDCANCEL);
    EXPECT_EQ(Show("Go on?", MB_OK, [](HWND box) { headless::CloseDialog(box); }), IDOK);
    // Tab moves to the second button, which Enter then presses.
    EXPECT_EQ(Show("Go on?", MB_OKCANCEL,
                   [](HWND box) {
                       headless::PressDialogKey(box, VK_TAB);
                       headless::PressDialogKey(box, VK_RETURN);
                   }),
              IDCANCEL);
}

TEST_F(MessageBoxDialog, EscapeAndClosingDoNotAnswerABoxOfYesAndNo)
{
    EXPECT_EQ(Show("Keep it?", MB_YESNO,
                   [](HWND box) {
                       headless::PressDialogKey(box, VK_ESCAPE);
                       headless::CloseDialog(box);
                       EXPECT_TRUE(IsWindow(box)) << "Escape or the close box answered";
                       headless::ClickControl(box, IDNO);
                   }),
              IDNO);
}

TEST_F(MessageBoxDialog, ButtonsSpeakTheLanguageOfTheLocale)
{
    ASSERT_TRUE(LocaleGenerated(kFrench)) << "scripts/setup.sh generates the locale";
    struct Case {
        const char* locale;
        UINT type;
        int first;
        const char* firstText;
        int second;
        const char* secondText;
    };
    const Case cases[] = {
        {kFrench, MB_OKCANCEL, IDOK, "OK", IDCANCEL, "Annuler"},
        {kFrench, MB_YESNO, IDYES, "Oui", IDNO, "Non"},
        {kEnglish, MB_OKCANCEL, IDOK, "OK", IDCANCEL, "Cancel"},
        {kEnglish, MB_YESNO, IDYES, "Yes", IDNO, "No"},
        {"xx_YY.UTF-8", MB_YESNO, IDYES, "Yes", IDNO, "No"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        const ScopedLanguage language(c.locale);
        Show("Texte", c.type, [&](HWND box) {
            EXPECT_EQ(headless::ControlText(box, c.first), c.firstText);
            EXPECT_EQ(headless::ControlText(box, c.second), c.secondText);
            EXPECT_EQ(headless::ControlText(box, kTextId), "Texte");
            headless::PressDialogKey(box, VK_RETURN);
        });
    }
}

TEST_F(MessageBoxDialog, ALongTextWrapsInsideTheBoxAboveTheCentredButtons)
{
    std::string text;
    for (int word = 0; word < 60; ++word)
        text += "word" + std::to_string(word) + " ";
    Show(text, MB_OKCANCEL | MB_ICONEXCLAMATION, [&](HWND box) {
        const RECT whole = Area(box);
        const RECT label = Area(GetDlgItem(box, kTextId));
        const RECT ok = Area(GetDlgItem(box, IDOK));
        const RECT cancel = Area(GetDlgItem(box, IDCANCEL));
        RECT screen{};
        GetClientRect(GetDesktopWindow(), &screen);
        EXPECT_LE(whole.right - whole.left, screen.right) << "the box fits the screen";
        EXPECT_GT(label.bottom - label.top, 3 * 8) << "the text wrapped onto several lines";
        EXPECT_GE(label.left, whole.left + 32) << "the icon stands left of the text";
        EXPECT_LE(label.right, whole.right);
        EXPECT_GE(ok.top, label.bottom) << "the buttons stand below the text";
        EXPECT_LE(cancel.bottom, whole.bottom);
        EXPECT_LE(std::abs((ok.left - whole.left) - (whole.right - cancel.right)), 2) << "the buttons are centred";
        headless::PressDialogKey(box, VK_ESCAPE);
    });
}

TEST_F(MessageBoxDialog, TheBoxHasTheDialogsFaceAndTheIconOfItsType)
{
    struct Case {
        UINT icon;
        COLORREF colour;
    };
    const Case cases[] = {
        {MB_ICONEXCLAMATION, RGB(255, 255, 0)},
        {MB_ICONHAND, RGB(255, 0, 0)},
        {MB_ICONASTERISK, RGB(0, 0, 255)},
        {MB_ICONQUESTION, RGB(0, 0, 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "icon " << c.icon);
        Show("Look at me", MB_OK | c.icon, [&](HWND box) {
            const RECT whole = Area(box);
            const RECT label = Area(GetDlgItem(box, kTextId));
            int face = 0;
            int iconColour = 0;
            // Left of the text: the icon on the dialog's face.
            for (LONG y = whole.top + 20; y < whole.top + 70; ++y) {
                for (LONG x = whole.left + 4; x < label.left; ++x) {
                    const COLORREF colour = m_screen->ColourAt(x, y);
                    face += colour == GetSysColor(COLOR_BTNFACE);
                    iconColour += colour == c.colour;
                }
            }
            EXPECT_GT(face, 100) << "the face of the dialogs";
            EXPECT_GT(iconColour, 10) << "the icon's colour";
            headless::PressDialogKey(box, VK_RETURN);
        });
    }
    // Without an icon the text begins at the margin.
    Show("Plain", MB_OK, [&](HWND box) {
        EXPECT_LT(Area(GetDlgItem(box, kTextId)).left, Area(box).left + 20);
        headless::PressDialogKey(box, VK_RETURN);
    });
}

}  // namespace
}  // namespace vesper::test
