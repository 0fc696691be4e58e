// A section's lists: identities filed in a flat table by their hash, texts in one buffer, and the
// (key, number) pairs sorted once at the end.
#include "app/SectionLists.h"

#include "platform/ByteWords.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace brindle {

std::uint32_t SectionLists::Find(const KeyIdentity& identity) const
{
    return m_Slots.Find(HashOf(identity),
                        [this, &identity](std::uint32_t filed) { return m_Identities[filed] == identity; });
}

std::uint32_t SectionLists::Insert(const KeyIdentity& identity, std::string_view text)
{
    // Text offsets are 32-bit numbers; no section comes near.
    if (text.size() > UINT32_MAX - m_Texts.size())
        throw std::length_error("too many script lists");
    const std::uint32_t number = m_Slots.Add(HashOf(identity));
    m_Identities.push_back(identity);
    m_Texts += text;
    m_TextEnds.push_back(static_cast<std::uint32_t>(m_Texts.size()));
    return number;
}

std::string_view SectionLists::Text(std::uint32_t identity) const
{
    const std::uint32_t begin = identity == 0 ? 0 : m_TextEnds[identity - 1];
    return std::string_view(m_Texts).substr(begin, m_TextEnds[identity] - begin);
}

void SectionLists::Order()
{
    // The keys of a section mostly share a long beginning ("VK_P_HHM_"): they are sorted by the
    // eight bytes after what all of them share, read as one number, and compared whole only where
    // those agree.
    std::size_t shared = m_Identities.empty() ? 0 : Text(0).size();
    for (std::uint32_t identity = 1; identity < m_Identities.size() && shared != 0; ++identity) {
        const std::string_view text = Text(identity);
        const auto mismatch =
            std::mismatch(text.begin(), text.begin() + std::min(shared, text.size()), m_Texts.begin());
        shared = static_cast<std::size_t>(mismatch.first - text.begin());
    }
    struct Sortable {
        std::uint64_t leading; ///< the bytes after the shared beginning, the first in the highest bits
        std::uint32_t identity;
    };
    std::vector<Sortable> sortable(m_Identities.size());
    for (std::uint32_t identity = 0; identity < m_Identities.size(); ++identity)
        sortable[identity] = {words::LeadingBytes(Text(identity).substr(shared)), identity};
    std::sort(sortable.begin(), sortable.end(), [this](const Sortable& a, const Sortable& b) {
        if (a.leading != b.leading)
            return a.leading < b.leading;
        return Text(a.identity) < Text(b.identity);
    });
    std::vector<std::uint32_t> order(sortable.size());
    for (std::size_t k = 0; k < sortable.size(); ++k)
        order[k] = sortable[k].identity;
    std::vector<std::uint32_t> rankOf(order.size());
    m_FirstOfRank.clear();
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k == 0 || Text(order[k]) != Text(order[k - 1]))
            m_FirstOfRank.push_back(order[k]);
        rankOf[order[k]] = static_cast<std::uint32_t>(m_FirstOfRank.size() - 1);
    }
    // The pairs are counted out by rank (a list holds a few numbers, mostly met in order), then
    // each list's numbers sorted where they are not yet.
    std::vector<std::size_t> starts(m_FirstOfRank.size() + 1);
    for (const std::uint64_t pair : m_Pairs)
        ++starts[rankOf[pair >> 32] + 1];
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    std::vector<std::uint64_t> ranked(m_Pairs.size());
    for (const std::uint64_t pair : m_Pairs) {
        const std::uint32_t rank = rankOf[pair >> 32];
        ranked[starts[rank]++] = std::uint64_t{rank} << 32 | static_cast<std::uint32_t>(pair);
    }
    // starts[rank] is now where the list after rank begins.
    for (std::size_t rank = 0, begin = 0; rank < m_FirstOfRank.size(); begin = starts[rank++]) {
        const auto first = ranked.begin() + static_cast<std::ptrdiff_t>(begin);
        const auto last = ranked.begin() + static_cast<std::ptrdiff_t>(starts[rank]);
        if (!std::is_sorted(first, last))
            std::sort(first, last);
    }
    ranked.erase(std::unique(ranked.begin(), ranked.end()), ranked.end());
    m_Pairs = std::move(ranked);
}

} // namespace brindle
