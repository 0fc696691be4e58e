// A section's lists must come out as a map from key text to the set of numbers would give them:
// keys in byte order, numbers ascending and once each, identities whose keys read alike merged.
#include "app/SectionLists.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace brindle {
namespace {

using Lists = std::vector<std::pair<std::string, std::vector<std::uint32_t>>>;

Lists Gathered(SectionLists& section)
{
    Lists lists;
    section.ForEachInKeyOrder([&](std::string_view key, std::vector<std::uint32_t>& numbers) {
        lists.emplace_back(std::string(key), numbers);
    });
    return lists;
}

TEST(SectionListsTest, AgreesWithAMapOfKeyTexts)
{
    // Entries whose texts share long beginnings, differ only far in, are prefixes of each other,
    // repeat under another entry, or hold bytes above 0x7F.
    const std::vector<std::string> entries = {"HHM_CL_BODY",
                                              "HHM_CL_BODYX",
                                              "HHM_CL_BOD",
                                              "HHM_CL_BODY",
                                              "HHM_CL_BODY_LONGER_STILL",
                                              "HHM_CL_BODY_LONGER_STILM",
                                              "A",
                                              "\xC1",
                                              "",
                                              "HHF_CL_BODY"};
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        SectionLists section;
        std::map<std::string, std::set<std::uint32_t>> reference;
        std::map<std::pair<const std::string*, const std::string*>, int> written;
        for (int i = 0; i < 3000; ++i) {
            // Runs of one identity, as records of a key mostly come in.
            const std::string* first = &entries[random() % entries.size()];
            const std::string* second = &entries[random() % 3];
            const int run = 1 + static_cast<int>(random() % 4);
            for (int r = 0; r < run; ++r) {
                const std::uint32_t number = random() % 20;
                const std::string text = "VK_" + *first + "_" + *second;
                section.Add(KeyIdentity{first, second, nullptr, nullptr, 'P', '\0'}, number, [&](std::string& key) {
                    ++written[{first, second}];
                    key = text;
                });
                reference[text].insert(number);
            }
        }
        Lists expected;
        for (const auto& [key, numbers] : reference)
            expected.emplace_back(key, std::vector<std::uint32_t>(numbers.begin(), numbers.end()));
        EXPECT_EQ(Gathered(section), expected);
        // Each identity's key is written once.
        EXPECT_EQ(section.IdentityCount(), written.size());
        for (const auto& [identity, times] : written)
            EXPECT_EQ(times, 1);
    }
}

TEST(SectionListsTest, EmptyAndSingleSections)
{
    SectionLists empty;
    EXPECT_TRUE(Gathered(empty).empty());
    const std::string race = "HHM";
    SectionLists single;
    for (const std::uint32_t number : {5u, 0u, 5u})
        single.Add(KeyIdentity{&race, nullptr, nullptr, nullptr, 'W', 'B'}, number,
                   [](std::string& key) { key = "VK_W_B"; });
    EXPECT_EQ(Gathered(single), (Lists{{"VK_W_B", {0, 5}}}));
}

} // namespace
} // namespace brindle
