#include "platform/password/password_secret.h"

#include <cstring>
#include <utility>

namespace vesper::platform {

void WipeMemory(void* data, std::size_t size)
{
    explicit_bzero(data, size);
}

SecretText::SecretText() : buffer_(new char[kCapacity + 1]())
{
}

SecretText::~SecretText()
{
    if (buffer_)
        WipeMemory(buffer_.get(), kCapacity + 1);
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
        std::swap(buffer_, other.buffer_);
        std::swap(size_, other.size_);
    }
    return *this;
}

std::optional<SecretText> SecretText::From(std::string_view text)
{
    if (text.size() > kCapacity || text.find('\0') != std::string_view::npos)
        return std::nullopt;
    SecretText secret;
    std::memcpy(secret.buffer_.get(), text.data(), text.size());
    secret.size_ = text.size();
    return secret;
}

bool SecretText::Append(char c)
{
    if (c == '\0' || size_ == kCapacity)
        return false;
    buffer_[size_++] = c;
    return true;
}

void SecretText::RemoveLast()
{
    if (size_ > 0)
        buffer_[--size_] = '\0';
}

void SecretText::Clear()
{
    WipeMemory(buffer_.get(), kCapacity + 1);
    size_ = 0;
}

}  // namespace vesper::platform
