// Text taken from game data made safe for the report's files, as the console makes it safe for a
// terminal: a control byte or a byte that is not part of well-formed UTF-8 becomes '?'.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace brindle {

/// The byte every unsafe byte becomes.
inline constexpr char kUnsafeByteMark = '?';

/// Bytes that make a text worth a closer look: controls, DEL and every byte of 0x80 and above.
inline constexpr std::array<bool, 256> kBytesToCheck = [] {
    std::array<bool, 256> check{};
    for (std::size_t byte = 0; byte < check.size(); ++byte)
        check[byte] = byte < 0x20 || byte >= 0x7f;
    return check;
}();

/// Whether any byte of text is marked in bytes: one branch-free pass, as most texts hold none.
inline bool AnyMarked(std::string_view text, const std::array<bool, 256>& bytes)
{
    bool marked = false;
    for (const char c : text)
        marked |= bytes[static_cast<unsigned char>(c)];
    return marked;
}

/// AnyMarked(text, kBytesToCheck), eight bytes at a time.
bool NeedsCheck(std::string_view text);

/// Appends text with each control byte (tab and line ends too, unless keepLayout), DEL, and each
/// byte that does not belong to a well-formed UTF-8 sequence as kUnsafeByteMark.
void AppendReadable(std::string& out, std::string_view text, bool keepLayout);

} // namespace brindle
