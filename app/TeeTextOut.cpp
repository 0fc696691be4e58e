// Console output that keeps a copy of what it writes.
#include "app/TeeTextOut.h"

#include "platform/TextFormat.h"

#include <string_view>

namespace brindle {

void TeeTextOut::WriteText(std::uint16_t attribute, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTextV(attribute, format, args);
    va_end(args);
}

void TeeTextOut::WriteText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTextV(format, args);
    va_end(args);
}

void TeeTextOut::WriteTextV(std::uint16_t attribute, const char* format, va_list args)
{
    m_Writes.push_back(FormatText(format, args));
    m_Inner.WriteTextV(attribute, format, args);
}

void TeeTextOut::WriteTextV(const char* format, va_list args)
{
    m_Writes.push_back(FormatText(format, args));
    m_Inner.WriteTextV(format, args);
}

std::vector<std::string> SelectWarnings(const std::vector<std::string>& writes)
{
    std::vector<std::string> warnings;
    for (const std::string& write : writes) {
        std::string_view text(write);
        while (!text.empty() && (text.front() == '\n' || text.front() == '\r'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.remove_suffix(1);
        if (text.starts_with("WARNING: ") || text.starts_with("ERROR: "))
            warnings.emplace_back(text);
    }
    return warnings;
}

} // namespace brindle
