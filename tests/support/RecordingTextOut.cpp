// Recording console text output.
#include "tests/support/RecordingTextOut.h"

#include <cstdio>

namespace brindle::test {

void RecordingTextOut::WriteText(std::uint16_t attribute, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTextV(attribute, format, args);
    va_end(args);
}

void RecordingTextOut::WriteText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTextV(kDefaultTextAttribute, format, args);
    va_end(args);
}

void RecordingTextOut::WriteTextV(const char* format, va_list args)
{
    WriteTextV(kDefaultTextAttribute, format, args);
}

void RecordingTextOut::WriteTextV(std::uint16_t attribute, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    m_Writes.push_back({attribute, std::move(text)});
}

std::string RecordingTextOut::Text() const
{
    std::string all;
    for (const Write& write : m_Writes)
        all += write.text;
    return all;
}

} // namespace brindle::test
