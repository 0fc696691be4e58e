// Wine's registry text: scanned line by line for the one key asked for; only that key's lines are
// decoded.
#include "formats/WineRegistryText.h"

#include "platform/Ascii.h"

#include <cstdint>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kNotRegistry = "Not a Wine registry file.";
constexpr std::string_view kSignature = "WINE REGISTRY Version ";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = ascii::ToLower(c);
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

/// Decodes an escaped text that starts at line[pos] and ends at the first unescaped terminator;
/// pos is left after the terminator. False when the line ends first. Wine writes characters above
/// 127 as \x and up to four hex digits (UTF-16 units), control characters as C escapes or octal.
bool Decode(std::string_view line, std::size_t& pos, char terminator, std::string& out)
{
    out.clear();
    // A high surrogate waits for its low half; alone, either half becomes U+FFFD.
    std::uint32_t highSurrogate = 0;
    const auto flush = [&] {
        if (highSurrogate != 0)
            AppendUtf8(out, 0xFFFD);
        highSurrogate = 0;
    };
    const auto put = [&](std::uint32_t unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {
            flush();
            highSurrogate = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            AppendUtf8(out, highSurrogate != 0 ? 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
            highSurrogate = 0;
        } else {
            flush();
            AppendUtf8(out, unit);
        }
    };
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == terminator) {
            flush();
            return true;
        }
        if (c != '\\' || pos >= line.size()) {
            // Other bytes stand for themselves.
            flush();
            out += c;
            continue;
        }
        const char e = line[pos++];
        switch (e) {
        case 'a': put(7); break;
        case 'b': put(8); break;
        case 't': put(9); break;
        case 'n': put(10); break;
        case 'v': put(11); break;
        case 'f': put(12); break;
        case 'r': put(13); break;
        case 'e': put(27); break;
        case 'x': {
            std::uint32_t unit = 0;
            int digits = 0;
            for (; digits < 4 && pos < line.size() && HexValue(line[pos]) >= 0; ++digits)
                unit = unit * 16 + static_cast<std::uint32_t>(HexValue(line[pos++]));
            put(digits == 0 ? 'x' : unit);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
                for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits)
                    unit = unit * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
                put(unit);
            } else {
                put(static_cast<unsigned char>(e));
            }
            break;
        }
    }
    return false;
}

/// Whether the key line "[...]" names key. Most of a big file's keys differ from the one asked for
/// within a few characters, so the raw text is compared first; only a line with an escape other
/// than a doubled backslash is decoded whole.
bool NamesKey(std::string_view line, std::string_view key, std::string& decoded)
{
    std::size_t i = 1;
    bool escaped = false;
    for (const char k : key) {
        if (i >= line.size())
            return false;
        if (line[i] == '\\' && (k != '\\' || line.compare(i, 2, "\\\\") != 0)) {
            escaped = true;
            break;
        }
        if (k == '\\') {
            if (line[i] != '\\')
                return false;
            i += 2;
            continue;
        }
        if (ascii::ToLower(line[i]) != ascii::ToLower(k))
            return false;
        ++i;
    }
    if (!escaped)
        return i < line.size() && line[i] == ']';
    std::size_t pos = 1;
    return Decode(line, pos, ']', decoded) && ascii::EqualsIgnoreCase(decoded, key);
}

} // namespace

WineRegistryText::WineRegistryText(std::string_view text) : m_Text(text)
{
    if (text.size() > kMaxBytes || text.substr(0, kSignature.size()) != kSignature)
        throw std::runtime_error(kNotRegistry);
}

bool WineRegistryText::GetText(std::string_view key, std::string_view name, std::string& text) const
{
    bool inKey = false;
    std::string decoded;
    std::size_t start = 0;
    while (start < m_Text.size()) {
        std::size_t end = m_Text.find('\n', start);
        if (end == std::string_view::npos)
            end = m_Text.size();
        std::string_view line = m_Text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (line[0] == '[') {
            // A key's line ends in the time it was written: "[Software\\Valve] 1700000000".
            inKey = NamesKey(line, key, decoded);
            continue;
        }
        if (!inKey || line[0] != '"')
            continue;
        std::size_t pos = 1;
        if (!Decode(line, pos, '"', decoded) || !ascii::EqualsIgnoreCase(decoded, name))
            continue;
        std::string_view rest = line.substr(pos);
        if (rest.substr(0, 2) == "=\"") {
            pos = 2;
        } else if (rest.substr(0, 9) == "=str(2):\"") {
            pos = 9;
        } else {
            return false;
        }
        return Decode(rest, pos, '"', text);
    }
    return false;
}

} // namespace brindle
