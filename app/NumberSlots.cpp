// The flat number table: linear probing over a power-of-two array kept at most half full.
#include "app/NumberSlots.h"

#include <algorithm>
#include <stdexcept>

namespace brindle {

std::uint32_t NumberSlots::Add(std::uint64_t hash)
{
    if (m_Count >= kNone - 1)
        throw std::length_error("too many numbers to file");
    if (m_Slots.size() / 2 <= m_Count) {
        // The low half of each hash is kept, enough to refile every number in a larger table.
        std::vector<Slot> old(std::max<std::size_t>(64, m_Slots.size() * 2));
        old.swap(m_Slots);
        for (const Slot& filed : old)
            if (filed.numberPlusOne != 0)
                File(filed.hash, filed.numberPlusOne);
    }
    File(static_cast<std::uint32_t>(hash), m_Count + 1);
    return m_Count++;
}

void NumberSlots::File(std::uint32_t hash, std::uint32_t numberPlusOne)
{
    const std::size_t mask = m_Slots.size() - 1;
    std::size_t slot = hash & mask;
    while (m_Slots[slot].numberPlusOne != 0)
        slot = (slot + 1) & mask;
    m_Slots[slot] = {hash, numberPlusOne};
}

} // namespace brindle
