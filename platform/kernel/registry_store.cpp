#include "platform/kernel/registry_store.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/kernel/settings_text.h"
#include "platform/win32.h"

namespace vesper::platform {
namespace {

constexpr std::string_view kHeader = "; Vesper registry store\n";
constexpr std::string_view kDefaultValueName = "@";
constexpr std::string_view kDwordTag = "dword:";
constexpr std::string_view kStringTag = "sz:";
constexpr std::string_view kHexTag = "hex(";
constexpr std::string_view kEscapedCharacters = "%[]=;@\\";
constexpr char kEscape = '%';
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsLiteral(char c)
{
    return c > ' ' && c < 0x7F && kEscapedCharacters.find(c) == std::string_view::npos;
}

std::string Escape(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (IsLiteral(c)) {
            escaped += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            escaped += kEscape;
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0xF];
        }
    }
    return escaped;
}

std::optional<BYTE> ParseHexByte(std::string_view digits)
{
    BYTE value = 0;
    if (digits.size() != 2)
        return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + 2, value, 16);
    if (error != std::errc{} || end != digits.data() + 2)
        return std::nullopt;
    return value;
}

std::optional<std::string> Unescape(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != kEscape) {
            if (!IsLiteral(text[i]))
                return std::nullopt;
            plain += text[i];
            continue;
        }
        const auto byte = ParseHexByte(text.substr(i + 1, 2));
        if (!byte)
            return std::nullopt;
        plain += static_cast<char>(*byte);
        i += 2;
    }
    return plain;
}

bool IsSingleString(const std::vector<BYTE>& data)
{
    return !data.empty() && data.back() == 0 && std::memchr(data.data(), 0, data.size() - 1) == nullptr;
}

std::string FormatData(DWORD type, const std::vector<BYTE>& data)
{
    char text[16];
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        std::snprintf(text, sizeof text, "%08X", value);
        return std::string(kDwordTag) + text;
    }
    if (type == REG_SZ && IsSingleString(data))
        return std::string(kStringTag) + Escape(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
    std::string formatted(kHexTag);
    formatted += std::to_string(type) + "):";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0)
            formatted += ',';
        formatted += kHexDigits[data[i] >> 4];
        formatted += kHexDigits[data[i] & 0xF];
    }
    return formatted;
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view digits, int base)
{
    Number value{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::optional<RegistryValue> ParseValueLine(std::string_view line)
{
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view storedName = line.substr(0, equals);
    std::string_view data = line.substr(equals + 1);
    RegistryValue value;
    if (storedName != kDefaultValueName) {
        auto name = Unescape(storedName);
        if (!name || name->empty())
            return std::nullopt;
        value.name = std::move(*name);
    }
    if (data.starts_with(kDwordTag)) {
        const std::string_view digits = data.substr(kDwordTag.size());
        const auto number = digits.size() == 8 ? ParseNumber<DWORD>(digits, 16) : std::nullopt;
        if (!number)
            return std::nullopt;
        value.type = REG_DWORD;
        value.data.resize(sizeof(DWORD));
        std::memcpy(value.data.data(), &*number, sizeof(DWORD));
    } else if (data.starts_with(kStringTag)) {
        const auto text = Unescape(data.substr(kStringTag.size()));
        if (!text)
            return std::nullopt;
        value.type = REG_SZ;
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
    } else if (data.starts_with(kHexTag)) {
        data.remove_prefix(kHexTag.size());
        const auto close = data.find("):");
        const auto type = close == std::string_view::npos ? std::nullopt : ParseNumber<DWORD>(data.substr(0, close), 10);
        if (!type)
            return std::nullopt;
        value.type = *type;
        data.remove_prefix(close + 2);
        while (!data.empty()) {
            const auto byte = ParseHexByte(data.substr(0, 2));
            if (!byte)
                return std::nullopt;
            value.data.push_back(*byte);
            data.remove_prefix(std::min<std::size_t>(2, data.size()));
            if (!data.empty()) {
                if (data.front() != ',' || data.size() == 1)
                    return std::nullopt;
                data.remove_prefix(1);
            }
        }
    } else {
        return std::nullopt;
    }
    return value;
}

// A key path from its header: every component escaped, joined by '\'.
std::optional<std::string> ParseKeyHeader(std::string_view inner)
{
    std::string path;
    while (true) {
        const auto separator = inner.find('\\');
        const auto component = Unescape(inner.substr(0, separator));
        if (!component || component->empty())
            return std::nullopt;
        path += *component;
        if (separator == std::string_view::npos)
            return path;
        path += '\\';
        inner.remove_prefix(separator + 1);
    }
}

std::string FormatKeyHeader(std::string_view path)
{
    std::string header = "[";
    while (true) {
        const auto separator = path.find('\\');
        header += Escape(path.substr(0, separator));
        if (separator == std::string_view::npos)
            break;
        header += '\\';
        path.remove_prefix(separator + 1);
    }
    return header + "]";
}

}  // namespace

std::optional<RegistryStore> RegistryStore::Parse(std::string_view text)
{
    RegistryStore store;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (!line.ends_with(']'))
                return std::nullopt;
            auto path = ParseKeyHeader(line.substr(1, line.size() - 2));
            if (!path || store.FindKey(*path))
                return std::nullopt;
            store.m_keys.push_back(Key{std::move(*path), {}});
            continue;
        }
        auto value = ParseValueLine(line);
        if (!value || store.m_keys.empty())
            return std::nullopt;
        Key& key = store.m_keys.back();
        for (const RegistryValue& existing : key.values) {
            if (EqualsIgnoringCase(existing.name, value->name))
                return std::nullopt;
        }
        key.values.push_back(std::move(*value));
    }
    return store;
}

