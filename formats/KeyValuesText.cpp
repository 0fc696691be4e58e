// Key-values text: one pass over the characters with a depth count, so no input can nest the
// reader's own calls.
#include "formats/KeyValuesText.h"

#include "platform/Ascii.h"

#include <optional>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kMalformed = "Malformed key-values text.";

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : m_Text(text) {}

    enum class Kind { End, Text, Open, Close };

    /// The next token; its text, for Kind::Text, in text.
    Kind Next(std::string& text)
    {
        SkipSpaceAndComments();
        if (m_Pos >= m_Text.size())
            return Kind::End;
        const char c = m_Text[m_Pos];
        if (c == '{') {
            ++m_Pos;
            return Kind::Open;
        }
        if (c == '}') {
            ++m_Pos;
            return Kind::Close;
        }
        text.clear();
        if (c == '"')
            ReadQuoted(text);
        else
            ReadBare(text);
        return Kind::Text;
    }

private:
    void SkipSpaceAndComments()
    {
        while (m_Pos < m_Text.size()) {
            if (ascii::IsSpace(m_Text[m_Pos])) {
                ++m_Pos;
            } else if (m_Text.compare(m_Pos, 2, "//") == 0) {
                const std::size_t end = m_Text.find('\n', m_Pos);
                m_Pos = end == std::string_view::npos ? m_Text.size() : end + 1;
            } else {
                break;
            }
        }
    }

    void ReadQuoted(std::string& text)
    {
        ++m_Pos;
        while (m_Pos < m_Text.size()) {
            const char c = m_Text[m_Pos++];
            if (c == '"')
                return;
            if (c != '\\' || m_Pos >= m_Text.size()) {
                text += c;
                continue;
            }
            // The client writes "\\" for each backslash of a Windows path, and escapes quotes.
            const char escaped = m_Text[m_Pos++];
            switch (escaped) {
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case '\\':
            case '"':
                text += escaped;
                break;
            default:
                text += '\\';
                text += escaped;
                break;
            }
        }
        throw std::runtime_error(kMalformed);
    }

    void ReadBare(std::string& text)
    {
        while (m_Pos < m_Text.size()) {
            const char c = m_Text[m_Pos];
            if (ascii::IsSpace(c) || c == '"' || c == '{' || c == '}')
                break;
            text += c;
            ++m_Pos;
        }
    }

    std::string_view m_Text;
    std::size_t m_Pos = 0;
};

} // namespace

KeyValuesText::KeyValuesText(std::string_view text)
{
    if (text.size() > kMaxBytes)
        throw std::runtime_error(kMalformed);
    Tokenizer tokens(text);
    std::uint32_t depth = 0;
    std::optional<std::string> key;
    std::string token;
    for (;;) {
        const Tokenizer::Kind kind = tokens.Next(token);
        switch (kind) {
        case Tokenizer::Kind::End:
            if (depth != 0 || key)
                throw std::runtime_error(kMalformed);
            return;
        case Tokenizer::Kind::Text:
            if (key) {
                m_Entries.push_back({std::move(*key), std::move(token), depth});
                key.reset();
            } else {
                key = std::move(token);
            }
            break;
        case Tokenizer::Kind::Open:
            if (!key || depth == kMaxDepth)
                throw std::runtime_error(kMalformed);
            key.reset();
            ++depth;
            break;
        case Tokenizer::Kind::Close:
            if (key || depth == 0)
                throw std::runtime_error(kMalformed);
            --depth;
            break;
        }
    }
}

std::vector<std::string> KeyValuesText::Values(std::string_view key, std::uint32_t depth) const
{
    std::vector<std::string> values;
    for (const KeyValueEntry& entry : m_Entries)
        if (entry.depth == depth && ascii::EqualsIgnoreCase(entry.key, key))
            values.push_back(entry.value);
    return values;
}

} // namespace brindle
