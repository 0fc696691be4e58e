// List key identities numbered in the order they are first met, and found again by hash: what
// the script's section lists and the run report both keep for their keys.
#pragma once

#include "app/KeyIdentity.h"
#include "app/NumberSlots.h"

#include <cstdint>
#include <vector>

namespace brindle {

class IdentityTable {
public:
    static constexpr std::uint32_t kNone = NumberSlots::kNone;

    /// The number identity is filed under; a new identity is filed under the next number
    /// (Count() before the call), and added says so. Inline: it runs for every record.
    std::uint32_t FindOrAdd(const KeyIdentity& identity, bool& added)
    {
        const std::uint64_t hash = HashOf(identity);
        const std::uint32_t found =
            m_Slots.Find(hash, [this, &identity](std::uint32_t filed) { return m_Identities[filed] == identity; });
        added = found == kNone;
        if (!added)
            return found;
        const std::uint32_t number = m_Slots.Add(hash);
        m_Identities.push_back(identity);
        return number;
    }
    std::size_t Count() const { return m_Identities.size(); }

private:
    std::vector<KeyIdentity> m_Identities;
    NumberSlots m_Slots; ///< the numbers of m_Identities by their hash
};

} // namespace brindle
