// Numbers filed by a hash of what they stand for: the flat table behind the tool's look-ups of
// list keys and report texts, which keeps no node per entry.
#pragma once

#include <cstdint>
#include <vector>

namespace brindle {

/// An open-addressing table of the numbers 0, 1, 2, ... in the order they are added, each filed
/// under a hash of what it stands for. What they stand for is the caller's to keep: a look-up asks
/// the caller whether a number filed under the same hash is the one sought.
class NumberSlots {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    /// The number filed under hash for which matches(number) holds; kNone when there is none.
    template <class Matches>
    std::uint32_t Find(std::uint64_t hash, const Matches& matches) const
    {
        if (m_Slots.empty())
            return kNone;
        const auto low = static_cast<std::uint32_t>(hash);
        const std::size_t mask = m_Slots.size() - 1;
        for (std::size_t slot = low & mask;; slot = (slot + 1) & mask) {
            const Slot& filed = m_Slots[slot];
            if (filed.numberPlusOne == 0)
                return kNone;
            if (filed.hash == low && matches(filed.numberPlusOne - 1))
                return filed.numberPlusOne - 1;
        }
    }

    /// Files the next number (Count() before the call) under hash and returns it. Throws
    /// std::length_error when every number but kNone is taken.
    std::uint32_t Add(std::uint64_t hash);

    /// How many numbers are filed.
    std::uint32_t Count() const { return m_Count; }

private:
    struct Slot {
        std::uint32_t hash = 0;          ///< the low half of the hash the number was filed under
        std::uint32_t numberPlusOne = 0; ///< 0 when the slot is free
    };
    static_assert(sizeof(Slot) == 8);

    void File(std::uint32_t hash, std::uint32_t numberPlusOne);

    std::vector<Slot> m_Slots; ///< a power of two in size, at most half of them taken
    std::uint32_t m_Count = 0;
};

} // namespace brindle
