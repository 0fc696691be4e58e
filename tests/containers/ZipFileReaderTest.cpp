// ZIP container: the name rule, skipped entries, the single open entry, sequential reads,
// checksum failures, construction errors and the real archives.
#include "containers/ZipFileReader.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/Unzip.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <zlib.h>

namespace brindle {
namespace {

using Zip = ZipFileReader<NWN::ResRef32>;

struct Listed {
    std::string name;
    NWN::ResType type;
    bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Listed& l)
{
    return os << l.name << "/" << l.type;
}

std::vector<Listed> List(Zip& zip)
{
    std::vector<Listed> out;
    for (FileIndex i = 0; i < zip.GetEncapsulatedFileCount(); ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        EXPECT_TRUE(zip.GetEncapsulatedFileEntry(i, name, type));
        out.push_back({RawText(name), type});
    }
    return out;
}

// Reads the open entry to its end in chunks of `chunk` bytes; the sizes delivered go to chunks.
std::string ReadAll(Zip& zip, FileHandle handle, std::uint32_t chunk, std::vector<std::uint32_t>* chunks = nullptr)
{
    std::string out;
    std::string buffer(chunk, '\0');
    std::uint32_t read = 0;
    while (zip.ReadEncapsulatedFile(handle, static_cast<std::uint32_t>(out.size()), chunk, read, buffer.data())) {
        out.append(buffer.data(), read);
        if (chunks)
            chunks->push_back(read);
    }
    return out;
}

std::string ConstructionError(const std::string& path)
{
    try {
        Zip zip(path);
        return "";
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

TEST(ZipFileReaderTest, NameRuleKeepsTheLastComponentLowerCased)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "a.zip", {{"models/", ""},
                                   {"models/Chair01.MDB", "chair"},
                                   {"README", "skipped like a folder"},
                                   {"docs/LICENSE", "also skipped"},
                                   {"Other/Thing.xyz", "unknown type"},
                                   {"x/" + std::string(40, 'N') + ".2da", "long"},
                                   {"A/dup.2da", "first"},
                                   {"B/DUP.2DA", "second"},
                                   {"trailing.", "dot only"},
                                   {"c:Drive.2da", "no drive inside an archive"},
                                   {"win\\dir\\Back.MDB", "backslashes separate too"}});
    Zip zip(dir / "a.zip");
    const std::vector<Listed> expected = {{"chair01", ResTypeMdb},
                                          {"thing", NWN::ResTypeInvalid},
                                          {std::string(32, 'n'), ResType2da},
                                          {"dup", ResType2da},
                                          {"dup", ResType2da},
                                          {"trailing", NWN::ResTypeInvalid},
                                          {"c:drive", ResType2da},
                                          {"back", ResTypeMdb}};
    EXPECT_EQ(List(zip), expected);

    const FileHandle dup = zip.OpenFile(ToResRef32("dup"), ResType2da);
    ASSERT_NE(dup, 0u);
    EXPECT_EQ(ReadAll(zip, dup, 64), "first");
    EXPECT_TRUE(zip.CloseFile(dup));

    const FileHandle chair = zip.OpenFile(ToResRef32("chair01"), ResTypeMdb);
    ASSERT_NE(chair, 0u);
    EXPECT_EQ(zip.GetEncapsulatedFileType(chair), ResTypeMdb);
    EXPECT_TRUE(zip.CloseFile(chair));
    const FileHandle thing = zip.OpenFileByIndex(1);
    EXPECT_EQ(zip.GetEncapsulatedFileType(thing), NWN::ResTypeInvalid);
    EXPECT_TRUE(zip.CloseFile(thing));
}

TEST(ZipFileReaderTest, OneEntryOpenAtATime)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "a.zip", {{"one.2da", "1111"}, {"two.2da", "22"}});
    Zip zip(dir / "a.zip");
    const FileHandle one = zip.OpenFileByIndex(0);
    ASSERT_NE(one, 0u);
    EXPECT_EQ(zip.OpenFileByIndex(1), 0u);
    EXPECT_EQ(zip.OpenFile(ToResRef32("two"), ResType2da), 0u);
    EXPECT_EQ(zip.OpenFileByIndex(0), 0u);

