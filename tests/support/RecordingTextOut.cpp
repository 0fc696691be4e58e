// Recording text output for tests.
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
    WriteTextV(format, args);
    va_end(args);
}

void RecordingTextOut::WriteTextV(std::uint16_t, const char* format, va_list args)
{
    WriteTextV(format, args);
}

void RecordingTextOut::WriteTextV(const char* format, va_list args)
{
    char buffer[8193];
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    m_Lines.emplace_back(buffer);
}

std::string RecordingTextOut::Text() const
{
    std::string text;
    for (const std::string& line : m_Lines)
        text += line;
    return text;
}

} // namespace brindle::test
