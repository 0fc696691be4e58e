// ASCII-only character helpers: case mapping and classification never consult the locale.
#pragma once

#include <string>
#include <string_view>

namespace brindle::ascii {

inline constexpr char ToLower(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<char>(u + ('a' - 'A')) : c;
}

inline constexpr char ToUpper(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<char>(u - ('a' - 'A')) : c;
}

inline constexpr bool IsDigit(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= '0' && u <= '9';
}

/// The C library's white-space set: space, tab, LF, VT, FF, CR.
inline constexpr bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline std::string ToLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = ToLower(c);
    return out;
}

inline std::string ToUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = ToUpper(c);
    return out;
}

/// Compares two texts without regard to ASCII case.
inline bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToLower(a[i]) != ToLower(b[i]))
            return false;
    return true;
}

/// True when text ends with suffix, without regard to ASCII case.
inline bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

} // namespace brindle::ascii
