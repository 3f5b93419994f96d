#include "platform/kernel/translation.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iconv.h>
#include <libintl.h>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/kernel/module_path.h"

namespace vesper {
namespace {

constexpr const char* kDomain = "vesper";
// How many folders above the program's own are searched for share/locale:
// bin/ and libexec/xscreensaver/ of an installation, tools/NAME/ and demo/
// of a build tree.
constexpr int kFoldersUp = 3;

namespace fs = std::filesystem;

bool HoldsCatalogue(const fs::path& folder)
{
    std::error_code error;
    for (const fs::directory_entry& language : fs::directory_iterator(folder, error))
        if (fs::exists(language.path() / "LC_MESSAGES" / (std::string(kDomain) + ".mo"), error))
            return true;
    return false;
}

fs::path CatalogueFolder()
{
    if (const char* chosen = std::getenv("TEXTDOMAINDIR"); chosen && *chosen)
        return chosen;
    fs::path folder = fs::path(platform::ModulePath()).parent_path();
    for (int up = 0; up <= kFoldersUp && !folder.empty(); ++up, folder = folder.parent_path()) {
        if (HoldsCatalogue(folder / "share" / "locale"))
            return folder / "share" / "locale";
        if (folder == folder.root_path())
            break;
    }
    // A saver kept anywhere else finds the installed package's catalogues.
    for (const char* installed : {VESPER_INSTALLED_LOCALE_DIR, "/usr/share/locale"})
        if (HoldsCatalogue(installed))
            return installed;
    return VESPER_INSTALLED_LOCALE_DIR;
}

struct Answers {
    std::mutex mutex;
    bool read = false;
    // Counts the readings of the locale.
    int reading = 0;
    // The Windows-1252 form of each text, by reading and English text; kept
    // for the program's life, since callers hold the pointers.
    std::map<std::pair<int, std::string>, std::string> windows;
};

Answers& TheAnswers()
{
    static auto* answers = new Answers;
    return *answers;
}

// Only the messages category: numbers keep the C locale's form, so that
// files and command lines read the same everywhere, and the character type
// stays C because Xlib and SDL change how they name windows after it (a
// window title of the type "UTF-8" that tools looking for windows by name do
// not read). The catalogue's texts come as UTF-8 whatever the locale says.
void ReadLocaleLocked(Answers& answers)
{
    std::setlocale(LC_MESSAGES, "");
    bindtextdomain(kDomain, CatalogueFolder().c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    answers.read = true;
    ++answers.reading;
}

const char* TranslateLocked(Answers& answers, const char* english)
{
    if (!answers.read)
        ReadLocaleLocked(answers);
    // gettext answers an empty text with the catalogue's header.
    return *english ? dgettext(kDomain, english) : english;
}

// Characters without a Windows-1252 form become "?".
std::string Windows1252Of(const char* utf8)
{
    iconv_t converter = iconv_open("WINDOWS-1252//TRANSLIT", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return utf8;
    std::string in(utf8);
    std::string out(in.size(), '\0');
    char* from = in.data();
    std::size_t left = in.size();
    char* to = out.data();
    std::size_t room = out.size();
    while (left > 0 && iconv(converter, &from, &left, &to, &room) == static_cast<std::size_t>(-1)) {
        if (room == 0)
            break;
        // An undecodable byte: skip it and mark the place.
        *to++ = '?';
        --room;
        ++from;
        --left;
    }
    iconv_close(converter);
    out.resize(out.size() - room);
    return out;
}

}  // namespace

const char* Tr(const char* english)
{
    Answers& answers = TheAnswers();
    std::lock_guard lock(answers.mutex);
    return TranslateLocked(answers, english);
}

const char* TrWindows(const char* english)
{
    Answers& answers = TheAnswers();
    std::lock_guard lock(answers.mutex);
    const char* translated = TranslateLocked(answers, english);
    auto [entry, added] = answers.windows.try_emplace({answers.reading, english});
    if (added)
        entry->second = Windows1252Of(translated);
    return entry->second.c_str();
}

void ReadTranslationsAgain()
{
    Answers& answers = TheAnswers();
    std::lock_guard lock(answers.mutex);
    ReadLocaleLocked(answers);
}

}  // namespace vesper
