// Answers "which is the last list entry that occurs in this text" without scanning the whole list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace brindle {

/// An index over a list of codes (duplicates allowed) that finds, for a text, the qualifying entry
/// with the highest list position. Entries must be added in list order. The entries form a trie, so
/// a query costs about the text's length times the depth of the partial matches, whatever the
/// size of the list.
class LastEntryIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    LastEntryIndex();

    /// Records that `entry` stands at list position `position`.
    void Add(std::string_view entry, std::size_t position);

    /// Highest position among entries that occur anywhere in `text`; npos when none does.
    /// An empty entry occurs in every text.
    std::size_t FindLastOccurring(std::string_view text) const;

    /// Highest position among entries that `text`, read from `offset`, begins with; npos when none
    /// does. An `offset` past the end of `text` raises std::out_of_range.
    std::size_t FindLastAt(std::string_view text, std::size_t offset) const;

private:
    using NodeId = std::uint32_t;
    static constexpr NodeId kRoot = 0;  ///< never anyone's child, so 0 also means "no child"

    struct Node {
        std::size_t position = npos;                      ///< highest position of the entry ending here
        std::vector<std::pair<char, NodeId>> children;    ///< unordered; fan-out below the root is small
    };

    NodeId Child(NodeId node, char c) const;
    /// Highest position among entries that begin `text`, starting from `best`.
    std::size_t WalkFrom(std::string_view text, std::size_t best) const;

    std::vector<Node> m_Nodes;
    std::array<NodeId, 256> m_RootChildren{}; ///< the root's children by byte, the hot first step
    std::size_t m_HighestPosition = npos;
};

} // namespace brindle
