// The lists of one script section, gathered record by record: a list per key, with the numbers met
// for it. Records name their key by the table entries it is made of, so the key's text is made
// once per distinct set of entries, not once per record; lists whose keys read alike are one list.
#pragma once

#include "app/IdentityTable.h"
#include "app/KeyIdentity.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class SectionLists {
public:
    /// Adds number to the list of identity's key; writeKey(std::string&) writes that key's text
    /// over its argument, and is only called for an identity not met before.
    template <class WriteKey>
    void Add(const KeyIdentity& identity, std::uint32_t number, const WriteKey& writeKey)
    {
        if (!m_HasLast || !(identity == m_LastIdentity)) {
            bool added = false;
            m_Last = m_Identities.FindOrAdd(identity, added);
            if (added) {
                writeKey(m_Key);
                AddText(m_Key);
            }
            m_LastIdentity = identity;
            m_HasLast = true;
        }
        m_Pairs.push_back(std::uint64_t{m_Last} << 32 | number);
    }

    /// Calls put(key, numbers) for every list in ascending byte order of the keys, its numbers
    /// ascending and each once. numbers is put's to change; it is not looked at again. Called once,
    /// after the last Add.
    template <class Put>
    void ForEachInKeyOrder(const Put& put)
    {
        Order();
        std::vector<std::uint32_t> numbers;
        for (std::size_t at = 0; at < m_Pairs.size();) {
            const auto rank = static_cast<std::uint32_t>(m_Pairs[at] >> 32);
            numbers.clear();
            for (; at < m_Pairs.size() && static_cast<std::uint32_t>(m_Pairs[at] >> 32) == rank; ++at)
                numbers.push_back(static_cast<std::uint32_t>(m_Pairs[at]));
            put(Text(m_FirstOfRank[rank]), numbers);
        }
    }

    /// Number of distinct identities met.
    std::size_t IdentityCount() const { return m_Identities.Count(); }

private:
    /// Keeps the text of the identity filed last.
    void AddText(std::string_view text);
    std::string_view Text(std::uint32_t identity) const;
    /// Turns each pair's identity into the rank of its key's text, then sorts the pairs and drops
    /// repeats.
    void Order();

    IdentityTable m_Identities;
    std::string m_Texts;                   ///< the key texts one after another
    std::vector<std::uint32_t> m_TextEnds; ///< where each identity's text ends in m_Texts
    std::vector<std::uint64_t> m_Pairs;    ///< identity (after Order: rank) << 32 | number
    std::vector<std::uint32_t> m_FirstOfRank;
    std::string m_Key;
    KeyIdentity m_LastIdentity;
    std::uint32_t m_Last = IdentityTable::kNone;
    bool m_HasLast = false;
};

} // namespace brindle
