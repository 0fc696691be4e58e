// Console text output through the platform console.
#include "app/PrintfTextOut.h"

#include "platform/Console.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cstdint>

namespace brindle {

namespace {

/// Makes text taken from data harmless on a terminal: C0 control bytes and DEL become '?'.
void SanitizeControls(char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte != 0 && byte < 0x20) || byte == 0x7F)
            text[i] = '?';
    }
}

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif

/// An integer conversion: its argument is read with the type its length modifier names.
int FormatInteger(char* out, std::size_t room, const char* directive, char length, bool isSigned, va_list& args)
{
    switch (length) {
    case 'l':
        return isSigned ? std::snprintf(out, room, directive, va_arg(args, long))
                        : std::snprintf(out, room, directive, va_arg(args, unsigned long));
    case 'q':
        return isSigned ? std::snprintf(out, room, directive, va_arg(args, long long))
                        : std::snprintf(out, room, directive, va_arg(args, unsigned long long));
    case 'j':
        return isSigned ? std::snprintf(out, room, directive, va_arg(args, std::intmax_t))
                        : std::snprintf(out, room, directive, va_arg(args, std::uintmax_t));
    case 'z':
    case 't':
        return isSigned ? std::snprintf(out, room, directive, va_arg(args, std::ptrdiff_t))
                        : std::snprintf(out, room, directive, va_arg(args, std::size_t));
    default:
        return isSigned ? std::snprintf(out, room, directive, va_arg(args, int))
                        : std::snprintf(out, room, directive, va_arg(args, unsigned int));
    }
}

/// A %s conversion, its text made harmless on a terminal.
int FormatText(char* out, std::size_t capacity, const char* directive, va_list& args)
{
    const char* text = va_arg(args, const char*);
    const int written = std::snprintf(out, capacity + 1, directive, text != nullptr ? text : "(null)");
    if (written > 0)
        SanitizeControls(out, std::min(static_cast<std::size_t>(written), capacity));
    return written;
}

/// Formats one conversion (directive, already free of '*') with its argument taken from args into
/// out, which has room for capacity characters and a zero; the number of characters stored.
std::size_t FormatConversion(char* out, std::size_t capacity, const char* directive, char length, char conversion,
                             va_list& args)
{
    int written = 0;
    const std::size_t room = capacity + 1;
    if (std::strchr("di", conversion) != nullptr)
        written = FormatInteger(out, room, directive, length, true, args);
    else if (std::strchr("uoxX", conversion) != nullptr)
        written = FormatInteger(out, room, directive, length, false, args);
    else if (std::strchr("fFeEgGaA", conversion) != nullptr)
        written = length == 'L' ? std::snprintf(out, room, directive, va_arg(args, long double))
                                : std::snprintf(out, room, directive, va_arg(args, double));
    else if (conversion == 'c')
        written = std::snprintf(out, room, directive, va_arg(args, int));
    else if (conversion == 'p')
        written = std::snprintf(out, room, directive, va_arg(args, void*));
    else if (conversion == 's')
        written = FormatText(out, capacity, directive, args);
    else if (conversion == 'n')
        (void)va_arg(args, void*); // never written: nothing of ours asks for it
    if (written < 0)
        return 0;
    return std::min(static_cast<std::size_t>(written), capacity);
}

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

/// The text of one conversion directive, built in place (a console write never allocates).
class ConversionDirective {
public:
    void Append(char c)
    {
        if (m_Length + 1 < sizeof(m_Text))
            m_Text[m_Length++] = c;
        m_Text[m_Length] = '\0';
    }
    void AppendNumber(unsigned long long value)
    {
        char digits[24];
        const int count = std::snprintf(digits, sizeof(digits), "%llu", value);
        for (int i = 0; i < count; ++i)
            Append(digits[i]);
    }
    /// Drops everything from position on.
    void Cut(std::size_t position)
    {
        m_Length = std::min(m_Length, position);
        m_Text[m_Length] = '\0';
    }
    std::size_t Size() const { return m_Length; }
    const char* Text() const { return m_Text; }

private:
    char m_Text[64] = "%";
    std::size_t m_Length = 1;
};

