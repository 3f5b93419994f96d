// On Windows a text is the string of the program's string table that
// windows_strings.h gives it; Windows loads the table of the user's interface
// language. Texts without a string stay English.
#include "platform/kernel/translation.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/kernel/windows_strings.h"

namespace vesper {
namespace {

struct WindowsString {
    UINT id;
    const char* english;
};

#define VESPER_TABLE_ENTRY(id, english) WindowsString{id, english},
constexpr WindowsString kStrings[] = {VESPER_WINDOWS_STRINGS(VESPER_TABLE_ENTRY)};
#undef VESPER_TABLE_ENTRY

// The longest text of the table, with its NUL.
constexpr int kLongestString = 512;

struct Answers {
    std::mutex mutex;
    int reading = 0;
    // Kept for the program's life, since callers hold the pointers.
    std::map<std::pair<int, std::string>, std::string> loaded;
};

Answers& TheAnswers()
{
    static auto* answers = new Answers;
    return *answers;
}

std::string LoadTableString(const char* english)
{
    for (const WindowsString& entry : kStrings) {
        if (std::strcmp(entry.english, english) != 0)
            continue;
        char text[kLongestString] = {};
        if (LoadStringA(GetModuleHandleA(nullptr), entry.id, text, kLongestString) > 0)
            return text;
    }
    return english;
}

}  // namespace

const char* TrWindows(const char* english)
{
    Answers& answers = TheAnswers();
    std::lock_guard lock(answers.mutex);
    auto [entry, added] = answers.loaded.try_emplace({answers.reading, english});
    if (added)
        entry->second = LoadTableString(english);
    return entry->second.c_str();
}

const char* Tr(const char* english)
{
    return TrWindows(english);
}

void ReadTranslationsAgain()
{
    Answers& answers = TheAnswers();
    std::lock_guard lock(answers.mutex);
    ++answers.reading;
}

}  // namespace vesper
