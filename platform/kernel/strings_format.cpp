// wsprintfA and wvsprintfA.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace {

// wsprintf's documented output limit, terminating NUL included.
constexpr std::size_t kMaxOutput = 1024;
constexpr int kMaxFieldWidth = static_cast<int>(kMaxOutput);
constexpr std::string_view kNullString = "(null)";

class Output {
public:
    explicit Output(char* buffer) : m_buffer(buffer) {}
    void Put(char c)
    {
        if (m_length < kMaxOutput - 1)
            m_buffer[m_length++] = c;
    }
    void Put(std::string_view text)
    {
        for (const char c : text)
            Put(c);
    }
    void Pad(char c, int count)
    {
        for (int i = 0; i < count; ++i)
            Put(c);
    }
    int Finish()
    {
        m_buffer[m_length] = '\0';
        return static_cast<int>(m_length);
    }

private:
    char* m_buffer;
    std::size_t m_length = 0;
};

enum class Size { Default, Short, Long, Wide64 };

struct Field {
    bool leftAlign = false;
    bool hexPrefix = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;  // none
    Size size = Size::Default;
};

int ReadCount(const char*& cursor)
{
    int value = 0;
    while (*cursor >= '0' && *cursor <= '9') {
        value = std::min(value * 10 + (*cursor - '0'), kMaxFieldWidth);
        ++cursor;
    }
    return value;
}

// Flags, width, precision and size prefix; leaves the cursor on the type.
Field ReadField(const char*& cursor)
{
    Field field;
    for (;; ++cursor) {
        if (*cursor == '-')
            field.leftAlign = true;
        else if (*cursor == '#')
            field.hexPrefix = true;
        else if (*cursor == '0')
            field.zeroPad = true;
        else
            break;
    }
    field.width = ReadCount(cursor);
    if (*cursor == '.') {
        ++cursor;
        field.precision = ReadCount(cursor);
    }
    if (*cursor == 'h') {
        field.size = Size::Short;
        ++cursor;
    } else if (*cursor == 'l') {
        field.size = Size::Long;
        ++cursor;
    } else if (std::string_view(cursor).starts_with("I64")) {
        field.size = Size::Wide64;
        cursor += 3;
    }
    return field;
}

// Writes body (sign and prefix first) padded to the field width.
void PutPadded(Output& out, const Field& field, std::string_view prefix, std::string_view body)
{
    const int length = static_cast<int>(prefix.size() + body.size());
    const int padding = std::max(0, field.width - length);
    if (field.leftAlign) {
        out.Put(prefix);
        out.Put(body);
        out.Pad(' ', padding);
    } else if (field.zeroPad) {
        out.Put(prefix);
        out.Pad('0', padding);
        out.Put(body);
    } else {
        out.Pad(' ', padding);
        out.Put(prefix);
        out.Put(body);
    }
}

void PutNumber(Output& out, const Field& field, std::uint64_t magnitude, bool negative, unsigned base, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char text[24];
    int length = 0;
    do {
        text[sizeof text - 1 - length++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    // The precision is the least number of digits (1 when absent or 0).
    const int minimumDigits = std::min(std::max(field.precision, 1), static_cast<int>(kMaxOutput));
    std::string body(static_cast<std::size_t>(std::max(0, minimumDigits - length)), '0');
    body.append(text + sizeof text - length, static_cast<std::size_t>(length));
    std::string_view prefix = negative ? "-" : "";
    if (base == 16 && field.hexPrefix && body.find_first_not_of('0') != std::string::npos)
        prefix = upper ? "0X" : "0x";
    PutPadded(out, field, prefix, body);
}

void PutSigned(Output& out, const Field& field, va_list& arguments)
{
    std::int64_t value = field.size == Size::Wide64 ? va_arg(arguments, long long) : va_arg(arguments, int);
    if (field.size == Size::Short)
        value = static_cast<short>(value);
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    PutNumber(out, field, magnitude, negative, 10, false);
}

std::uint64_t ReadUnsigned(const Field& field, va_list& arguments)
{
    if (field.size == Size::Wide64)
        return va_arg(arguments, unsigned long long);
    const unsigned value = va_arg(arguments, unsigned);
    return field.size == Size::Short ? static_cast<unsigned short>(value) : value;
}

char Narrow(unsigned code)
{
    return code < 0x80 ? static_cast<char>(code) : '?';
}

void PutString(Output& out, const Field& field, std::string_view text)
{
    if (field.precision >= 0 && text.size() > static_cast<std::size_t>(field.precision))
        text = text.substr(0, static_cast<std::size_t>(field.precision));
    PutPadded(out, Field{field.leftAlign, false, field.zeroPad, field.width}, {}, text);
}

std::string NarrowWide(const WCHAR* text)
{
    std::string narrow;
    for (; *text && narrow.size() < kMaxOutput; ++text)
        narrow += Narrow(*text);
    return narrow;
}

void PutCharacter(Output& out, const Field& field, unsigned code, bool wide)
{
    if (code == 0)
        return;
    const char c = wide ? Narrow(code) : static_cast<char>(code);
    PutString(out, field, std::string_view(&c, 1));
}

void PutText(Output& out, const Field& field, va_list& arguments, bool wide)
{
    if (wide) {
        const auto* text = va_arg(arguments, const WCHAR*);
        PutString(out, field, text ? std::string_view(NarrowWide(text)) : kNullString);
        return;
    }
    const char* text = va_arg(arguments, const char*);
    PutString(out, field, text ? std::string_view(text) : kNullString);
}

void PutPointer(Output& out, va_list& arguments)
{
    Field field;
    field.precision = static_cast<int>(sizeof(void*) * 2);
    PutNumber(out, field, reinterpret_cast<std::uintptr_t>(va_arg(arguments, void*)), false, 16, true);
}

}  // namespace

int wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist)
{
    if (!lpOut)
        return 0;
    Output out(lpOut);
    if (!lpFmt)
        return out.Finish();
    va_list arguments;
    va_copy(arguments, arglist);
    for (const char* cursor = lpFmt; *cursor; ++cursor) {
        if (*cursor != '%') {
            out.Put(*cursor);
            continue;
        }
        ++cursor;
        const Field field = ReadField(cursor);
        const bool narrowForced = field.size == Size::Short;
        const bool wideAsked = field.size == Size::Long;
        switch (*cursor) {
        case '\0': --cursor; break;  // a lone '%' at the end writes nothing
        case 'd':
        case 'i': PutSigned(out, field, arguments); break;
        case 'u': PutNumber(out, field, ReadUnsigned(field, arguments), false, 10, false); break;
        case 'x':
        case 'X': PutNumber(out, field, ReadUnsigned(field, arguments), false, 16, *cursor == 'X'); break;
        case 'c': PutCharacter(out, field, static_cast<unsigned>(va_arg(arguments, int)), wideAsked); break;
        case 'C': PutCharacter(out, field, static_cast<unsigned>(va_arg(arguments, int)), !narrowForced); break;
        case 's': PutText(out, field, arguments, wideAsked); break;
        case 'S': PutText(out, field, arguments, !narrowForced); break;
        case 'p': PutPointer(out, arguments); break;
        default: out.Put(*cursor); break;
        }
    }
    va_end(arguments);
    return out.Finish();
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...)
{
    va_list arguments;
    va_start(arguments, lpFmt);
    const int length = wvsprintfA(lpOut, lpFmt, arguments);
    va_end(arguments);
    return length;
}