/// Reads %[flags][width][.precision][length] from at (just past the '%') into directive, a '*'
/// taking its number from args; length is the last length modifier ('q' for "ll"). Returns where
/// the conversion character stands.
const char* ReadDirective(const char* at, ConversionDirective& directive, char& length, va_list& args)
{
    while (*at != '\0' && std::strchr("-+ #0", *at) != nullptr)
        directive.Append(*at++);
    if (*at == '*') {
        ++at;
        const int width = va_arg(args, int);
        if (width < 0)
            directive.Append('-'); // a negative width aligns to the left
        directive.AppendNumber(width < 0 ? 0ull - static_cast<unsigned long long>(width)
                                    : static_cast<unsigned long long>(width));
    }
    while (*at >= '0' && *at <= '9')
        directive.Append(*at++);
    if (*at == '.') {
        ++at;
        const std::size_t dot = directive.Size();
        directive.Append('.');
        if (*at == '*') {
            ++at;
            const int precision = va_arg(args, int);
            if (precision < 0)
                directive.Cut(dot); // a negative precision counts as none
            else
                directive.AppendNumber(static_cast<unsigned long long>(precision));
        }
        while (*at >= '0' && *at <= '9')
            directive.Append(*at++);
    }
    while (*at != '\0' && std::strchr("hlLqjzt", *at) != nullptr) {
        length = (length == 'l' && *at == 'l') ? 'q' : *at;
        directive.Append(*at++);
    }
    return at;
}

} // namespace

PrintfTextOut::PrintfTextOut()
{
    platform::AllocateConsole();
}

PrintfTextOut::~PrintfTextOut()
{
    platform::ReleaseConsole();
}

void PrintfTextOut::WriteText(std::uint16_t attribute, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTextV(attribute, format, args);
    va_end(args);
}

void PrintfTextOut::WriteText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTextV(kDefaultTextAttribute, format, args);
    va_end(args);
}

void PrintfTextOut::WriteTextV(const char* format, va_list args)
{
    WriteTextV(kDefaultTextAttribute, format, args);
}

// The format is walked one conversion at a time, so that the text of every %s argument (names from
// game data and the configuration, exception texts quoting them) is made harmless, while the fixed
// text around it keeps its own line ends. Every conversion itself is the C library's.
std::size_t PrintfTextOut::FormatForConsole(char (&buffer)[kMaxConsoleText + 1], const char* format, va_list args)
{
    va_list rest;
    va_copy(rest, args);
    std::size_t used = 0;
    const char* at = format;
    while (*at != '\0' && used < kMaxConsoleText) {
        if (*at != '%') {
            buffer[used++] = *at++;
            continue;
        }
        if (at[1] == '%') {
            buffer[used++] = '%';
            at += 2;
            continue;
        }
        ConversionDirective directive;
        char length = '\0';
        at = ReadDirective(at + 1, directive, length, rest);
        if (*at == '\0')
            break;
        const char conversion = *at++;
        directive.Append(conversion);
        used += FormatConversion(buffer + used, kMaxConsoleText - used, directive.Text(), length, conversion, rest);
    }
    va_end(rest);
    buffer[used] = '\0';
    return used;
}

void PrintfTextOut::WriteTextV(std::uint16_t attribute, const char* format, va_list args)
{
    // A local buffer: a write never allocates. At most kMaxConsoleText characters are kept, so a
    // longer text arrives cut to its first kMaxConsoleText.
    char buffer[kMaxConsoleText + 1];
    const std::size_t formatted = FormatForConsole(buffer, format, args);
    // A text with an embedded zero character ends there.
    const void* end = std::memchr(buffer, '\0', formatted);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) : formatted;
    platform::WriteConsoleText(attribute, buffer, length);
}

} // namespace brindle