    // Handles of entries that are not open are refused everywhere.
    const FileHandle other = one + 1;
    std::uint32_t read = 0;
    char buffer[8];
    EXPECT_FALSE(zip.ReadEncapsulatedFile(other, 0, 8, read, buffer));
    EXPECT_EQ(zip.GetEncapsulatedFileSize(other), 0u);
    EXPECT_EQ(zip.GetEncapsulatedFileType(other), NWN::ResTypeInvalid);
    EXPECT_FALSE(zip.CloseFile(other));

    EXPECT_TRUE(zip.CloseFile(one));
    EXPECT_FALSE(zip.CloseFile(one));
    EXPECT_EQ(zip.GetEncapsulatedFileSize(one), 0u);
    const FileHandle two = zip.OpenFileByIndex(1);
    ASSERT_NE(two, 0u);
    EXPECT_NE(two, one);
    EXPECT_EQ(ReadAll(zip, two, 8), "22");
    EXPECT_TRUE(zip.CloseFile(two));
}

TEST(ZipFileReaderTest, ReadsMustBeSequential)
{
    test::ScopedTempDir dir;
    std::string data(5000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 31);
    test::WriteZip(dir / "a.zip", {{"big.2da", data}});
    Zip zip(dir / "a.zip");

    FileHandle handle = zip.OpenFileByIndex(0);
    std::string buffer(4096, 'z');
    std::uint32_t read = 123;
    EXPECT_FALSE(zip.ReadEncapsulatedFile(handle, 10, 4096, read, buffer.data()));
    EXPECT_EQ(read, 123u);
    EXPECT_EQ(buffer, std::string(4096, 'z'));
    std::vector<std::uint32_t> chunks;
    EXPECT_EQ(ReadAll(zip, handle, 4096, &chunks), data);
    EXPECT_EQ(chunks, (std::vector<std::uint32_t>{4096, 904}));
    EXPECT_TRUE(zip.CloseFile(handle));

    // Going back or skipping ahead is refused; the entry stays readable from where it was.
    handle = zip.OpenFileByIndex(0);
    ASSERT_TRUE(zip.ReadEncapsulatedFile(handle, 0, 100, read, buffer.data()));
    EXPECT_FALSE(zip.ReadEncapsulatedFile(handle, 0, 100, read, buffer.data()));
    EXPECT_FALSE(zip.ReadEncapsulatedFile(handle, 200, 100, read, buffer.data()));
    ASSERT_TRUE(zip.ReadEncapsulatedFile(handle, 100, 100, read, buffer.data()));
    EXPECT_EQ(buffer.substr(0, read), data.substr(100, 100));
    EXPECT_TRUE(zip.CloseFile(handle)); // closing part way through is fine
}

TEST(ZipFileReaderTest, ArchiveOfExactly65535EntriesListsThemAll)
{
    // 0xFFFF is also the count's overflow marker, for which minizip walks until the headers stop.
    test::ScopedTempDir dir;
    std::vector<test::ZipEntry> entries(0xFFFF);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = {"d/r" + std::to_string(i) + ".2da", ""};
    test::WriteZip(dir / "full.zip", entries);
    Zip zip(dir / "full.zip");
    ASSERT_EQ(zip.GetEncapsulatedFileCount(), 0xFFFFu);
    NWN::ResRef32 name{};
    NWN::ResType type = 0;
    ASSERT_TRUE(zip.GetEncapsulatedFileEntry(0xFFFE, name, type));
    EXPECT_EQ(RawText(name), "r65534");
}

