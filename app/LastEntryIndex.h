// Answers "which is the last list entry that occurs in this text" without scanning the whole list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brindle {

/// An index over a list of codes (duplicates allowed) that finds, for a text, the qualifying entry
/// with the highest list position. Entries must be added in list order. The cost of a query grows
/// with the length of the text and the number of distinct entry lengths, not with the list's size.
class LastEntryIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    /// Records that `entry` stands at list position `position` (each call's position above the last).
    void Add(std::string_view entry, std::size_t position);

    /// Highest position among entries that occur anywhere in `text`; npos when none does.
    /// An empty entry occurs in every text.
    std::size_t FindLastOccurring(std::string_view text) const;

    /// Highest position among entries that `text`, read from `offset`, begins with; npos when none
    /// does. `offset` must not lie past the end of `text`.
    std::size_t FindLastAt(std::string_view text, std::size_t offset) const;

    void Clear();

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept
        {
            return std::hash<std::string_view>{}(text);
        }
    };
    using Map = std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>>;

    Map m_LastPosition;               ///< non-empty entry -> its highest list position
    std::vector<std::size_t> m_Lengths; ///< distinct lengths of the non-empty entries, ascending
    std::size_t m_EmptyPosition = npos; ///< highest position of an empty entry
    std::size_t m_HighestPosition = npos;
};

} // namespace brindle
