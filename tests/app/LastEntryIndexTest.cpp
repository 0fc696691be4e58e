// The last-entry index against a whole-list scan, on random lists and names.
#include "app/LastEntryIndex.h"
#include "tests/support/NaiveLastEntry.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace brindle {
namespace {

std::string RandomText(std::mt19937& random, std::size_t maxLength)
{
    // A tiny alphabet makes overlaps, repeats and prefixes of one another common; one byte is
    // above 0x7F.
    static constexpr char kAlphabet[] = {'A', 'B', '_', 'C', '\xC4'};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> letter(0, 4);
    std::string text(length(random), ' ');
    for (char& c : text)
        c = kAlphabet[letter(random)];
    return text;
}

LastEntryIndex IndexOf(const std::vector<std::string>& list)
{
    LastEntryIndex index;
    for (std::size_t i = 0; i < list.size(); ++i)
        index.Add(list[i], i);
    return index;
}

TEST(LastEntryIndexTest, AgreesWithWholeListScan)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> list;
        const int size = round % 40;
        for (int i = 0; i < size; ++i)
            // Empty entries only in some rounds, so that both kinds of list are covered.
            list.push_back(RandomText(random, round % 3 == 0 ? 4 : 3) + (round % 3 == 0 ? "" : "A"));
        const LastEntryIndex index = IndexOf(list);
        for (int n = 0; n < 40; ++n) {
            const std::string name = RandomText(random, 12);
            ASSERT_EQ(index.FindLastOccurring(name), test::NaiveLastOccurring(list, name)) << name;
            for (std::size_t offset = 0; offset <= name.size(); ++offset)
                ASSERT_EQ(index.FindLastAt(name, offset), test::NaiveLastAt(list, name, offset)) << name << offset;
        }
    }
}

TEST(LastEntryIndexTest, LaterEntryWinsEvenWhenShorterOrFurtherRight)
{
    const std::vector<std::string> list = {"P_HHM", "HH", "P_HH", "P_H", "M_C", "ZZ"};
    const LastEntryIndex index = IndexOf(list);
    EXPECT_EQ(index.FindLastOccurring("P_HHM_CL"), 4u);  // M_C: shorter and further right, but last
    EXPECT_EQ(index.FindLastOccurring("X_HH"), 1u);
    EXPECT_EQ(index.FindLastOccurring("Q"), LastEntryIndex::npos);
    EXPECT_EQ(index.FindLastAt("P_HHM", 0), 3u);
    EXPECT_EQ(index.FindLastAt("P_HHM", 2), 1u);
    EXPECT_EQ(index.FindLastAt("P_HHM", 5), LastEntryIndex::npos);
    EXPECT_EQ(index.FindLastOccurring(""), LastEntryIndex::npos);
}

TEST(LastEntryIndexTest, EmptyEntryOccursEverywhere)
{
    const LastEntryIndex index = IndexOf({"AB", "", "CD"});
    EXPECT_EQ(index.FindLastOccurring("XY"), 1u);
    EXPECT_EQ(index.FindLastOccurring(""), 1u);
    EXPECT_EQ(index.FindLastOccurring("XCDY"), 2u);
    EXPECT_EQ(index.FindLastAt("AB", 2), 1u);
    EXPECT_EQ(index.FindLastAt("AB", 0), 1u);
}

TEST(LastEntryIndexTest, DuplicatesCountAtTheirLastPosition)
{
    const LastEntryIndex index = IndexOf({"AB", "CD", "AB"});
    EXPECT_EQ(index.FindLastOccurring("CDAB"), 2u);
    EXPECT_EQ(index.FindLastAt("ABCD", 2), 1u);
}

TEST(LastEntryIndexTest, OffsetPastTheEndIsAnOutOfRangeError)
{
    const LastEntryIndex index = IndexOf({"A"});
    EXPECT_THROW(index.FindLastAt("AB", 3), std::out_of_range);
}

} // namespace
} // namespace brindle
