// Sorted directory listings, the kinds of listed items, and case-insensitive path resolution.
#include "platform/Directory.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brindle::platform {
namespace {

std::vector<std::string> Names(const std::vector<DirectoryItem>& items)
{
    std::vector<std::string> names;
    for (const DirectoryItem& item : items)
        names.push_back(item.name);
    return names;
}

TEST(DirectoryTest, ListingIsSortedByUpperCasedNameThenBytes)
{
    test::ScopedTempDir dir;
    // "_" (0x5F) sorts after upper-case letters but before lower-case ones once names are upper-cased.
    for (const char* name : {"b.txt", "A.txt", "a.txt", "_x", "Z", "ab", "B.txt", "[", "0"})
        test::WriteFile(dir / name, "");
    std::vector<DirectoryItem> items;
    ASSERT_TRUE(ListDirectory(dir.Path(), items));
    // A file system that ignores case keeps the first of two names differing in case only.
    if (std::filesystem::equivalent(dir / "A.txt", dir / "a.txt"))
        EXPECT_EQ(Names(items), (std::vector<std::string>{"0", "A.txt", "ab", "b.txt", "Z", "[", "_x"}));
    else
        EXPECT_EQ(Names(items), (std::vector<std::string>{"0", "A.txt", "a.txt", "ab", "B.txt", "b.txt", "Z", "[", "_x"}));
    // Ties are broken by the raw bytes wherever the names come from.
    EXPECT_TRUE(ListedBefore({"B.txt", false, true}, {"b.txt", false, true}));
    EXPECT_FALSE(ListedBefore({"b.txt", false, true}, {"B.txt", false, true}));
    EXPECT_TRUE(ListedBefore({"b.txt", false, true}, {"Z", false, true}));
}

TEST(DirectoryTest, ItemKindsAndLinks)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "file", "x");
    test::MakeDirectories(dir / "sub");
    std::error_code linkError;
    std::filesystem::create_symlink(dir / "file", dir / "linkfile", linkError);
    if (linkError)
        GTEST_SKIP() << "symbolic links cannot be made here: " << linkError.message();
    std::filesystem::create_directory_symlink(dir / "sub", dir / "linkdir");
    std::filesystem::create_symlink(dir / "nowhere", dir / "linkbroken");
    std::vector<DirectoryItem> items;
    ASSERT_TRUE(ListDirectory(dir.Path(), items));
    ASSERT_EQ(items.size(), 5u);
    struct Expect {
        const char* name;
        bool isDirectory;
        bool isRegularFile;
    };
    const Expect expected[] = {{"file", false, true},
                               {"linkbroken", false, false},
                               {"linkdir", false, false},
                               {"linkfile", false, true},
                               {"sub", true, false}};
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].name, expected[i].name);
        EXPECT_EQ(items[i].isDirectory, expected[i].isDirectory) << items[i].name;
        EXPECT_EQ(items[i].isRegularFile, expected[i].isRegularFile) << items[i].name;
    }
    EXPECT_FALSE(ListDirectory(dir / "missing", items));
    EXPECT_TRUE(items.empty());
}

TEST(DirectoryTest, ResolveNoCaseMatchesEachComponent)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "Data/Sub/Foo.UTC", "");
    test::WriteFile(dir / "Data/Sub/exact.txt", "");
    test::WriteFile(dir / "Data/Sub/EXACT.txt", "");
    test::WriteFile(dir / "Twin/b", "");
    test::WriteFile(dir / "twin/B", "");
    const std::string base = dir.Path() + "/";
    const bool foldsCase = std::filesystem::equivalent(dir / "Data/Sub/exact.txt", dir / "Data/Sub/EXACT.txt");
    struct Case {
        const char* relative;
        std::string expected;
    };
    const Case cases[] = {
        {"data/sub/foo.utc", base + "Data/Sub/Foo.UTC"},
        {"DATA//SUB//FOO.utc", base + "Data//Sub//Foo.UTC"},
        {"Data/Sub/exact.txt", base + "Data/Sub/exact.txt"},
        // The smallest by bytes of two matches; where case is ignored only the first one exists.
        {"data/sub/Exact.TXT", base + (foldsCase ? "Data/Sub/exact.txt" : "Data/Sub/EXACT.txt")},
        {"TWIN/b", base + "Twin/b"}, // the smallest by bytes of two matching folders
        {"data/missing/foo.utc", base + "Data/missing/foo.utc"},
        {"", base},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveNoCase(base, c.relative), c.expected) << c.relative;
}

} // namespace
} // namespace brindle::platform
