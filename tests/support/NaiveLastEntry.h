// The plain reading of "the last list entry that qualifies wins": a scan of the whole list. The
// reference that LastEntryIndex is checked against, and the baseline of its benchmark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::test {

inline constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);

/// Position of the last entry of `list` that occurs anywhere in `text`, or kNoEntry.
std::size_t NaiveLastOccurring(const std::vector<std::string>& list, std::string_view text);

/// Position of the last entry of `list` that `text`, read from `offset`, begins with, or kNoEntry.
std::size_t NaiveLastAt(const std::vector<std::string>& list, std::string_view text, std::size_t offset);

} // namespace brindle::test
