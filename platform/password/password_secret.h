// A password while it is being handled: kept in one fixed buffer that never
// reallocates (so no stray copies are left in freed memory) and is wiped when
// the text is cleared, moved from or destroyed.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace vesper::platform {

class SecretText {
public:
    // Longest password accepted, in bytes (the hashing limit less its NUL).
    static constexpr std::size_t kCapacity = 511;

    SecretText();
    ~SecretText();
    SecretText(SecretText&& other);
    SecretText& operator=(SecretText&& other) noexcept;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // A copy of text; nullopt when it is longer than kCapacity or holds a NUL.
    static std::optional<SecretText> From(std::string_view text);

    // False (text unchanged) when full or for a NUL.
    bool Append(char c);
    void RemoveLast();
    void Clear();

    bool Empty() const { return m_size == 0; }
    std::string_view View() const { return {m_buffer.get(), m_size}; }
    // NUL-terminated.
    const char* CStr() const { return m_buffer.get(); }

private:
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_size = 0;
};

// Overwrites memory in a way the compiler may not leave out.
void WipeMemory(void* data, std::size_t size);

}  // namespace vesper::platform
