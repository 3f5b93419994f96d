// The text of a private profile (.ini) file, held line by line so that a
// rewrite keeps everything it does not change: comments, blank lines, lines it
// does not understand, the line ending style and the order of entries.
//
// Syntax as Windows reads it: "[name]" opens a section, "key=value" is an
// entry of the section above it, blanks around names and values are ignored,
// a line whose first non-blank character is ';' is a comment. Names match
// without regard to ASCII case; when a section or key appears twice, the first
// one counts for reading and writing.
#pragma once

#include "platform/internal.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesper::platform {

class IniDocument {
public:
    static IniDocument Parse(std::string_view text);
    std::string Serialize() const;

    // The value with surrounding blanks removed, as stored (quotes included).
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    std::vector<std::string> SectionNames() const;
    // Empty when the section does not exist.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Whether a name or value can be written so that it reads back the same:
    // no line breaks, no ']' in a section name, no '=' in a key, and a key may
    // not begin like a section header or a comment.
    static bool IsWritableSectionName(std::string_view name);
    static bool IsWritableKeyName(std::string_view name);
    static bool IsWritableValue(std::string_view value);

    // Each returns whether the document changed.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        std::string text;
        Kind kind = Kind::Other;
        std::string name;   // section or key name, trimmed
        std::string value;  // entry value, trimmed
    };
    // Lines [begin, end) of one section, its header at begin.
    struct SectionRange {
        std::size_t begin;
        std::size_t end;
    };

    static Line Classify(std::string text);
    static Line MakeEntry(std::string_view key, std::string_view value);
    std::optional<SectionRange> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindEntry(const SectionRange& range, std::string_view key) const;

    std::vector<Line> m_lines;
    std::string m_lineEnd = "\n";
    bool m_byteOrderMark = false;
};

}  // namespace vesper::platform
