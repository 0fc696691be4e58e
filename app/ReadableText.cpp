// Making data's text safe for the report's files.
#include "app/ReadableText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace brindle {

namespace {

/// The length of the well-formed UTF-8 sequence that starts text at i (i below text's size), or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80; // the second byte's range, narrower after some leads
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;  // no overlong forms
        high = lead == 0xed ? 0x9f : 0xbf; // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xbf))
            return 0;
    }
    return length;
}

/// Whether any byte of the eight in word is below limit (at most 128); bytes of 0x80 and above
/// are not counted.
bool AnyByteBelow(std::uint64_t word, std::uint64_t limit)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    return ((word - ones * limit) & ~word & highs) != 0;
}

} // namespace

bool NeedsCheck(std::string_view text)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    bool check = false;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        // A control byte, a byte of 0x80 or above, or DEL (the one byte that matches 0x7f).
        check |= AnyByteBelow(word, 0x20) || (word & highs) != 0 || AnyByteBelow(word ^ (ones * 0x7f), 1);
    }
    return check || AnyMarked(text.substr(i), kBytesToCheck);
}

void AppendReadable(std::string& out, std::string_view text, bool keepLayout)
{
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            if (const std::size_t length = SequenceLength(text, i)) {
                out.append(text.substr(i, length));
                i += length;
                continue;
            }
            out += kUnsafeByteMark;
        } else if (byte == 0x7f || (byte < 0x20 && !(keepLayout && (byte == '\t' || byte == '\n' || byte == '\r')))) {
            out += kUnsafeByteMark;
        } else {
            out += static_cast<char>(byte);
        }
        ++i;
    }
}

} // namespace brindle
