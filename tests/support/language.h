// Runs a test in a language: the messages locale the environment names (as
// LC_ALL), read again by the translations, and the one before it restored
// at the end.
#pragma once

#include <clocale>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "platform/kernel/translation.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace vesper::test {

inline constexpr const char* kFrench = "fr_FR.UTF-8";
inline constexpr const char* kEnglish = "en_US.UTF-8";

// Whether the system has the locale (scripts/setup.sh generates the two above).
inline bool LocaleGenerated(const char* name)
{
    const char* before = std::setlocale(LC_MESSAGES, nullptr);
    const std::string saved = before ? before : "C";
    const bool generated = std::setlocale(LC_MESSAGES, name) != nullptr;
    std::setlocale(LC_MESSAGES, saved.c_str());
    return generated;
}

// The numbers of the lines of a text in English that its translation
// (`translated`, the same number of lines) leaves as they are, blank lines
// aside: lines left out of the catalogue. Texts of different lengths give
// the line where they part.
inline std::vector<std::size_t> UntranslatedLines(const std::string& translated, const std::string& english)
{
    std::vector<std::size_t> untranslated;
    std::size_t line = 0;
    std::size_t at = 0;
    std::size_t atEnglish = 0;
    for (;; ++line) {
        const std::size_t end = translated.find('\n', at);
        const std::size_t endEnglish = english.find('\n', atEnglish);
        if (end == std::string::npos || endEnglish == std::string::npos) {
            if ((end == std::string::npos) != (endEnglish == std::string::npos))
                untranslated.push_back(line);
            return untranslated;
        }
        const std::string_view text = std::string_view(translated).substr(at, end - at);
        const std::string_view englishText = std::string_view(english).substr(atEnglish, endEnglish - atEnglish);
        if (!englishText.empty() && text == englishText)
            untranslated.push_back(line);
        at = end + 1;
        atEnglish = endEnglish + 1;
    }
}

class ScopedLanguage {
public:
    explicit ScopedLanguage(const char* locale)
    {
        m_locale.emplace("LC_ALL", locale);
        ReadTranslationsAgain();
    }
    ~ScopedLanguage()
    {
        m_locale.reset();
        ReadTranslationsAgain();
    }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;

private:
    std::optional<ScopedEnvironment> m_locale;
};

}  // namespace vesper::test
