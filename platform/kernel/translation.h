// The user's language for the texts of ours that a person reads. Every such
// text is written in English in the code and passed through Tr (for the
// terminal: --help, errors on standard error) or TrWindows (for windows,
// dialogs and message boxes); each answers the text in the language of the
// user's messages locale (LC_ALL, LC_MESSAGES, LANG) when a catalogue has it,
// else the English text itself. So a locale without a catalogue, an unknown
// locale or a missing catalogue file all give English.
//
// On Linux the catalogues are gettext's (po/<language>.po, domain "vesper"),
// found in $TEXTDOMAINDIR, else in the nearest share/locale above the
// program's folder that holds one (the build tree's and the installed
// package's), else where the package installs them. On Windows the texts are
// the program's string table, which Windows picks by the user's interface
// language (tools/vesper/vesper.rc).
//
// A new text needs its translation in po/fr.po; the Translations test fails
// for a text passed to Tr or TrWindows (or marked N_) that the catalogue
// lacks.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Marks an English text kept in a constant or table for the catalogue; it is
// translated where it is shown, through Tr or TrWindows.
#define N_(english) english

namespace vesper {

// UTF-8; the answer lives as long as the program.
const char* Tr(const char* english);
// Windows-1252, the code page of the "A" functions that windows take their
// texts through; the answer lives as long as the program.
const char* TrWindows(const char* english);

// A text with parts that vary: each "%s" in `text` (a translated text, whose
// "%s" a translation may move but keeps in number and order) replaced by the
// next value, so that a sentence is translated whole:
//   Fill(Tr("unknown option %s"), {name})
inline std::string Fill(std::string_view text, std::initializer_list<std::string_view> values)
{
    std::string filled;
    auto value = values.begin();
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 2, "%s") == 0 && value != values.end()) {
            filled += *value++;
            ++at;
        } else {
            filled += text[at];
        }
    }
    return filled;
}

// Reads the locale from the environment again and forgets the answers given
// so far (for a program whose environment changed, and for tests).
void ReadTranslationsAgain();

}  // namespace vesper
