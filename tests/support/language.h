// Runs a test in a language: the messages locale the environment names (as
// LC_ALL), read again by the translations, and the one before it restored
// at the end.
#pragma once

#include <clocale>
#include <optional>
#include <string>

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