TEST(ZipFileReaderTest, ArchivesShiftedByAStubOrEndingInACommentListAndReadAlike)
{
    // A self-extractor's stub shifts every offset; a comment may hold the 64-bit locator signature.
    test::ScopedTempDir dir;
    test::WriteZip(dir / "plain.zip", {{"Models/", ""}, {"Models/Chair01.MDB", "chair"}, {"x/Table.2DA", "table"}});
    std::string bytes = std::string(700, 'S') + test::ReadFile(dir / "plain.zip");
    test::WriteFile(dir / "stub.zip", bytes);
    const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
    bytes[end + 20] = 4; // comment length
    test::WriteFile(dir / "walked.zip", bytes + std::string("PK\x06\x07", 4));

    const std::vector<Listed> expected = {{"chair01", ResTypeMdb}, {"table", ResType2da}};
    for (const char* archive : {"plain.zip", "stub.zip", "walked.zip"}) {
        Zip zip(dir / archive);
        EXPECT_EQ(List(zip), expected) << archive;
        for (FileIndex i = 0; i < 2; ++i) {
            const FileHandle handle = zip.OpenFileByIndex(i);
            ASSERT_NE(handle, 0u) << archive;
            EXPECT_EQ(ReadAll(zip, handle, 64), i == 0 ? "chair" : "table") << archive;
            EXPECT_TRUE(zip.CloseFile(handle)) << archive;
        }
    }
}

// Overwrites the checksum in the entry's local header and its central-directory record.
void CorruptChecksums(std::string& archive)
{
    const std::pair<std::string, std::size_t> records[] = {{std::string("PK\x03\x04", 4), 14},
                                                           {std::string("PK\x01\x02", 4), 16}};
    for (const auto& [signature, crcOffset] : records) {
        const std::size_t at = archive.find(signature);
        ASSERT_NE(at, std::string::npos);
        archive[at + crcOffset] = static_cast<char>(archive[at + crcOffset] ^ 0x5A);
    }
}

TEST(ZipFileReaderTest, ChecksumMismatchMakesTheCloseFail)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "good.zip", {{"data.2da", std::string(3000, 'q')}});
    std::string bytes = test::ReadFile(dir / "good.zip");
    CorruptChecksums(bytes);
    test::WriteFile(dir / "bad.zip", bytes);
    Zip zip(dir / "bad.zip");
    FileHandle handle = zip.OpenFileByIndex(0);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(ReadAll(zip, handle, 4096), std::string(3000, 'q'));
    EXPECT_FALSE(zip.CloseFile(handle));
    // The entry is closed nonetheless.
    handle = zip.OpenFileByIndex(0);
    EXPECT_NE(handle, 0u);
    EXPECT_TRUE(zip.CloseFile(handle)); // nothing read, nothing checked
}

// A one-entry archive, stored, whose directory claims an uncompressed size; a size of 4 GiB or more
// goes into a 64-bit extra field as the format prescribes for it.
std::string ArchiveClaiming(std::uint64_t claimedSize, const std::string& data)
{
    const bool wide = claimedSize >= 0xFFFFFFFFu;
    const std::uint32_t narrow = wide ? 0xFFFFFFFFu : static_cast<std::uint32_t>(claimedSize);
    const std::string name = "big.2da";
    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    test::ByteBuilder extra;
    if (wide)
        extra.U16(0x0001).U16(8).U64(claimedSize);
    test::ByteBuilder zip;
    zip.U32(0x04034b50).U16(45).U16(0).U16(0).U16(0).U16(0).U32(crc).U32(static_cast<std::uint32_t>(data.size()))
        .U32(narrow).U16(static_cast<std::uint16_t>(name.size())).U16(static_cast<std::uint16_t>(extra.Size()))
        .Text(name).Bytes(extra.Str()).Bytes(data);
    const std::uint32_t directory = static_cast<std::uint32_t>(zip.Size());
    zip.U32(0x02014b50).U16(45).U16(45).U16(0).U16(0).U16(0).U16(0).U32(crc)
        .U32(static_cast<std::uint32_t>(data.size())).U32(narrow).U16(static_cast<std::uint16_t>(name.size()))
        .U16(static_cast<std::uint16_t>(extra.Size())).U16(0).U16(0).U16(0).U32(0).U32(0).Text(name).Bytes(extra.Str());
    const std::uint32_t directorySize = static_cast<std::uint32_t>(zip.Size()) - directory;
    zip.U32(0x06054b50).U16(0).U16(0).U16(1).U16(1).U32(directorySize).U32(directory).U16(0);
    return zip.Str();
}

