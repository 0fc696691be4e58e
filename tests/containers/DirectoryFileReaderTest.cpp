// Directory container: what the scan keeps, its order and depth limit, opening by name and index.
#include "containers/DirectoryFileReader.h"
#include "platform/File.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "platform/SystemFamily.h"
#include "tests/support/FolderChain.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brindle {
namespace {

using Directory = DirectoryFileReader<NWN::ResRef32>;

constexpr NWN::ResType kUtc = 2027;

struct Listed {
    std::string name;
    NWN::ResType type;
    std::string path;
};

std::vector<Listed> List(Directory& d)
{
    std::vector<Listed> out;
    for (FileIndex i = 0; i < d.GetEncapsulatedFileCount(); ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        EXPECT_TRUE(d.GetEncapsulatedFileEntry(i, name, type));
        out.push_back({std::string(name.RefStr, sizeof(name.RefStr)), type, d.GetEncapsulatedFilePath(i)});
    }
    return out;
}

std::string Padded(std::string name)
{
    name.resize(32, '\0');
    return name;
}

TEST(DirectoryFileReaderTest, ScanKeepsKnownTypesDepthFirstInListingOrder)
{
    test::ScopedTempDir dir;
    const std::string root = dir / "root";
    test::WriteFile(root + "/Foo.UTC", "foo");
    test::WriteFile(root + "/a.b.utc", "");
    test::WriteFile(root + "/README", "");
    test::WriteFile(root + "/notes.txt", "");
    test::WriteFile(root + "/trailing.", "");
    test::WriteFile(root + "/B/inner.2da", "");
    test::WriteFile(root + "/B/Deeper/x.MDB", "");
    test::WriteFile(root + "/c.ifo", "");
    test::WriteFile(root + "/" + std::string(40, 'L') + ".utc", "");
    Directory d(root);
    const std::vector<Listed> listed = List(d);
    const std::vector<Listed> expected = {
        {Padded("a.b"), kUtc, root + "//a.b.utc"},
        {Padded("x"), ResTypeMdb, root + "//B//Deeper//x.MDB"},
        {Padded("inner"), ResType2da, root + "//B//inner.2da"},
        {Padded("c"), ResTypeIfo, root + "//c.ifo"},
        {Padded("foo"), kUtc, root + "//Foo.UTC"},
        {std::string(32, 'l'), kUtc, root + "//" + std::string(40, 'L') + ".utc"},
    };
    ASSERT_EQ(listed.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listed[i].name, expected[i].name) << i;
        EXPECT_EQ(listed[i].type, expected[i].type) << i;
        EXPECT_EQ(listed[i].path, expected[i].path) << i;
    }
    try {
        d.GetEncapsulatedFilePath(expected.size());
        ADD_FAILURE() << "no error for an index out of range";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Illegal FileIndex");
    }
}

TEST(DirectoryFileReaderTest, MissingRootGivesAnEmptyContainer)
{
    test::ScopedTempDir dir;
    Directory d(dir / "nothing-here");
    EXPECT_EQ(d.GetEncapsulatedFileCount(), 0u);
    EXPECT_EQ(d.OpenFile(ToResRef32("foo"), kUtc), 0u);
}

TEST(DirectoryFileReaderTest, FolderThatCannotBeListedIsNamedAndTheRestIsKept)
{
    if (!BRINDLE_POSIX)
        GTEST_SKIP() << "Windows' runtime cannot step into folders this deep to make them";
    test::ScopedTempDir dir;
    test::WriteFile(dir / "root/kept.2da", "");
    test::WriteFile(dir / "root/sub/also.2da", "");
    // Twenty folders of 200 characters: the scan reaches one whose path is too long to list.
    const std::string name(200, 'f');
    const test::FolderChain chain(dir / "root/sub", name, 20);
    Directory d(dir / "root");
    EXPECT_EQ(d.GetEncapsulatedFileCount(), 2u);
    ASSERT_EQ(d.UnreadableFolders().size(), 1u);
    const std::string& shown = d.UnreadableFolders()[0];
    EXPECT_TRUE(shown.starts_with(dir / "root/sub/" + name + "/" + name)) << shown;
    EXPECT_EQ(shown.find("//"), std::string::npos) << shown;
    EXPECT_FALSE(shown.ends_with("/")) << shown;
    // A root that is not there is empty, not unreadable.
    EXPECT_EQ(Directory(dir / "nothing-here").UnreadableFolders(), std::vector<std::string>{});
}

