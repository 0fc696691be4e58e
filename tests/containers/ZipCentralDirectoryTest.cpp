// One-read central directory: it must list exactly what minizip's walk lists, and refuse every
// archive that minizip might read differently.
#include "containers/ZipCentralDirectory.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <string>
#include <utility>
#include <vector>

namespace brindle {
namespace {

using Listing = std::vector<std::pair<std::uint64_t, std::string>>;

// What the container's walk through minizip sees: each record's position and reported name.
Listing MinizipWalk(const std::string& path)
{
    Listing out;
    unzFile zip = unzOpen64(path.c_str());
    if (zip == nullptr)
        return out;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz64_file_pos position{};
        unz_file_info64 info{};
        char name[ZipCentralDirectory::kReportedNameChars + 1];
        if (unzGetFilePos64(zip, &position) != UNZ_OK ||
            unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        name[ZipCentralDirectory::kReportedNameChars] = '\0';
        out.emplace_back(position.pos_in_zip_directory, name);
    }
    unzClose(zip);
    return out;
}

Listing Records(const ZipCentralDirectory& directory)
{
    Listing out;
    for (const ZipCentralDirectory::Record& record : directory.Records())
        out.emplace_back(record.position, std::string(record.name));
    return out;
}

std::size_t EndRecord(const std::string& bytes)
{
    return bytes.rfind(std::string("PK\x05\x06", 4));
}

void PatchU16(std::string& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    PatchU16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
    PatchU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// Appends an archive comment and records its length in the end record.
std::string WithComment(std::string bytes, const std::string& comment)
{
    PatchU16(bytes, EndRecord(bytes) + 20, static_cast<std::uint16_t>(comment.size()));
    return bytes + comment;
}

// A stored one-entry archive made by hand, so that its record can carry any extra field.
std::string ArchiveWithExtraField(const std::string& extra, std::uint16_t declaredExtraSize)
{
    const std::string name = "Folder/Item.uti";
    const std::string data = "payload";
    test::ByteBuilder b;
    b.U32(0x04034B50).U16(10).U16(0).U16(0).U16(0).U16(0);   // local header: version, flags, stored, time, date
    b.U32(0x6A0C3A5E).U32(7).U32(7);                          // checksum (not checked here), sizes
    b.U16(static_cast<std::uint16_t>(name.size())).U16(0).Text(name).Text(data);
    const std::size_t directory = b.Size();
    b.U32(0x02014B50).U16(20).U16(10).U16(0).U16(0).U16(0).U16(0);
    b.U32(0x6A0C3A5E).U32(7).U32(7);
    b.U16(static_cast<std::uint16_t>(name.size())).U16(declaredExtraSize).U16(0); // name, extra, comment sizes
    b.U16(0).U16(0).U32(0).U32(0);                             // disk, attributes, local header offset
    b.Text(name).Text(extra);
    const std::size_t directorySize = b.Size() - directory;
    b.U32(0x06054B50).U16(0).U16(0).U16(1).U16(1);
    b.U32(static_cast<std::uint32_t>(directorySize)).U32(static_cast<std::uint32_t>(directory)).U16(0);
    return b.Str();
}

std::string ExtraBlock(std::uint16_t id, const std::string& data)
{
    test::ByteBuilder b;
    b.U16(id).U16(static_cast<std::uint16_t>(data.size())).Text(data);
    return b.Str();
}

TEST(ZipCentralDirectoryTest, ListsWhatMinizipWalks)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "plain.zip", {{"models/", ""},
                                       {"models/Chair01.MDB", "chair"},
                                       {"README", "no extension"},
                                       {"deep/er/" + std::string(300, 'L') + ".2da", "name longer than minizip reports"},
                                       {"B/DUP.2DA", "second"}});
    const std::string plain = test::ReadFile(dir / "plain.zip");
    // A self-extractor's stub before the archive shifts every offset in the file alike.
    test::WriteFile(dir / "stub.zip", std::string(1000, 'S') + plain);
    test::WriteFile(dir / "comment.zip", WithComment(plain, "an archive comment"));
    const std::string extra = ExtraBlock(0x5455, "\x01\x02\x03\x04\x05") + ExtraBlock(0x7875, "");
    test::WriteFile(dir / "extra.zip", ArchiveWithExtraField(extra, static_cast<std::uint16_t>(extra.size())));

