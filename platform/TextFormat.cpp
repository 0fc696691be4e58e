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

std::string FormatText(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(text.data(), text.size() + 1, format, copy);
    va_end(copy);
    return text;
}

} // namespace brindle