std::string RegistryStore::Serialize() const
{
    std::string text(kHeader);
    for (const Key& key : m_keys) {
        text += FormatKeyHeader(key.path);
        text += '\n';
        for (const RegistryValue& value : key.values) {
            text += value.name.empty() ? std::string(kDefaultValueName) : Escape(value.name);
            text += '=';
            text += FormatData(value.type, value.data);
            text += '\n';
        }
    }
    return text;
}

RegistryStore::Key* RegistryStore::FindKey(std::string_view path)
{
    for (Key& key : m_keys) {
        if (EqualsIgnoringCase(key.path, path))
            return &key;
    }
    return nullptr;
}

const RegistryStore::Key* RegistryStore::FindKey(std::string_view path) const
{
    return const_cast<RegistryStore*>(this)->FindKey(path);
}

bool RegistryStore::KeyExists(std::string_view path) const
{
    for (const Key& key : m_keys) {
        const std::string_view stored = key.path;
        if (EqualsIgnoringCase(stored, path))
            return true;
        if (stored.size() > path.size() && stored[path.size()] == '\\' &&
            EqualsIgnoringCase(stored.substr(0, path.size()), path))
            return true;
    }
    return false;
}

bool RegistryStore::CreateKey(std::string_view path)
{
    if (FindKey(path))
        return false;
    m_keys.push_back(Key{std::string(path), {}});
    return true;
}

const RegistryValue* RegistryStore::FindValue(std::string_view path, std::string_view name) const
{
    const Key* key = FindKey(path);
    if (!key)
        return nullptr;
    for (const RegistryValue& value : key->values) {
        if (EqualsIgnoringCase(value.name, name))
            return &value;
    }
    return nullptr;
}

void RegistryStore::SetValue(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data)
{
    CreateKey(path);
    Key& key = *FindKey(path);
    for (RegistryValue& value : key.values) {
        if (EqualsIgnoringCase(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    key.values.push_back(RegistryValue{std::string(name), type, std::move(data)});
}

}  // namespace vesper::platform
