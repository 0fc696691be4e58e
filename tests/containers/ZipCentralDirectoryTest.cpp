// ZIP container listing from the directory read in one piece: the archives it reads list, open and
// read exactly as the library's walk lists them; every archive it does not understand is walked by
// the library, with the library's outcome.
#include "containers/ZipCentralDirectory.h"
#include "containers/ZipFileReader.h"
#include "resources/ResourceNames.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string_view>

using namespace std::string_view_literals;

namespace brindle {
namespace {

using Zip = ZipFileReader<NWN::ResRef32>;

/// Everything a listing shows: the entries, the handles they open with and the bytes they hold.
struct Outcome {
    std::string error;
    std::vector<std::string> entries; ///< name and type
    std::vector<FileHandle> handles;
    std::vector<std::string> contents;
    bool fromDirectory = false;
    bool operator==(const Outcome& o) const
    {
        return error == o.error && entries == o.entries && handles == o.handles && contents == o.contents;
    }
};

Outcome Read(const std::string& path, ZipListing listing)
{
    Outcome out;
    try {
        Zip zip(path, listing);
        out.fromDirectory = zip.ListedFromDirectory();
        const FileIndex count = zip.GetEncapsulatedFileCount();
        for (FileIndex i = 0; i < count; ++i) {
            NWN::ResRef32 name{};
            NWN::ResType type = 0;
            zip.GetEncapsulatedFileEntry(i, name, type);
            out.entries.push_back(RawText(name) + "/" + std::to_string(type));
            // Large archives are opened at a sample of entries, the last one included.
            if (count > 64 && i % 4096 != 0 && i + 1 != count)
                continue;
            const FileHandle handle = zip.OpenFileByIndex(i);
            out.handles.push_back(handle);
            std::string data(zip.GetEncapsulatedFileSize(handle), '\0');
            std::uint32_t read = 0;
            if (!data.empty() && !zip.ReadEncapsulatedFile(handle, 0, static_cast<std::uint32_t>(data.size()), read, data.data()))
                data = "(unreadable)";
            out.contents.push_back(data.substr(0, read));
            zip.CloseFile(handle);
        }
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

std::vector<test::ZipEntry> Numbered(std::size_t count)
{
    std::vector<test::ZipEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = {"d/r" + std::to_string(i) + ".2da", i % 1000 == 0 ? "row " + std::to_string(i) : ""};
    return entries;
}

const std::vector<test::ZipEntry> kSmall = {{"Models/", ""},
                                            {"Models/Chair01.MDB", std::string(3000, 'c')},
                                            {"x/Table.2DA", "table"},
                                            {"README", "no extension"},
                                            {"Other/Thing.xyz", "unknown type"}};

TEST(ZipCentralDirectoryTest, PlainArchivesListFromTheDirectoryAsTheLibraryListsThem)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "plain.zip", kSmall);
    test::WriteZip(dir / "zip64.zip", kSmall, test::ZipEndRecords::Always64);
    test::WriteZip(dir / "full64.zip", Numbered(0xFFFF));
    test::WriteZip(dir / "overflowed.zip", Numbered(0x10000), test::ZipEndRecords::Never64);
    const std::string plain = test::ReadFile(dir / "plain.zip");
    test::WriteFile(dir / "stub.zip", std::string(700, 'S') + plain);
    std::string commented = plain;
    commented[commented.size() - 2] = 7; // comment length
    test::WriteFile(dir / "commented.zip", commented + "comment");

    for (const char* archive : {"plain.zip", "zip64.zip", "full64.zip", "overflowed.zip", "stub.zip", "commented.zip"}) {
        SCOPED_TRACE(archive);
        const Outcome walked = Read(dir / archive, ZipListing::Library);
        const Outcome read = Read(dir / archive, ZipListing::Directory);
        EXPECT_TRUE(walked.error.empty()) << walked.error;
        EXPECT_FALSE(walked.entries.empty());
        EXPECT_TRUE(read.fromDirectory);
        EXPECT_FALSE(walked.fromDirectory);
        EXPECT_EQ(read, walked);
    }
}

/// The entries a directory lists, one line each: name, header position, place.
std::vector<std::string> Listed(const ZipCentralDirectory& directory)
{
    std::vector<std::string> out;
    ZipCentralDirectory::Cursor cursor;
    ZipCentralDirectory::Entry entry;
    while (directory.Next(cursor, entry))
        out.push_back(std::string(entry.name) + "@" + std::to_string(entry.position) + "#" +
                      std::to_string(entry.number));
    return out;
}

std::span<const unsigned char> Bytes(std::string_view text)
{
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

TEST(ZipCentralDirectoryTest, DirectoryInMemoryReadsAsFromAFile)
{
    // One stored entry "a.2da" holding "x": local header at 0, directory at 36 (51 bytes), end at 87.
    constexpr std::string_view kOneEntry =
        "PK\x03\x04\x0a\0\0\0\0\0\0\0\0\0\x83\x16\xdc\x8c\x01\0\0\0\x01\0\0\0\x05\0\0\0a.2dax"
        "PK\x01\x02\x14\0\x0a\0\0\0\0\0\0\0\0\0\x83\x16\xdc\x8c\x01\0\0\0\x01\0\0\0\x05\0\0\0\0\0"
        "\0\0\0\0\0\0\0\0\0\0\0\0a.2da"
        "PK\x05\x06\0\0\0\0\x01\0\x01\0\x33\0\0\0\x24\0\0\0\0\0"sv;
    static_assert(kOneEntry.size() == 109);
    const ZipCentralDirectory one(Bytes(kOneEntry));
    ASSERT_TRUE(one.Understood());
    EXPECT_EQ(one.End().entryCount, 1u);
    EXPECT_EQ(one.End().offset, 36u);
    EXPECT_EQ(Listed(one), std::vector<std::string>{"a.2da@36#0"});
    // Cut anywhere, or with its count raised, it is no longer read here.
    for (std::size_t cut : {1u, 22u, 60u, 108u})
        EXPECT_FALSE(ZipCentralDirectory(Bytes(kOneEntry.substr(0, kOneEntry.size() - cut))).Understood()) << cut;
    std::string twoClaimed(kOneEntry);
    twoClaimed[95] = twoClaimed[97] = 2;
    EXPECT_FALSE(ZipCentralDirectory(Bytes(twoClaimed)).Understood());
    EXPECT_FALSE(ZipCentralDirectory(Bytes("")).Understood());

    // Directories within the last 64 KiB and across its start read alike from both.
    test::ScopedTempDir dir;
    test::WriteZip(dir / "small.zip", kSmall);
    test::WriteZip(dir / "large.zip", Numbered(5000));
    test::WriteZip(dir / "zip64.zip", Numbered(3000), test::ZipEndRecords::Always64);
    for (const char* archive : {"small.zip", "large.zip", "zip64.zip"}) {
        SCOPED_TRACE(archive);
        const std::string bytes = test::ReadFile(dir / archive);
        const ZipCentralDirectory fromFile(dir / archive);
        const ZipCentralDirectory fromMemory(Bytes(bytes));
        EXPECT_TRUE(fromFile.Understood());
        EXPECT_TRUE(fromMemory.Understood());
        EXPECT_EQ(Listed(fromFile), Listed(fromMemory));
        EXPECT_FALSE(Listed(fromFile).empty());
    }
}

TEST(ZipCentralDirectoryTest, ArchiveWithoutEntriesListsNothing)
{
    // The library does not find an end record at offset 0 and refuses such an archive.
    test::ScopedTempDir dir;
    test::WriteZip(dir / "empty.zip", {});
    test::WriteFile(dir / "shifted.zip", "stub" + test::ReadFile(dir / "empty.zip"));
    for (const char* archive : {"empty.zip", "shifted.zip"}) {
        SCOPED_TRACE(archive);
        const Outcome read = Read(dir / archive, ZipListing::Directory);
        EXPECT_EQ(read.error, "");
        EXPECT_TRUE(read.fromDirectory);
        EXPECT_TRUE(read.entries.empty());
        Zip zip(dir / archive);
        EXPECT_EQ(zip.OpenFileByIndex(0), 0u);
        EXPECT_EQ(zip.OpenFile(ToResRef32("x"), 0), 0u);
    }
    EXPECT_EQ(Read(dir / "empty.zip", ZipListing::Library).error,
              "Failed to open .zip archive '" + (dir / "empty.zip") + "'.");
}

TEST(ZipCentralDirectoryTest, ArchivesNotUnderstoodAreWalkedByTheLibrary)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "base.zip", kSmall);
    const std::string base = test::ReadFile(dir / "base.zip");
    const std::size_t end = base.rfind(std::string("PK\x05\x06", 4));
    const std::size_t first = base.find(std::string("PK\x01\x02", 4));
    const std::size_t second = base.find(std::string("PK\x01\x02", 4), first + 1);
    auto patched = [&](std::size_t at, std::string_view bytes) {
        std::string out = base;
        out.replace(at, bytes.size(), bytes);
        return out;
    };
    test::WriteZip(dir / "longname.zip", {{"d/" + std::string(300, 'n') + ".2da", "x"}});
    const std::string open = "Failed to open .zip archive '" + (dir / "case.zip") + "'.";
    struct Case {
        const char* what;
        std::string bytes;
        std::string error; ///< the library's, or "" when it lists the archive
    };
    const Case cases[] = {
        {"count above the headers", patched(end + 8, std::string("\x06\x00\x06\x00", 4)), "unzGoToNextFile failed"},
        {"count below the headers", patched(end + 8, std::string("\x04\x00\x04\x00", 4)), ""},
        {"counts disagree", patched(end + 10, std::string("\x04\x00", 2)), open},
        {"spanning disks", patched(end + 4, std::string("\x01\x00", 2)), open},
        {"directory past its end record", patched(end + 13, "\x40"), open},
        {"directory one byte short", patched(end + 12, std::string(1, static_cast<char>(base[end + 12] - 1))),
         "unzGoToFirstFile failed"},
        {"encrypted entry", patched(second + 8, std::string("\x01\x00", 2)), ""},
        {"masked directory", patched(first + 8, std::string("\x00\x20", 2)), ""},
        {"entry on another disk", patched(second + 34, std::string("\x01\x00", 2)), ""},
        {"broken first header", patched(first, "PK\x01\x03"), "unzGoToFirstFile failed"},
        {"broken later header", patched(second, "PK\x01\x03"), "unzGoToNextFile failed"},
        {"locator signature in the comment", patched(end + 20, std::string("\x04\x00", 2)) + "PK\x06\x07", ""},
        // The library's name buffer cuts the extension off: the entry names no resource.
        {"name over the limit", test::ReadFile(dir / "longname.zip"), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteFile(dir / "case.zip", c.bytes);
        EXPECT_FALSE(ZipCentralDirectory(dir / "case.zip").Understood());
        const Outcome walked = Read(dir / "case.zip", ZipListing::Library);
        const Outcome read = Read(dir / "case.zip", ZipListing::Directory);
        EXPECT_EQ(walked.error, c.error);
        EXPECT_FALSE(read.fromDirectory);
        EXPECT_EQ(read, walked);
    }
}

// The caller hears the end record's count once the directory is placed, before its bytes are read
// or checked; an archive whose directory is not found, or holds nothing, says nothing.
TEST(ZipCentralDirectoryTest, EntryCountIsToldBeforeTheDirectoryIsRead)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "base.zip", kSmall);
    test::WriteZip(dir / "empty.zip", {});
    const std::string base = test::ReadFile(dir / "base.zip");
    const std::size_t end = base.rfind(std::string("PK\x05\x06", 4));
    std::string overcounted = base;
    overcounted.replace(end + 8, 4, std::string("\x09\x00\x09\x00", 4));
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::uint64_t> told;
        bool understood;
    };
    const Case cases[] = {
        {"plain", base, {kSmall.size()}, true},
        {"count above the headers", overcounted, {9}, false},
        {"no end record", base.substr(0, end), {}, false},
        {"without entries", test::ReadFile(dir / "empty.zip"), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteFile(dir / "case.zip", c.bytes);
        std::vector<std::uint64_t> told;
        const ZipCentralDirectory directory(dir / "case.zip", [&](std::uint64_t count) { told.push_back(count); });
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(directory.Understood(), c.understood);
    }
}