    std::vector<std::string> archives = {dir / "plain.zip", dir / "stub.zip", dir / "comment.zip", dir / "extra.zip"};
    const std::string realData = test::RealDataDir();
    if (!realData.empty()) {
        archives.push_back(realData + "/zip/charedit/resgff.zip");
        archives.push_back(realData + "/zip/kaedrin/fletching_override_v1.20.zip");
    }
    for (const std::string& archive : archives) {
        const Listing walked = MinizipWalk(archive);
        ASSERT_FALSE(walked.empty()) << archive;
        ZipCentralDirectory directory;
        ASSERT_TRUE(directory.Read(archive)) << archive;
        EXPECT_EQ(Records(directory), walked) << archive;
        EXPECT_EQ(directory.DirectoryOffset(), walked.front().first) << archive;
    }
    ZipCentralDirectory directory;
    ASSERT_TRUE(directory.Read(dir / "plain.zip"));
    EXPECT_EQ(directory.Records()[3].name, "deep/er/" + std::string(248, 'L'));
}

TEST(ZipCentralDirectoryTest, RefusesArchivesItLeavesToMinizip)
{
    test::ScopedTempDir dir;
    test::WriteZip(dir / "two.zip", {{"one.2da", "1"}, {"two.2da", "2"}});
    const std::string two = test::ReadFile(dir / "two.zip");
    const std::size_t end = EndRecord(two);
    const std::size_t firstRecord = two.find(std::string("PK\x01\x02", 4));
    const std::size_t secondRecord = two.find(std::string("PK\x01\x02", 4), firstRecord + 1);

    std::string countsDisagree = two;
    PatchU16(countsDisagree, end + 8, 1);
    std::string directoryCut = two;
    PatchU32(directoryCut, end + 12, static_cast<std::uint32_t>(end - firstRecord - 10));
    std::string badSignature = two;
    badSignature[secondRecord + 2] = 9;
    std::string largeOffset = two;
    PatchU32(largeOffset, secondRecord + 42, 0xFFFFFFFF);
    std::string directoryBeforeFile = two;
    PatchU32(directoryBeforeFile, end + 16, 0x7FFFFFFF);
    const std::string extra = ExtraBlock(0x5455, std::string(10, 'x'));

    const std::pair<const char*, std::string> cases[] = {
        {"shorter than an end record", two.substr(two.size() - 21)},
        {"no end record", std::string(5000, 'g')},
        {"entry counts disagree", countsDisagree},
        {"64-bit locator signature", WithComment(two, std::string("PK\x06\x07", 4))},
        {"record reaching past the directory", directoryCut},
        {"record signature", badSignature},
        {"local header offset in a 64-bit field", largeOffset},
        {"directory offset beyond its end record", directoryBeforeFile},
        {"extra block overrunning its field", ArchiveWithExtraField(extra, static_cast<std::uint16_t>(extra.size() - 2))},
    };
    for (const auto& [what, bytes] : cases) {
        test::WriteFile(dir / "case.zip", bytes);
        ZipCentralDirectory directory;
        EXPECT_FALSE(directory.Read(dir / "case.zip")) << what;
        EXPECT_TRUE(directory.Records().empty()) << what;
    }
    ZipCentralDirectory directory;
    EXPECT_FALSE(directory.Read(dir / "missing.zip"));
    EXPECT_FALSE(directory.Read(dir.Path()));
}

} // namespace
} // namespace brindle
