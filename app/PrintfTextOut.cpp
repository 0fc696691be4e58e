// Console text output through the platform console.
#include "app/PrintfTextOut.h"

#include "platform/Console.h"

#include <cstdio>
#include <cstring>

namespace brindle {

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

void PrintfTextOut::WriteTextV(std::uint16_t attribute, const char* format, va_list args)
{
    // A local buffer: a write never allocates. vsnprintf keeps at most kMaxConsoleText characters
    // and always terminates, so a longer text arrives cut to its first kMaxConsoleText.
    char buffer[kMaxConsoleText + 1];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (written < 0)
        return; // an encoding failure leaves nothing worth showing
    // A text with an embedded zero character ends there.
    const void* end = std::memchr(buffer, '\0', kMaxConsoleText);
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer)
                                              : kMaxConsoleText;
    platform::WriteConsoleText(attribute, buffer, length);
}

} // namespace brindle
