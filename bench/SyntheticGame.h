// A full-size synthetic game on disk, in the layout the tool reads: an installation directory with
// the data archives of three releases, an override folder and the talk table; a home directory with
// the module, its HAK archives, an override folder and a custom talk table.
#pragma once

#include <cstdint>
#include <string>

namespace brindle::bench {

/// The module the synthetic game holds (home/Modules/<name>.mod).
inline constexpr const char* kBenchModuleName = "BrindleBench";

struct SyntheticGameCounts {
    std::uint64_t archives = 0;
    std::uint64_t archiveEntries = 0;
    std::uint64_t archiveModels = 0;
    std::uint64_t hakEntries = 0;
    std::uint64_t looseFiles = 0;
};

class SyntheticGame {
public:
    explicit SyntheticGame(std::uint64_t seed) : m_Seed(seed) {}

    /// Writes the game under root (root/install and root/home), which must not hold an earlier one.
    /// Throws std::runtime_error on failure.
    SyntheticGameCounts Write(const std::string& root) const;

private:
    std::uint64_t m_Seed;
};

} // namespace brindle::bench