TEST(DirectoryFileReaderTest, OpenByNameReachesOnlyTheRootWhateverTheCase)
{
    test::ScopedTempDir dir;
    const std::string root = dir / "root";
    test::WriteFile(root + "/Foo.UTC", "foo bytes");
    test::WriteFile(root + "/sub/inner.utc", "inner");
    Directory d(root);

    const FileHandle foo = d.OpenFile(ToResRef32("foo"), kUtc);
    ASSERT_NE(foo, 0u);
    EXPECT_EQ(d.GetEncapsulatedFileSize(foo), 9u);
    EXPECT_EQ(d.GetEncapsulatedFileType(foo), NWN::ResTypeInvalid);
    EXPECT_TRUE(d.CloseFile(foo));
    EXPECT_FALSE(d.CloseFile(foo));

    EXPECT_EQ(d.OpenFile(ToResRef32("inner"), kUtc), 0u);
    EXPECT_EQ(d.OpenFile(ToResRef32("sub/inner"), kUtc), 0u);
    const FileHandle inner = d.OpenFileByIndex(1);
    ASSERT_NE(inner, 0u);
    EXPECT_EQ(d.GetEncapsulatedFileSize(inner), 5u);
    EXPECT_TRUE(d.CloseFile(inner));
}

TEST(DirectoryFileReaderTest, HandlesKeepTheirOwnPositionsAndEndWithZeroBytes)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "root/a.2da", "abcdef");
    Directory d(dir / "root");
    const FileHandle first = d.OpenFileByIndex(0);
    const FileHandle second = d.OpenFileByIndex(0);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, first);
    char buffer[8] = {};
    std::uint32_t read = 0;
    ASSERT_TRUE(d.ReadEncapsulatedFile(first, 0, 4, read, buffer));
    EXPECT_EQ(std::string(buffer, read), "abcd");
    ASSERT_TRUE(d.ReadEncapsulatedFile(second, 0, 8, read, buffer));
    EXPECT_EQ(std::string(buffer, read), "abcdef");
    ASSERT_TRUE(d.ReadEncapsulatedFile(first, 4, 8, read, buffer));
    EXPECT_EQ(std::string(buffer, read), "ef");
    read = 5;
    ASSERT_TRUE(d.ReadEncapsulatedFile(first, 6, 8, read, buffer));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(d.CloseFile(first));
    EXPECT_TRUE(d.CloseFile(second));
}

TEST(DirectoryFileReaderTest, StaleAndForeignHandlesNeverReachOtherDescriptors)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "root/a.2da", "abc");
    test::WriteFile(dir / "other.bin", "other");
    Directory d(dir / "root");
    const FileHandle handle = d.OpenFileByIndex(0);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(d.CloseFile(handle));
    // Another part of the program opens a file and is likely given the same descriptor.
    const platform::OsFile other =
        platform::OpenForReading(dir / "other.bin", platform::ShareMode::Read, platform::AccessHint::Normal);
    ASSERT_NE(other, platform::InvalidOsFile);
    char buffer[8];
    std::uint32_t read = 0;
    EXPECT_FALSE(d.ReadEncapsulatedFile(handle, 0, 8, read, buffer));
    EXPECT_FALSE(d.CloseFile(handle));
    EXPECT_FALSE(d.CloseFile(1)); // standard input
    ASSERT_TRUE(platform::ReadOsFile(other, buffer, 8, read));
    EXPECT_EQ(std::string(buffer, read), "other");
    EXPECT_TRUE(platform::CloseOsFile(other));
}

TEST(DirectoryFileReaderTest, NestingDepthLimit)
{
    test::ScopedTempDir dir;
    std::string path = dir / "root";
    for (int level = 1; level <= 256; ++level) {
        path += "/d";
        if (level == 255)
            test::WriteFile(path + "/at255.2da", "");
    }
    test::WriteFile(path + "/at256.2da", "");
    if (!platform::PathExists(path + "/at256.2da"))
        GTEST_SKIP() << "this system's file calls cannot reach a path of " << path.size() << " characters";
    Directory d(dir / "root");
    ASSERT_EQ(d.GetEncapsulatedFileCount(), 1u);
    NWN::ResRef32 name{};
    NWN::ResType type = 0;
    ASSERT_TRUE(d.GetEncapsulatedFileEntry(0, name, type));
    EXPECT_EQ(RawText(name), "at255");
}

TEST(DirectoryFileReaderTest, LinksToFilesCountAndLinksToFoldersAreNotFollowed)
{
    test::ScopedTempDir dir;
    const std::string root = dir / "root";
    test::WriteFile(dir / "outside/target.2da", "t");
    test::WriteFile(root + "/real.2da", "r");
    std::error_code linkError;
    std::filesystem::create_symlink(dir / "outside/target.2da", root + "/linked.2da", linkError);
    if (linkError)
        GTEST_SKIP() << "symbolic links cannot be made here: " << linkError.message();
    std::filesystem::create_directory_symlink(dir / "outside", root + "/folderlink");
    std::filesystem::create_directory_symlink(root, root + "/loop");
    Directory d(root);
    const std::vector<Listed> listed = List(d);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].path, root + "//linked.2da");
    EXPECT_EQ(listed[1].path, root + "//real.2da");
}

} // namespace
} // namespace brindle
