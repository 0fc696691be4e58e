// A reproducible random source for the synthetic game: the same seed gives the same game on every
// machine and compiler (the engine's sequence is fixed by the standard; no standard distributions).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace brindle::bench {

class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : m_Engine(seed) {}

    /// A number in [0, count); count must not be 0.
    std::uint32_t Below(std::uint32_t count) { return static_cast<std::uint32_t>(m_Engine() % count); }
    /// A number in [low, high].
    std::uint32_t Between(std::uint32_t low, std::uint32_t high) { return low + Below(high - low + 1); }
    /// True in about percent out of 100 calls.
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }

    template <class T>
    const T& Pick(const std::vector<T>& items) { return items[Below(static_cast<std::uint32_t>(items.size()))]; }

    /// Lower-case letters, count of them.
    std::string Letters(std::size_t count)
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += static_cast<char>('a' + Below(26));
        return text;
    }

private:
    std::mt19937_64 m_Engine;
};

} // namespace brindle::bench
