// Last-entry index over a code list, kept as a trie of the entries.
#include "app/LastEntryIndex.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace brindle {

namespace {

// npos marks "none", so it must lose every comparison.
std::size_t Later(std::size_t a, std::size_t b)
{
    if (a == LastEntryIndex::npos)
        return b;
    if (b == LastEntryIndex::npos)
        return a;
    return std::max(a, b);
}

} // namespace

LastEntryIndex::LastEntryIndex() : m_Nodes(1) {}

LastEntryIndex::NodeId LastEntryIndex::Child(NodeId node, char c) const
{
    if (node == kRoot)
        return m_RootChildren[static_cast<unsigned char>(c)];
    for (const auto& [letter, child] : m_Nodes[node].children)
        if (letter == c)
            return child;
    return kRoot;
}

void LastEntryIndex::Add(std::string_view entry, std::size_t position)
{
    m_HighestPosition = Later(m_HighestPosition, position);
    NodeId node = kRoot;
    for (const char c : entry) {
        NodeId child = Child(node, c);
        if (child == kRoot) {
            if (m_Nodes.size() >= std::numeric_limits<NodeId>::max())
                throw std::length_error("code list too large");
            child = static_cast<NodeId>(m_Nodes.size());
            m_Nodes.emplace_back();
            if (node == kRoot)
                m_RootChildren[static_cast<unsigned char>(c)] = child;
            else
                m_Nodes[node].children.emplace_back(c, child);
        }
        node = child;
    }
    m_Nodes[node].position = Later(m_Nodes[node].position, position);
}

std::size_t LastEntryIndex::WalkFrom(std::string_view text, std::size_t best) const
{
    NodeId node = kRoot;
    for (const char c : text) {
        node = Child(node, c);
        if (node == kRoot)
            break;
        best = Later(best, m_Nodes[node].position);
    }
    return best;
}

std::size_t LastEntryIndex::FindLastOccurring(std::string_view text) const
{
    // The root's position is that of an empty entry, which occurs everywhere.
    std::size_t best = m_Nodes[kRoot].position;
    for (std::size_t start = 0; start < text.size(); ++start) {
        // Most places begin no entry at all.
        if (m_RootChildren[static_cast<unsigned char>(text[start])] == kRoot)
            continue;
        best = WalkFrom(text.substr(start), best);
        // Nothing can beat the list's last entry.
        if (best == m_HighestPosition)
            break;
    }
    return best;
}

std::size_t LastEntryIndex::FindLastAt(std::string_view text, std::size_t offset) const
{
    return WalkFrom(text.substr(offset), m_Nodes[kRoot].position);
}

} // namespace brindle
