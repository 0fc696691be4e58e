// Reader of the Steam client's text key-values files (libraryfolders.vdf, appmanifest_*.acf):
// quoted keys, each followed by a quoted value or by a block of further keys in braces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

/// One key with a text value.
struct KeyValueEntry {
    std::string key;
    std::string value;
    std::uint32_t depth; ///< blocks around the entry: 0 at the top of the file
};

class KeyValuesText {
public:
    /// Longest text read; the client's files are a few kilobytes.
    static constexpr std::size_t kMaxBytes = 4u << 20;
    /// Deepest nesting of blocks accepted.
    static constexpr std::uint32_t kMaxDepth = 64;

    /// Reads the whole text. Throws std::runtime_error("Malformed key-values text.") for a text
    /// that is longer than kMaxBytes, nests deeper than kMaxDepth, leaves a string or a block open,
    /// closes a block that was never opened or holds a key without a value.
    explicit KeyValuesText(std::string_view text);

    /// Values of the entries named key (ASCII case ignored, as the client does) at the given depth,
    /// in the order of the file.
    std::vector<std::string> Values(std::string_view key, std::uint32_t depth) const;

    const std::vector<KeyValueEntry>& Entries() const { return m_Entries; }

private:
    std::vector<KeyValueEntry> m_Entries;
};

} // namespace brindle
