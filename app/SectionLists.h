// The lists of one script section, gathered record by record: a list per key, with the numbers met
// for it. Records name their key by the table entries it is made of, so the key's text is made
// once per distinct set of entries, not once per record; lists whose keys read alike are one list.
#pragma once

#include "app/KeyIdentity.h"
#include "app/NumberSlots.h"

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
            m_Last = Find(identity);
            if (m_Last == kNone) {
                writeKey(m_Key);
                m_Last = Insert(identity, m_Key);
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
    std::size_t IdentityCount() const { return m_Identities.size(); }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    std::uint32_t Find(const KeyIdentity& identity) const;
    std::uint32_t Insert(const KeyIdentity& identity, std::string_view text);
    std::string_view Text(std::uint32_t identity) const;
    /// Turns each pair's identity into the rank of its key's text, then sorts the pairs and drops
    /// repeats.
    void Order();

    std::vector<KeyIdentity> m_Identities;
    NumberSlots m_Slots;                   ///< the numbers of m_Identities by their hash
    std::string m_Texts;                   ///< the key texts one after another
    std::vector<std::uint32_t> m_TextEnds; ///< where each identity's text ends in m_Texts
    std::vector<std::uint64_t> m_Pairs;    ///< identity (after Order: rank) << 32 | number
    std::vector<std::uint32_t> m_FirstOfRank;
    std::string m_Key;
    KeyIdentity m_LastIdentity;
    std::uint32_t m_Last = kNone;
    bool m_HasLast = false;
};

} // namespace brindle
