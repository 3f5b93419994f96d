// The texts of ours in the user's language: French where the messages locale
// is French, English in every other locale, without a catalogue and for a
// locale the system does not know.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/kernel/translation.h"
#include "tests/support/language.h"

namespace vesper::test {
namespace {

class Translation : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* locale : {kFrench, kEnglish})
            ASSERT_TRUE(LocaleGenerated(locale)) << locale << " is not generated on this system (scripts/setup.sh)";
    }
};

TEST_F(Translation, FrenchLocaleGivesTheFrenchTextsInBothCodes)
{
    const ScopedLanguage french(kFrench);
    EXPECT_STREQ(Tr("Cancel"), "Annuler");
    EXPECT_STREQ(TrWindows("Display speed"), "Vitesse d'affichage");
    EXPECT_STREQ(TrWindows("Unexpected file format."), "Format de fichier inattendu.");
    // é is one byte in Windows-1252, two in UTF-8.
    EXPECT_STREQ(TrWindows("Failed to open document."), "L'ouverture du document a \xe9" "chou\xe9.");
    EXPECT_STREQ(Tr("Failed to open document."), "L'ouverture du document a \xc3\xa9" "chou\xc3\xa9.");
}

TEST_F(Translation, EveryOtherLocaleGivesEnglish)
{
    for (const char* locale : {kEnglish, "C", "C.UTF-8", "xx_YY.UTF-8", "de_DE.UTF-8"}) {
        const ScopedLanguage other(locale);
        EXPECT_STREQ(TrWindows("Cancel"), "Cancel") << locale;
        EXPECT_STREQ(Tr("Failed to open document."), "Failed to open document.") << locale;
    }
}

TEST_F(Translation, TheMessagesCategoryComesBeforeLangAndLcAllBeforeBoth)
{
    ScopedEnvironment all("LC_ALL", nullptr);
    ScopedEnvironment lang("LANG", kEnglish);
    {
        ScopedEnvironment messages("LC_MESSAGES", kFrench);
        ReadTranslationsAgain();
        EXPECT_STREQ(Tr("Slow"), "Lente");
    }
    {
        ScopedEnvironment frenchLang("LANG", kFrench);
        ScopedEnvironment englishAll("LC_ALL", kEnglish);
        ReadTranslationsAgain();
        EXPECT_STREQ(Tr("Slow"), "Slow");
    }
    ReadTranslationsAgain();
}

TEST_F(Translation, AMissingCatalogueGivesEnglish)
{
    const std::filesystem::path nowhere = std::filesystem::temp_directory_path() / "vesper-no-catalogue-here";
    ScopedEnvironment folder("TEXTDOMAINDIR", nowhere.c_str());
    const ScopedLanguage french(kFrench);
    EXPECT_STREQ(TrWindows("Cancel"), "Cancel");
    EXPECT_STREQ(Tr("Fast"), "Fast");
}

TEST_F(Translation, AnswersOfAnEarlierLanguageStayValid)
{
    const char* french = nullptr;
    {
        const ScopedLanguage language(kFrench);
        french = TrWindows("Slow");
    }
    const ScopedLanguage english(kEnglish);
    EXPECT_STREQ(TrWindows("Slow"), "Slow");
    EXPECT_STREQ(french, "Lente") << "a text handed out before the language changed was overwritten";
}

TEST_F(Translation, TextsWithoutATranslationStayAsTheyAre)
{
    const ScopedLanguage french(kFrench);
    EXPECT_STREQ(TrWindows("No such text in any catalogue"), "No such text in any catalogue");
    EXPECT_STREQ(TrWindows(""), "") << "the catalogue's header is not a text";
}

}  // namespace
}  // namespace vesper::test
