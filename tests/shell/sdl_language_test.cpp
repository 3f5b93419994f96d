// One language and one look in every window of the packed demo saver, run as
// its own process on a real X server under LANG=en_US.UTF-8 and
// LANG=fr_FR.UTF-8: the configuration dialog, both password prompts, the
// password notice and the damaged-saver box each show the texts of the
// locale's language and none of the other's, and the boxes are drawn like the
// dialogs. A text is found on the screen by its picture: this process draws it
// as the dialogs draw their texts (8-point MS Sans Serif, button text on the
// button face) and looks for exactly those pixels. Screenshots of every
// window go to language-screenshots/ in the test's working folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/headless/headless_windows.h"
#include "tests/support/language.h"
#include "tests/support/test_data.h"
// Last: Xlib defines macros (None, Status) that the headers above use as names.
#include "tests/platform/drivers/sdl/sdl_test_support.h"
#include "tests/shell/saver_process.h"

namespace vesper::test {
namespace {

// The texts of one language, in UTF-8 (the window titles) and in
// Windows-1252 (what the dialogs draw).
struct Language {
    const char* locale;
    const char* name;
    std::vector<std::string> configuration;  // drawn in the configuration dialog
    std::string passwordCaption;             // UTF-8
    std::string newPassword;
    std::string newPasswordAgain;
    std::string cancel;
    std::string passwordsDiffer;  // the start of the notice
    std::string errorCaption;
    std::string unexpectedFormat;
    std::string notLoaded;  // UTF-8, on standard error
};

const Language kFrenchTexts{
    kFrench,
    "fr",
    {"Vitesse d'affichage", "Lente", "Rapide", "Annuler", "Vesper Scene 1.0 pour Windows 95"},
    "Mot de passe de l'\xc3\xa9" "cran de veille",
    "Tapez le nouveau mot de passe :",
    "Tapez \xe0 nouveau le nouveau mot de passe :",
    "Annuler",
    "Le nouveau mot de passe et sa confirmation",
    "Erreur",
    "Format de fichier inattendu.",
    "ne peut pas \xc3\xaatre charg\xc3\xa9" "e",
};

const Language kEnglishTexts{
    kEnglish,
    "en",
    {"Display speed", "Slow", "Fast", "Cancel", "Vesper Scene 1.0 for Windows 95"},
    "Screen saver password",
    "Type the new password:",
    "Type the new password again:",
    "Cancel",
    "The new password and its confirmation",
    "Error",
    "Unexpected file format.",
    "cannot be loaded",
};

const Language& Other(const Language& language)
{
    return &language == &kFrenchTexts ? kEnglishTexts : kFrenchTexts;
}

constexpr int kTextTolerance = 8;

bool Close(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= kTextTolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= kTextTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kTextTolerance;
}

// A Windows-1252 text as the dialogs draw it, cut to its ink.
Screenshot TextPicture(const std::string& text)
{
    constexpr int kWidth = 900;
    constexpr int kHeight = 30;
    platform::HeadlessDisplay& screen = platform::UseHeadlessDisplay({kWidth, kHeight, 32});
    platform::UseHeadlessWindowBackend();
    HDC dc = GetDC(nullptr);
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutA(dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    RECT ink{kWidth, kHeight, 0, 0};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (screen.ColourAt(x, y) != GetSysColor(COLOR_BTNFACE))
                ink = RECT{std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                           std::max<LONG>(ink.bottom, y + 1)};
    Screenshot picture;
    if (IsRectEmpty(&ink))
        return picture;
    picture.width = ink.right - ink.left;
    picture.height = ink.bottom - ink.top;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            picture.pixels.push_back(screen.ColourAt(x, y));
    platform::UseWindowBackend(nullptr);
    platform::UseDisplay(nullptr);
    return picture;
}

// Whether the screenshot shows the text somewhere.
bool Shows(const Screenshot& shot, const std::string& text)
{
    const Screenshot picture = TextPicture(text);
    if (picture.pixels.empty())
        return false;
    for (int top = 0; top + picture.height <= shot.height; ++top) {
        for (int left = 0; left + picture.width <= shot.width; ++left) {
            bool same = true;
            for (int y = 0; same && y < picture.height; ++y)
                for (int x = 0; same && x < picture.width; ++x)
                    same = Close(shot.At(left + x, top + y), picture.At(x, y));
            if (same)
                return true;
        }
    }
    return false;
}

class SdlLanguages : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string unavailable = DemoOnXUnavailable(m_x);
        if (!unavailable.empty())
            GTEST_SKIP() << unavailable;
        for (const char* locale : {kFrench, kEnglish})
            ASSERT_TRUE(LocaleGenerated(locale)) << locale << " is not generated (scripts/setup.sh generates it)";
        ASSERT_TRUE(RunCommand("xdotool version")) << "xdotool is missing (scripts/setup.sh installs it)";
        RunCommand("xdotool mousemove 0 0");
        std::filesystem::create_directories(kScreenshots);
    }

