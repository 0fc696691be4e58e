// Bounded printf-style formatting.
#include "platform/TextFormat.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace brindle {

std::string FormatBounded(std::size_t bufferSize, const char* format, ...)
{
    if (bufferSize == 0)
        return {};
    std::vector<char> buffer(bufferSize, '\0');
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer.data(), bufferSize, format, args);
    va_end(args);
    if (written < 0)
        return {};
    return std::string(buffer.data());
}

} // namespace brindle
