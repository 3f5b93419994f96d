// The per-user registry as one text file, "registry.ini" in the Vesper
// settings folder:
//
//   [HKEY_CURRENT_USER\Control Panel\Desktop]
//   ScreenSaveUsePassword=dword:00000001
//   Wallpaper=sz:C:%5Cpictures%5Csea.bmp
//   @=hex(3):01,02,ff
//
// One section per key (its full path from the root), one line per value; "@"
// is the key's default (unnamed) value. Names and strings keep printable ASCII
// as it is and write every other byte, and each of % [ ] = ; @ \ and blank, as
// %HH, so any name reads back exactly. A REG_DWORD of four bytes is written as
// dword:, a REG_SZ that is one NUL-terminated string as sz:, anything else as
// hex(type): with the exact bytes.
//
// Keys are paths whose components are joined by '\'; a key exists when it was
// created or when a key below it exists. Names match without regard to ASCII
// case and keep the case of their creation.
#pragma once

#include "platform/internal.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/win32_types.h"

namespace vesper::platform {

struct RegistryValue {
    std::string name;  // empty for the default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

class RegistryStore {
public:
    // Nullopt when the text is not a well-formed store.
    static std::optional<RegistryStore> Parse(std::string_view text);
    std::string Serialize() const;

    bool KeyExists(std::string_view path) const;
    // Returns whether the store changed.
    bool CreateKey(std::string_view path);
    const RegistryValue* FindValue(std::string_view path, std::string_view name) const;
    // Creates the key when needed.
    void SetValue(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data);

private:
    struct Key {
        std::string path;
        std::vector<RegistryValue> values;
    };

    Key* FindKey(std::string_view path);
    const Key* FindKey(std::string_view path) const;

    std::vector<Key> m_keys;
};

}  // namespace vesper::platform