    std::unique_ptr<ChildProcess> Start(const Language& language, const std::vector<std::string>& args,
                                        const std::string& program)
    {
        return std::make_unique<ChildProcess>(
            program, args, m_folder.path(), m_folder / "output.txt",
            std::vector<std::string>{std::string("LANG=") + language.locale, "LC_ALL=", "LC_MESSAGES=", "LANGUAGE=",
                                     // A saver copied elsewhere finds the build's catalogues here, as an
                                     // installed package's in the system's folder.
                                     std::string("TEXTDOMAINDIR=") + VESPER_LOCALE_DIR});
    }

    // The window with this title once it takes keys, other than `not`.
    std::optional<XWindow> WaitForWindow(const std::string& title, std::optional<XWindow> not_ = std::nullopt)
    {
        std::optional<XWindow> found;
        PollUntil([&] { return (found = m_x.FindByName(title)) && found != not_ && m_x.ReceivesKeys(*found); },
                  kStartTimeout);
        return found && found != not_ && m_x.ReceivesKeys(*found) ? found : std::nullopt;
    }

    // What the window shows, also saved as a PNG for a person to look at.
    Screenshot Picture(XWindow window, const std::string& name)
    {
        // Once drawn: the dialogs paint right after they show.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const std::optional<RECT> area = m_x.AreaOf(window);
        if (!area)
            return {};
        RunCommand("import -window root -crop " + std::to_string(area->right - area->left) + "x" +
                   std::to_string(area->bottom - area->top) + "+" + std::to_string(area->left) + "+" +
                   std::to_string(area->top) + " +repage " + (kScreenshots / (name + ".png")).string());
        return m_x.Capture(*area);
    }

    static void ExpectOneLanguage(const Screenshot& shot, const std::vector<std::string>& mine,
                                  const std::vector<std::string>& others)
    {
        ASSERT_FALSE(shot.pixels.empty()) << "no screenshot";
        for (const std::string& text : mine)
            EXPECT_TRUE(Shows(shot, text)) << "\"" << text << "\" is not shown";
        for (const std::string& text : others)
            EXPECT_FALSE(Shows(shot, text)) << "\"" << text << "\" of the other language is shown";
    }

    // The look of the dialogs: mostly their face, with the icon's colour.
    static void ExpectDialogLook(const Screenshot& shot, COLORREF iconColour)
    {
        std::size_t face = 0;
        std::size_t icon = 0;
        for (COLORREF colour : shot.pixels) {
            face += colour == GetSysColor(COLOR_BTNFACE);
            icon += colour == iconColour;
        }
        EXPECT_GT(face * 2, shot.pixels.size()) << "the box is not on the dialogs' face";
        EXPECT_GT(icon, 20u) << "the box shows no icon of its kind";
    }

    bool Ended(ChildProcess& child)
    {
        PollUntil([&] { return !child.Running(); }, kExitTimeout);
        return !child.Running();
    }

