// The flat number table must find every number it filed, and only those, whatever the hashes do:
// all alike, alike in their low half only, or spread; across every growth of the table.
#include "app/NumberSlots.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brindle {
namespace {

TEST(NumberSlotsTest, FindsWhatWasFiledUnderAnyHashes)
{
    struct Case {
        const char* name;
        std::function<std::uint64_t(std::uint32_t)> hash;
    };
    const std::vector<Case> cases = {
        {"every hash alike", [](std::uint32_t) { return std::uint64_t{7}; }},
        {"alike in the low half", [](std::uint32_t n) { return std::uint64_t{n} << 32 | 0x55u; }},
        {"low halves of few values", [](std::uint32_t n) { return std::uint64_t{n % 3}; }},
        {"spread", [](std::uint32_t n) { return std::hash<std::string>()(std::to_string(n)); }},
        {"the top of the range", [](std::uint32_t n) { return ~std::uint64_t{n}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NumberSlots slots;
        // The things stood for: numbers written out, so a look-up compares what it is asked for.
        std::vector<std::string> things;
        const auto find = [&](const std::string& thing, std::uint64_t hash) {
            return slots.Find(hash, [&](std::uint32_t filed) { return things[filed] == thing; });
        };
        EXPECT_EQ(find("0", c.hash(0)), NumberSlots::kNone);
        // 300 numbers: past several growths of the table (it starts at 64 slots, half used).
        for (std::uint32_t n = 0; n < 300; ++n) {
            ASSERT_EQ(find(std::to_string(n), c.hash(n)), NumberSlots::kNone) << n;
            things.push_back(std::to_string(n));
            ASSERT_EQ(slots.Add(c.hash(n)), n);
            ASSERT_EQ(slots.Count(), n + 1);
        }
        for (std::uint32_t n = 0; n < 300; ++n)
            EXPECT_EQ(find(std::to_string(n), c.hash(n)), n) << n;
        // Things never filed are not found, under a filed thing's hash or another.
        EXPECT_EQ(find("300", c.hash(300)), NumberSlots::kNone);
        EXPECT_EQ(find("x", c.hash(5)), NumberSlots::kNone);
    }
}

} // namespace
} // namespace brindle
