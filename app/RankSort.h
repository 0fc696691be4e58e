// Sorting many items that fall into many small groups known by a dense number (a list's rank
// among the keys): counted out by group, then each group's few items sorted. The script's lists
// and the report's grids are ordered this way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace brindle {

/// Puts items in the order of rank(item), a number below ranks, then each rank's items by less
/// (a counting pass, then a sort of each rank's run only).
template <class T, class Rank, class Less>
void SortByRank(std::vector<T>& items, std::size_t ranks, const Rank& rank, const Less& less)
{
    std::vector<std::size_t> starts(ranks + 1);
    for (const T& item : items)
        ++starts[rank(item) + 1];
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    std::vector<T> placed(items.size());
    for (const T& item : items)
        placed[starts[rank(item)]++] = item;
    // starts[r] is now where the run of rank r ends.
    for (std::size_t r = 0, begin = 0; r < ranks; begin = starts[r++])
        if (starts[r] - begin > 1)
            std::sort(placed.begin() + static_cast<std::ptrdiff_t>(begin),
                      placed.begin() + static_cast<std::ptrdiff_t>(starts[r]), less);
    items = std::move(placed);
}

} // namespace brindle
