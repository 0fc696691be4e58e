// Last-entry index over a code list.
#include "app/LastEntryIndex.h"

#include <algorithm>

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

void LastEntryIndex::Add(std::string_view entry, std::size_t position)
{
    m_HighestPosition = Later(m_HighestPosition, position);
    if (entry.empty()) {
        m_EmptyPosition = Later(m_EmptyPosition, position);
        return;
    }
    const auto found = m_LastPosition.find(entry);
    if (found != m_LastPosition.end()) {
        found->second = Later(found->second, position);
        return;
    }
    m_LastPosition.emplace(std::string(entry), position);
    const auto at = std::lower_bound(m_Lengths.begin(), m_Lengths.end(), entry.size());
    if (at == m_Lengths.end() || *at != entry.size())
        m_Lengths.insert(at, entry.size());
}

std::size_t LastEntryIndex::FindLastOccurring(std::string_view text) const
{
    std::size_t best = m_EmptyPosition;
    for (const std::size_t length : m_Lengths) {
        if (length > text.size())
            break;
        for (std::size_t start = 0; start + length <= text.size(); ++start) {
            const auto found = m_LastPosition.find(text.substr(start, length));
            if (found == m_LastPosition.end())
                continue;
            best = Later(best, found->second);
            // Nothing can beat the list's last entry.
            if (best == m_HighestPosition)
                return best;
        }
    }
    return best;
}

std::size_t LastEntryIndex::FindLastAt(std::string_view text, std::size_t offset) const
{
    const std::string_view rest = text.substr(offset);
    std::size_t best = m_EmptyPosition;
    for (const std::size_t length : m_Lengths) {
        if (length > rest.size())
            break;
        const auto found = m_LastPosition.find(rest.substr(0, length));
        if (found != m_LastPosition.end())
            best = Later(best, found->second);
    }
    return best;
}

void LastEntryIndex::Clear()
{
    m_LastPosition.clear();
    m_Lengths.clear();
    m_EmptyPosition = npos;
    m_HighestPosition = npos;
}

} // namespace brindle
