#include "platform/kernel/settings_ini.h"

#include "platform/kernel/settings_text.h"

namespace vesper::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr char kCommentMark = ';';

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

IniDocument::Line IniDocument::Classify(std::string text)
{
    Line line;
    const std::string_view content = Trim(text);
    if (!content.empty() && content.front() == '[') {
        const std::string_view inner = content.substr(1);
        line.kind = Kind::Section;
        line.name = Trim(inner.substr(0, inner.find(']')));
    } else if (!content.empty() && content.front() != kCommentMark && content.find('=') != std::string_view::npos) {
        const auto equals = content.find('=');
        line.kind = Kind::Entry;
        line.name = Trim(content.substr(0, equals));
        line.value = Trim(content.substr(equals + 1));
    }
    line.text = std::move(text);
    return line;
}

IniDocument::Line IniDocument::MakeEntry(std::string_view key, std::string_view value)
{
    std::string text(key);
    text += '=';
    text += value;
    return Classify(std::move(text));
}

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument document;
    if (text.starts_with(kByteOrderMark)) {
        document.m_byteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    bool lineEndKnown = false;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        const bool crlf = line.ends_with('\r');
        if (crlf)
            line.remove_suffix(1);
        if (!lineEndKnown && newline != std::string_view::npos) {
            document.m_lineEnd = crlf ? "\r\n" : "\n";
            lineEndKnown = true;
        }
        document.m_lines.push_back(Classify(std::string(line)));
    }
    return document;
}

std::string IniDocument::Serialize() const
{
    std::string text(m_byteOrderMark ? kByteOrderMark : std::string_view{});
    for (const Line& line : m_lines) {
        text += line.text;
        text += m_lineEnd;
    }
    return text;
}

std::optional<IniDocument::SectionRange> IniDocument::FindSection(std::string_view section) const
{
    const std::string_view wanted = Trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Kind::Section || !EqualsIgnoringCase(m_lines[i].name, wanted))
            continue;
        std::size_t end = i + 1;
        while (end < m_lines.size() && m_lines[end].kind != Kind::Section)
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::FindEntry(const SectionRange& range, std::string_view key) const
{
    const std::string_view wanted = Trim(key);
    for (std::size_t i = range.begin + 1; i < range.end; ++i) {
        if (m_lines[i].kind == Kind::Entry && EqualsIgnoringCase(m_lines[i].name, wanted))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const
{
    const auto range = FindSection(section);
    if (!range)
        return std::nullopt;
    const auto entry = FindEntry(*range, key);
    if (!entry)
        return std::nullopt;
    return std::string_view(m_lines[*entry].value);
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section)
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const auto range = FindSection(section)) {
        for (std::size_t i = range->begin + 1; i < range->end; ++i) {
            if (m_lines[i].kind == Kind::Entry)
                names.push_back(m_lines[i].name);
        }
    }
    return names;
}

bool IniDocument::IsWritableSectionName(std::string_view name)
{
    return !HasLineBreak(name) && name.find(']') == std::string_view::npos;
}

bool IniDocument::IsWritableKeyName(std::string_view name)
{
    const std::string_view trimmed = Trim(name);
    return !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
           !(trimmed.starts_with('[') || trimmed.starts_with(kCommentMark));
}

bool IniDocument::IsWritableValue(std::string_view value)
{
    return !HasLineBreak(value);
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    const auto range = FindSection(section);
    if (!range) {
        if (!m_lines.empty() && !Trim(m_lines.back().text).empty())
            m_lines.push_back(Classify(""));
        std::string header("[");
        header += Trim(section);
        header += ']';
        m_lines.push_back(Classify(std::move(header)));
        m_lines.push_back(MakeEntry(Trim(key), Trim(value)));
        return true;
    }
    if (const auto entry = FindEntry(*range, key)) {
        Line& line = m_lines[*entry];
        if (line.value == Trim(value))
            return false;
        line = MakeEntry(line.name, Trim(value));
        return true;
    }
    // A new key goes after the section's last entry (or its header), ahead of
    // any blank lines or comments that lead into the next section.
    std::size_t insertAt = range->begin + 1;
    for (std::size_t i = range->begin + 1; i < range->end; ++i) {
        if (m_lines[i].kind == Kind::Entry)
            insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), MakeEntry(Trim(key), Trim(value)));
    return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key)
{
    const auto range = FindSection(section);
    if (!range)
        return false;
    const auto entry = FindEntry(*range, key);
    if (!entry)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*entry));
    return true;
}

bool IniDocument::DeleteSection(std::string_view section)
{
    const auto range = FindSection(section);
    if (!range)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(range->begin),
                 m_lines.begin() + static_cast<std::ptrdiff_t>(range->end));
    return true;
}

}  // namespace vesper::platform
