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

/// UTF-16 units collected as UTF-8. A high surrogate waits for its low half; alone, either half
/// becomes U+FFFD.
class Utf16Text {
public:
    explicit Utf16Text(std::string& out) : m_Out(out) {}

    void Put(std::uint32_t unit);
    /// A byte that stands for itself.
    void PutByte(char c)
    {
        Flush();
        m_Out += c;
    }
    /// Ends a surrogate left waiting.
    void Flush()
    {
        if (m_HighSurrogate != 0)
            AppendUtf8(m_Out, 0xFFFD);
        m_HighSurrogate = 0;
    }

private:
    std::string& m_Out;
    std::uint32_t m_HighSurrogate = 0;
};

void Utf16Text::Put(std::uint32_t unit)
{
    if (unit >= 0xD800 && unit < 0xDC00) {
        Flush();
        m_HighSurrogate = unit;
    } else if (unit >= 0xDC00 && unit < 0xE000) {
        AppendUtf8(m_Out,
                   m_HighSurrogate != 0 ? 0x10000 + ((m_HighSurrogate - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
        m_HighSurrogate = 0;
    } else {
        Flush();
        AppendUtf8(m_Out, unit);
    }
}

/// \x and up to four hex digits from line[pos]; without a digit it is an 'x'.
std::uint32_t HexEscape(std::string_view line, std::size_t& pos)
{
    std::uint32_t unit = 0;
    int digits = 0;
    for (; digits < 4 && pos < line.size() && HexValue(line[pos]) >= 0; ++digits)
        unit = unit * 16 + static_cast<std::uint32_t>(HexValue(line[pos++]));
    return digits == 0 ? 'x' : unit;
}

/// An octal escape of up to three digits, the first already read.
std::uint32_t OctalEscape(char first, std::string_view line, std::size_t& pos)
{
    std::uint32_t unit = static_cast<std::uint32_t>(first - '0');
    for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits)
        unit = unit * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
    return unit;
}

/// The unit of the escape whose letter is line[pos], pos left after the escape. An unknown
/// escape stands for its letter.
std::uint32_t EscapedUnit(std::string_view line, std::size_t& pos)
{
    const char e = line[pos++];
    switch (e) {
    case 'a':
        return 7;
    case 'b':
        return 8;
    case 't':
        return 9;
    case 'n':
        return 10;
    case 'v':
        return 11;
    case 'f':
        return 12;
    case 'r':
        return 13;
    case 'e':
        return 27;
    case 'x':
        return HexEscape(line, pos);
    default:
        if (e >= '0' && e <= '7')
            return OctalEscape(e, line, pos);
        return static_cast<unsigned char>(e);
    }
}

/// Decodes an escaped text that starts at line[pos] and ends at the first unescaped terminator;
/// pos is left after the terminator. False when the line ends first. Wine writes characters above
/// 127 as \x and up to four hex digits (UTF-16 units), control characters as C escapes or octal.
bool Decode(std::string_view line, std::size_t& pos, char terminator, std::string& out)
{
    out.clear();
    Utf16Text text(out);
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == terminator) {
            text.Flush();
            return true;
        }
        // Other bytes stand for themselves, a backslash at the end of the line too.
        if (c != '\\' || pos >= line.size())
            text.PutByte(c);
        else
            text.Put(EscapedUnit(line, pos));
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
