// Whole-list scans for the last qualifying entry.
#include "tests/support/NaiveLastEntry.h"

namespace brindle::test {

std::size_t NaiveLastOccurring(const std::vector<std::string>& list, std::string_view text)
{
    std::size_t winner = kNoEntry;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (text.find(list[i]) != std::string_view::npos)
            winner = i;
    return winner;
}

std::size_t NaiveLastAt(const std::vector<std::string>& list, std::string_view text, std::size_t offset)
{
    std::size_t winner = kNoEntry;
    const std::string_view rest = text.substr(offset);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (rest.starts_with(list[i]))
            winner = i;
    return winner;
}

} // namespace brindle::test
