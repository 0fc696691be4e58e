// The manager's flat index must find exactly what a map keyed by the resource key text finds.
#include "resources/ResourceIndex.h"
#include "platform/Ascii.h"
#include "resources/ResourceNames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace brindle {
namespace {

NWN::ResRef32 Raw(const std::string& bytes)
{
    NWN::ResRef32 name{};
    std::memcpy(name.RefStr, bytes.data(), std::min(bytes.size(), sizeof(name.RefStr)));
    return name;
}

TEST(ResourceIndexTest, FilesLowerCasedNamesFirstComeFirstServed)
{
    ResourceIndex index;
    EXPECT_EQ(index.Find(2017, "gender"), ResourceIndex::npos);
    EXPECT_TRUE(index.TryInsert(2017, Raw("Gender")));
    EXPECT_FALSE(index.TryInsert(2017, Raw("GENDER")));
    EXPECT_TRUE(index.TryInsert(2025, Raw("gender")));                 // another type, another key
    EXPECT_TRUE(index.TryInsert(2017, Raw(std::string(32, 'N'))));     // all 32 bytes, no terminator
    EXPECT_TRUE(index.TryInsert(2017, Raw(std::string("n\0zz", 4))));  // "n": only bytes before the zero count
    EXPECT_FALSE(index.TryInsert(2017, Raw("N")));
    EXPECT_EQ(index.Size(), 4u);

    EXPECT_EQ(index.Find(2017, "gender"), 0u);
    EXPECT_EQ(index.Find(2017, "GeNdEr"), 0u);
    EXPECT_EQ(index.Find(2025, "gender"), 1u);
    EXPECT_EQ(index.Find(2017, std::string(32, 'n')), 2u);
    EXPECT_EQ(index.Find(2017, "n"), 3u);
    EXPECT_EQ(index.Find(2014, "gender"), ResourceIndex::npos);
    EXPECT_EQ(index.Find(2017, std::string(33, 'n')), ResourceIndex::npos);
    EXPECT_EQ(index.Find(2017, std::string("n\0zz", 4)), ResourceIndex::npos);
    EXPECT_EQ(index.Find(2017, ""), ResourceIndex::npos);
    // A key turned away is not counted again.
    EXPECT_EQ(index.CountOfType(2017), 3u);
    EXPECT_EQ(index.CountOfType(2025), 1u);
    EXPECT_EQ(index.CountOfType(2014), 0u);

    index.Clear();
    EXPECT_EQ(index.Size(), 0u);
    EXPECT_EQ(index.Find(2017, "gender"), ResourceIndex::npos);
    EXPECT_TRUE(index.TryInsert(2017, Raw("n")));
    EXPECT_EQ(index.Find(2017, "n"), 0u);
}

TEST(ResourceIndexTest, AgreesWithAMapOfKeyTexts)
{
    // Short names over a small alphabet in mixed case collide often; the index grows past its
    // reservation in the second round. A second index files the same keys in batches of varying
    // size and must answer alike.
    std::mt19937 random(7);
    for (const std::size_t reserved : {std::size_t{20000}, std::size_t{0}}) {
        ResourceIndex index;
        ResourceIndex batched;
        index.Reserve(reserved);
        std::map<std::string, std::uint32_t> reference;
        std::vector<ResourceIndex::Candidate> pending;
        std::vector<bool> pendingAdded;
        std::size_t batchSize = 1;
        // Letters in both cases, the bytes just beside either case's range, bytes above 0x7F that
        // are letters in other code pages; now and then a name of all 32 bytes.
        const std::string letters = "aAbBzZ_1@[`{\xC1\xE1";
        auto draw = [&] {
            std::string name(random() % 50 == 0 ? 32 : 1 + random() % 6, ' ');
            for (char& c : name)
                c = letters[random() % letters.size()];
            return std::pair{static_cast<NWN::ResType>(2017 + random() % 3), name};
        };
        // The name as a container may hand it over: bytes after its end need not be zero.
        auto stored = [&](const std::string& name) {
            return Raw(random() % 2 == 0 ? name : name + std::string(1, '\0') + "Zq\xC1");
        };
        auto fileBatch = [&] {
            bool added[100];
            batched.TryInsertBatch(pending, added);
            for (std::size_t k = 0; k < pending.size(); ++k)
                ASSERT_EQ(added[k], pendingAdded[k]) << RawText(pending[k].name);
            pending.clear();
            pendingAdded.clear();
        };
        for (int i = 0; i < 20000; ++i) {
            const auto [type, name] = draw();
            const std::string key = MakeResourceKey(type, ascii::ToLower(name));
            const bool added = reference.try_emplace(key, static_cast<std::uint32_t>(reference.size())).second;
            ASSERT_EQ(index.TryInsert(type, stored(name)), added) << key;
            pending.push_back({type, stored(name)});
            pendingAdded.push_back(added);
            if (pending.size() == batchSize) {
                fileBatch();
                batchSize = 1 + random() % 100;
            }
        }
        fileBatch();
        ASSERT_EQ(index.Size(), reference.size());
        ASSERT_EQ(batched.Size(), reference.size());
        for (int i = 0; i < 20000; ++i) {
            const auto [type, name] = draw();
            const auto found = reference.find(MakeResourceKey(type, ascii::ToLower(name)));
            const std::uint32_t expected = found == reference.end() ? ResourceIndex::npos : found->second;
            EXPECT_EQ(index.Find(type, name), expected);
            EXPECT_EQ(batched.Find(type, name), expected);
        }
    }
}

} // namespace
} // namespace brindle