    const std::filesystem::path kScreenshots = std::filesystem::current_path() / "language-screenshots";
    XConnection m_x;
    ScratchDir m_folder;
};

TEST_F(SdlLanguages, TheConfigurationDialogSpeaksTheLocalesLanguage)
{
#if defined(VESPER_DEMO_SAVER)
    for (const Language* language : {&kFrenchTexts, &kEnglishTexts}) {
        SCOPED_TRACE(language->locale);
        const auto configure = Start(*language, {"/c"}, VESPER_DEMO_SAVER);
        const std::optional<XWindow> dialog = WaitForWindow("Configuration");
        ASSERT_TRUE(dialog) << "no configuration dialog: " << configure->Output();
        ExpectOneLanguage(Picture(*dialog, std::string("configuration-") + language->name), language->configuration,
                          Other(*language).configuration);
        RunCommand("xdotool key Escape");
        ASSERT_TRUE(Ended(*configure));
        EXPECT_EQ(configure->ExitCode(), 0) << "Escape is Cancel";
    }
#endif
}

TEST_F(SdlLanguages, BothPasswordPromptsAndTheNoticeSpeakTheLocalesLanguage)
{
#if defined(VESPER_DEMO_SAVER)
    for (const Language* language : {&kFrenchTexts, &kEnglishTexts}) {
        SCOPED_TRACE(language->locale);
        std::filesystem::remove_all(m_folder / "vesper");
        const auto change = Start(*language, {"/a"}, VESPER_DEMO_SAVER);
        const Language& other = Other(*language);

        const std::optional<XWindow> first = WaitForWindow(language->passwordCaption);
        ASSERT_TRUE(first) << "no password prompt titled in the language: " << change->Output();
        ExpectOneLanguage(Picture(*first, std::string("password-new-") + language->name),
                          {language->newPassword, language->cancel}, {other.newPassword, other.cancel});
        RunCommand("xdotool type abc");
        RunCommand("xdotool key Return");

        const std::optional<XWindow> second = WaitForWindow(language->passwordCaption, first);
        ASSERT_TRUE(second) << "no second prompt: " << change->Output();
        ExpectOneLanguage(Picture(*second, std::string("password-again-") + language->name),
                          {language->newPasswordAgain, language->cancel}, {other.newPasswordAgain, other.cancel});
        RunCommand("xdotool type abd");
        RunCommand("xdotool key Return");

        const std::optional<XWindow> notice = WaitForWindow(language->passwordCaption, second);
        ASSERT_TRUE(notice) << "no notice that the entries differ: " << change->Output();
        const Screenshot box = Picture(*notice, std::string("password-notice-") + language->name);
        ExpectOneLanguage(box, {language->passwordsDiffer, "OK"}, {other.passwordsDiffer});
        ExpectDialogLook(box, RGB(255, 255, 0));
        RunCommand("xdotool key space");
        ASSERT_TRUE(Ended(*change)) << "Space did not answer the notice";
        EXPECT_FALSE(std::filesystem::exists(m_folder / "vesper" / "password.hash")) << "differing entries set nothing";
    }
#endif
}

TEST_F(SdlLanguages, ADamagedSaverSaysSoInTheLocalesLanguageAndWritesNothing)
{
#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
    const std::filesystem::path damaged = WriteDamagedDemoSaver(m_folder.path());
    for (const Language* language : {&kFrenchTexts, &kEnglishTexts}) {
        SCOPED_TRACE(language->locale);
        const auto saver = Start(*language, {"/s"}, damaged.string());
        const std::optional<XWindow> box = WaitForWindow(language->errorCaption);
        ASSERT_TRUE(box) << "no box titled in the language: " << saver->Output();
        const Screenshot shot = Picture(*box, std::string("damaged-") + language->name);
        ExpectOneLanguage(shot, {language->unexpectedFormat, "OK"}, {Other(*language).unexpectedFormat});
        ExpectDialogLook(shot, RGB(255, 255, 0));
        RunCommand("xdotool key Return");
        ASSERT_TRUE(Ended(*saver)) << "Enter did not answer the box";
        EXPECT_NE(saver->ExitCode(), 0);
        EXPECT_NE(saver->Output().find(language->notLoaded), std::string::npos) << saver->Output();
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder.path()))
            EXPECT_TRUE(entry.is_directory() || entry.path() == damaged || entry.path().filename() == "output.txt")
                << "a damaged saver wrote " << entry.path();
    }
#endif
}

}  // namespace
}  // namespace vesper::test