// An entry that claims more than it holds is read for what it holds and then refused, without
// room being taken for the claim. A claim of 4 GiB or more is never reported cut to 32 bits (which
// would make a copy look complete): the entry is not served, or, where the unzip library does not
// read 64-bit sizes, it shows as the 32-bit field's 0xFFFFFFFF.
TEST(ZipFileReaderTest, EntriesClaimingGiantSizes)
{
    test::ScopedTempDir dir;
    const std::string data = "2DA V2.0\n";
    for (const std::uint64_t claim : {std::uint64_t{0xFFFFFFFEu}, std::uint64_t{0x100000000u},
                                      std::uint64_t{0x100000000u} + data.size()}) {
        SCOPED_TRACE(claim);
        test::WriteFile(dir / "big.zip", ArchiveClaiming(claim, data));
        Zip zip(dir / "big.zip");
        ASSERT_EQ(List(zip), (std::vector<Listed>{{"big", ResType2da}}));
        const FileHandle handle = zip.OpenFileByIndex(0);
        if (handle == 0) {
            EXPECT_GT(claim, 0xFFFFFFFFu) << "only an entry too large for 32 bits may be refused";
            continue;
        }
        EXPECT_EQ(zip.GetEncapsulatedFileSize(handle), std::min<std::uint64_t>(claim, 0xFFFFFFFFu));
        std::string buffer(4096, '\0');
        std::uint32_t read = 0;
        ASSERT_TRUE(zip.ReadEncapsulatedFile(handle, 0, 4096, read, buffer.data()));
        EXPECT_EQ(buffer.substr(0, read), data);
        EXPECT_FALSE(zip.ReadEncapsulatedFile(handle, read, 4096, read, buffer.data()));
        zip.CloseFile(handle);
    }
}

TEST(ZipFileReaderTest, ConstructionErrors)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "garbage.zip", std::string(100, 'g'));
    test::WriteZip(dir / "longext.zip", {{"a.2da", "x"}, {"Dir/Name." + std::string(31, 'E'), "x"}});
    struct Case {
        std::string path;
        std::string error;
    };
    const Case cases[] = {
        {dir / "missing.zip", "Failed to open .zip archive '" + (dir / "missing.zip") + "'."},
        {dir / "garbage.zip", "Failed to open .zip archive '" + (dir / "garbage.zip") + "'."},
        {dir.Path(), "Failed to open .zip archive '" + dir.Path() + "'."},
        {dir / "longext.zip", "_splitpath_s 'z:\\dir/name." + std::string(31, 'e') + "'. failed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConstructionError(c.path), c.error) << c.path;
}

class ZipRealDataTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ZipRealDataTest, ListsAndReadsLikeAnIndependentExtractor)
{
    BRINDLE_REQUIRE_REALDATA(root);
    const std::string archive = root + "/zip/" + GetParam();
    const std::vector<std::string> members = test::UnzipListing(archive);
    if (members.empty())
        GTEST_SKIP() << "unzip is not available";
    Zip zip(archive);

    // Every member with an extension is an entry, in archive order.
    std::vector<std::string> kept;
    std::vector<Listed> expected;
    for (const std::string& member : members) {
        const std::string last = member.substr(member.find_last_of('/') + 1);
        const std::size_t dot = last.find_last_of('.');
        if (last.empty() || dot == std::string::npos)
            continue;
        const std::string ext = last.substr(dot + 1);
        kept.push_back(member);
        expected.push_back({RawText(ToResRef32(last.substr(0, dot))), ExtToResType(ext.c_str())});
    }
    ASSERT_EQ(List(zip), expected);

    for (FileIndex i = 0; i < kept.size(); ++i) {
        const std::optional<std::string> reference = test::UnzipMember(archive, kept[i]);
        ASSERT_TRUE(reference.has_value()) << kept[i];
        const FileHandle handle = zip.OpenFileByIndex(i);
        ASSERT_NE(handle, 0u) << kept[i];
        EXPECT_EQ(zip.GetEncapsulatedFileSize(handle), reference->size()) << kept[i];
        EXPECT_EQ(ReadAll(zip, handle, 4096), *reference) << kept[i];
        EXPECT_TRUE(zip.CloseFile(handle)) << kept[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, ZipRealDataTest,
                         ::testing::Values("charedit/resgff.zip", "kaedrin/fletching_override_v1.20.zip"));

} // namespace
} // namespace brindle
