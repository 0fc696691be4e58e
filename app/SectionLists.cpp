// A section's lists: identities filed in a flat table by their hash, texts in one buffer, and the
// (key, number) pairs sorted once at the end.
#include "app/SectionLists.h"

#include "app/RankSort.h"
#include "platform/ByteWords.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace brindle {

void SectionLists::AddText(std::string_view text)
{
    // Text offsets are 32-bit numbers; no section comes near.
    if (text.size() > UINT32_MAX - m_Texts.size())
        throw std::length_error("too many script lists");
    m_Texts += text;
    m_TextEnds.push_back(static_cast<std::uint32_t>(m_Texts.size()));
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
    const std::size_t count = m_Identities.Count();
    std::size_t shared = count == 0 ? 0 : Text(0).size();
    for (std::uint32_t identity = 1; identity < count && shared != 0; ++identity) {
        const std::string_view text = Text(identity);
        const auto mismatch =
            std::mismatch(text.begin(), text.begin() + std::min(shared, text.size()), m_Texts.begin());
        shared = static_cast<std::size_t>(mismatch.first - text.begin());
    }
    struct Sortable {
        std::uint64_t leading; ///< the bytes after the shared beginning, the first in the highest bits
        std::uint32_t identity;
    };
    std::vector<Sortable> sortable(count);
    for (std::uint32_t identity = 0; identity < count; ++identity)
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
    for (std::uint64_t& pair : m_Pairs)
        pair = std::uint64_t{rankOf[pair >> 32]} << 32 | static_cast<std::uint32_t>(pair);
    // A list holds a few numbers: counted out by list, then each list's numbers sorted.
    SortByRank(
        m_Pairs, m_FirstOfRank.size(), [](std::uint64_t pair) { return pair >> 32; }, std::less<>());
    m_Pairs.erase(std::unique(m_Pairs.begin(), m_Pairs.end()), m_Pairs.end());
}

} // namespace brindle