TEST(ZipCentralDirectoryTest, TruncatedArchivesNeverReadPastTheFile)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "base.zip", kSmall, test::ZipEndRecords::Always64);
    const std::string base = test::ReadFile(dir / "base.zip");
    for (std::size_t length = 0; length < base.size(); ++length) {
        test::WriteFile(dir / "cut.zip", std::string_view(base).substr(0, length));
        const Outcome walked = Read(dir / "cut.zip", ZipListing::Library);
        const Outcome read = Read(dir / "cut.zip", ZipListing::Directory);
        // The one difference allowed: an archive without entries that the library refuses.
        const bool emptyRefused = read.fromDirectory && read.entries.empty() && !walked.error.empty();
        if (!emptyRefused) {
            EXPECT_EQ(read, walked) << length;
        }
    }
}

TEST(ZipCentralDirectoryTest, LibraryOpensTheArchiveWithItsFirstEntryAndMustFindItAsListed)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "a.zip", kSmall);
    test::WriteZip(dir / "other.zip", {{"one.2da", "1"}});
    {
        Zip zip(dir / "a.zip");
        test::WriteFile(dir / "a.zip", test::ReadFile(dir / "a.zip")); // the same bytes again
        const FileHandle handle = zip.OpenFileByIndex(1);
        ASSERT_NE(handle, 0u);
        EXPECT_TRUE(zip.CloseFile(handle));
    }
    Zip zip(dir / "a.zip");
    ASSERT_TRUE(zip.ListedFromDirectory());
    test::WriteFile(dir / "a.zip", test::ReadFile(dir / "other.zip"));
    for (FileIndex i = 0; i < zip.GetEncapsulatedFileCount(); ++i)
        EXPECT_EQ(zip.OpenFileByIndex(i), 0u) << i;
}

} // namespace
} // namespace brindle
