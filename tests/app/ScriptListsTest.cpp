// Recorded script lists: key order whatever order they came in, and the later of two lists of one
// key kept.
#include "app/ScriptLists.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace brindle {
namespace {

TEST(ScriptListsTest, ListsEndInKeyOrderWithTheLastOfAKeyKept)
{
    struct Case {
        const char* what;
        std::vector<std::string> added; ///< keys in the order added; each list holds its place
    };
    std::vector<std::string> manyRuns;
    for (int i = 20; i > 0; --i)
        manyRuns.push_back("K" + std::to_string(i % 7));
    const Case cases[] = {
        {"one run", {"A", "B", "C"}},
        {"sections of their own", {"W1", "W2", "P1", "P2", "P3", "A1", "AVT"}},
        {"a key in two runs", {"B", "C", "A", "B", "D"}},
        {"a key twice in one run", {"A", "B", "B", "C"}},
        {"more runs than are merged", manyRuns},
        {"nothing", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptLists lists;
        for (std::size_t i = 0; i < c.added.size(); ++i)
            lists.Add(c.added[i], {static_cast<std::uint32_t>(i), 1000});
        lists.Finish();
        // Expected: every key once, ascending, holding the place it was last added at.
        std::vector<std::pair<std::string, std::uint32_t>> expected;
        for (std::size_t i = 0; i < c.added.size(); ++i) {
            const auto same =
                std::find_if(expected.begin(), expected.end(), [&](const auto& e) { return e.first == c.added[i]; });
            if (same != expected.end())
                same->second = static_cast<std::uint32_t>(i);
            else
                expected.emplace_back(c.added[i], static_cast<std::uint32_t>(i));
        }
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(lists.Lists().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(lists.Lists()[i].key, expected[i].first);
            EXPECT_EQ(lists.Lists()[i].numbers, (ScriptLists::Numbers{expected[i].second, 1000}));
        }
    }
    // Numbers are kept ascending and once each, however they were handed in.
    ScriptLists lists;
    lists.Add("K", {5, 1, 5, 3});
    lists.Finish();
    EXPECT_EQ(lists.Lists().front().numbers, (ScriptLists::Numbers{1, 3, 5}));
}

} // namespace
} // namespace brindle
