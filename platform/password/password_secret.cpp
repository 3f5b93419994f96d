#include "platform/password/password_secret.h"

#include <cstring>
#include <utility>

namespace vesper::platform {

void WipeMemory(void* data, std::size_t size)
{
    explicit_bzero(data, size);
}

SecretText::SecretText() : m_buffer(new char[kCapacity + 1]())
{
}

SecretText::~SecretText()
{
    if (m_buffer)
        WipeMemory(m_buffer.get(), kCapacity + 1);
}

SecretText::SecretText(SecretText&& other) : SecretText()
{
    *this = std::move(other);
}

SecretText& SecretText::operator=(SecretText&& other) noexcept
{
    if (this != &other) {
        // The buffers change hands whole, so the text is never copied; the
        // moved-from object keeps this object's old buffer, wiped.
        Clear();
        std::swap(m_buffer, other.m_buffer);
        std::swap(m_size, other.m_size);
    }
    return *this;
}

std::optional<SecretText> SecretText::From(std::string_view text)
{
    if (text.size() > kCapacity || text.find('\0') != std::string_view::npos)
        return std::nullopt;
    SecretText secret;
    std::memcpy(secret.m_buffer.get(), text.data(), text.size());
    secret.m_size = text.size();
    return secret;
}

bool SecretText::Append(char c)
{
    if (c == '\0' || m_size == kCapacity)
        return false;
    m_buffer[m_size++] = c;
    return true;
}

void SecretText::RemoveLast()
{
    if (m_size > 0)
        m_buffer[--m_size] = '\0';
}

void SecretText::Clear()
{
    WipeMemory(m_buffer.get(), kCapacity + 1);
    m_size = 0;
}

}  // namespace vesper::platform
