// ERF container: construction checks by exact text, damaged and truncated archives, lookups,
// positioned reads and the real archives.
#include "containers/ErfFileReader.h"
#include "resources/PlainException.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/BothWays.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace brindle {
namespace {

using Erf = ErfFileReader<NWN::ResRef32>;
using test::ByteBuilder;

// A 160-byte header with the fields the container reads.
ByteBuilder Header(std::uint32_t entryCount, std::uint32_t keyList, std::uint32_t resourceList)
{
    ByteBuilder b;
    b.Text("MOD V1.1");
    b.U32(0).U32(0);              // language count, localized string size
    b.U32(entryCount);
    b.U32(0);                     // offset to localized strings
    b.U32(keyList).U32(resourceList);
    b.Zeros(128);
    return b;
}

ByteBuilder& Key(ByteBuilder& b, std::string_view name, std::uint32_t id, NWN::ResType type)
{
    return b.Fixed(name, 32).U32(id).U16(type).U16(0);
}

// The error text raised when constructing over bytes, or "" when construction succeeds.
std::string ConstructionError(const test::ScopedTempDir& dir, const std::string& bytes)
{
    const std::string path = dir / "case.erf";
    test::WriteFile(path, bytes);
    try {
        Erf erf(path);
        return "";
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

// Every entry of an archive as name/type=data, in list order.
std::string Contents(Erf& erf)
{
    std::string contents;
    for (FileIndex i = 0; i < erf.GetEncapsulatedFileCount(); ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        EXPECT_TRUE(erf.GetEncapsulatedFileEntry(i, name, type));
        const FileHandle handle = erf.OpenFileByIndex(i);
        std::string data(erf.GetEncapsulatedFileSize(handle), '\0');
        std::uint32_t read = 0;
        if (!data.empty() &&
            !erf.ReadEncapsulatedFile(handle, 0, static_cast<std::uint32_t>(data.size()), read, data.data()))
            data = "<unread>";
        contents += RawText(name) + "/" + std::to_string(type) + "=" + data + ";";
    }
    return contents;
}

std::string OutcomeOfBoth(const std::string& bytes, const std::string& path)
{
    return test::OutcomeOfBoth<Erf>(Contents, bytes, path);
}

std::string WrittenOutcomeOfBoth(const std::string& bytes, const test::ScopedTempDir& dir)
{
    return test::WrittenOutcomeOfBoth<Erf>(Contents, bytes, dir, "same.hak");
}

std::string Text(std::span<const unsigned char> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A HAK of one resource, the 2DA "abc" holding "data".
std::string SmallHak()
{
    const unsigned char header[] = {
        'H', 'A', 'K', ' ', 'V', '1', '.', '0',                  // file type, version
        0,   0,   0,   0,   0,   0,   0,   0,                    // language count, localized string size
        1,   0,   0,   0,   160, 0,   0,   0,                    // 1 entry; localized strings at 160
        160, 0,   0,   0,   200, 0,   0,   0,                    // key list at 160, resource list at 200
    };                                                           // then 128 bytes of zeros
    const unsigned char key[] = {0, 0, 0, 0, 0xE1, 0x07, 0, 0};  // after the 32-byte name: id 0, type 2017
    const unsigned char resource[] = {208, 0, 0, 0, 4, 0, 0, 0}; // data at 208, 4 bytes
    return Text(header) + std::string(128, '\0') + ByteBuilder().Fixed("abc", 32).Str() + Text(key) + Text(resource) +
           "data";
}

TEST(ErfFileReaderTest, SmallArchiveFromBytesAndItsDamagedVariants)
{
    const std::string small = SmallHak();
    ASSERT_EQ(small.size(), 212u);
    struct Case {
        const char* what;
        std::vector<std::pair<std::size_t, unsigned char>> patches;
        std::size_t length; // where the archive is cut
        const char* outcome;
    } const cases[] = {
        {"as written", {}, 212, "abc/2017=data;"},
        {"empty", {}, 0, "ReadFile( Header ) failed."},
        {"header cut short", {}, 159, "ReadFile( Header ) failed."},
        {"no entries", {{16, 0}}, 212, ""},
        {"no entries, lists past the end", {{16, 0}, {26, 1}, {30, 1}}, 212, ""},
        {"two entries", {{16, 2}}, 212, "ReadFile( Key ) failed."},
        {"key list past the end", {{25, 1}}, 212, "ReadFile( Key ) failed."},
        {"resource id", {{192, 1}}, 212, "Key.ResourceID mismatch"},
        {"resource one byte longer", {{204, 5}}, 212, "ERF entry exceeds file size"},
        {"resource end past 32 bits", {{203, 0xFF}, {207, 0xFF}}, 212, "Entry.OffsetToResource overflow"},
        {"resource list cut short", {}, 207, "ReadFile( Entry ) failed."},
        {"data cut short", {}, 211, "ERF entry exceeds file size"},
        {"another type", {{196, 0xE2}}, 212, "abc/2018=data;"},
    };
    test::ScopedTempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = small.substr(0, c.length);
        for (const auto& patch : c.patches)
            bytes[patch.first] = static_cast<char>(patch.second);
        EXPECT_EQ(WrittenOutcomeOfBoth(bytes, dir), c.outcome);
    }
}

// Every cut of an archive, lists longer than a read batch included, reads the same from memory as
// from a file.
TEST(ErfFileReaderTest, BytesReadAsTheirFileAtEveryLength)
{
    test::ScopedTempDir dir;
    const std::string full = test::BuildErf(
        {{"alpha", ResType2da, "0123456789"}, {"beta", ResTypeMdb, std::string(70, 'b')}, {"gamma", ResTypeIfo, ""}});
    test::EveryCutReadsAlike<Erf>(Contents, full, dir, "cut.hak");
    EXPECT_EQ(WrittenOutcomeOfBoth(full, dir),
              "alpha/2017=0123456789;beta/4000=" + std::string(70, 'b') + ";gamma/2014=;");
    std::vector<test::ErfEntry> many;
    for (int i = 0; i < 1100; ++i)
        many.push_back({"r" + std::to_string(i), ResType2da, "x"});
    const std::string large = test::BuildErf(many);
    for (const std::size_t cut : {std::size_t{160 + 1100 * 40 + 100}, large.size() - 1, large.size()})
        WrittenOutcomeOfBoth(large.substr(0, cut), dir);
}

TEST(ErfFileReaderTest, OpenFailuresArePlainExceptions)
{
    test::ScopedTempDir dir;
    test::MakeDirectories(dir / "folder.hak");
    for (const std::string& path : {dir / "missing.hak", dir / "folder.hak"}) {
        try {
            Erf erf(path);
            ADD_FAILURE() << path;
        } catch (const std::runtime_error&) {
            ADD_FAILURE() << "a runtime error, not the plain exception";
        } catch (const PlainException& e) {
            EXPECT_STREQ(e.what(), "Failed to open ERF file.");
        }
    }
}

TEST(ErfFileReaderTest, EachDamagedFieldRaisesItsText)
{
    test::ScopedTempDir dir;
    struct Case {
        const char* what;
        std::string bytes;
        const char* error;
    };
    // One key and one 4-byte resource laid out as header, key, resource record, data.
    const auto oneEntry = [](std::uint32_t id, std::uint32_t offset, std::uint32_t size, std::size_t data) {
        ByteBuilder b = Header(1, 160, 200);
        Key(b, "res", id, ResType2da);
        b.U32(offset).U32(size).Zeros(data);
        return b.Str();
    };
    ByteBuilder twoKeys = Header(2, 160, 240);
    Key(twoKeys, "first", 0, ResType2da);
    Key(twoKeys, "second", 0, ResType2da);
    twoKeys.U32(256).U32(0).U32(256).U32(0);
    ByteBuilder hugeCount = Header(0xFFFFFFFFu, 160, 160);
    Key(hugeCount, "only", 0, ResType2da);

    const Case cases[] = {
        {"short header", Header(0, 160, 160).Str().substr(0, 159), "ReadFile( Header ) failed."},
        {"key list beyond the end", Header(1, 4000, 160).Str(), "ReadFile( Key ) failed."},
        {"key cut short", Header(1, 160, 200).Zeros(39).Str(), "ReadFile( Key ) failed."},
        {"second key with ResourceID 0", twoKeys.Str(), "Key.ResourceID mismatch"},
        {"first key with ResourceID 1", oneEntry(1, 208, 4, 4), "Key.ResourceID mismatch"},
        {"resource record cut short", oneEntry(0, 208, 4, 0).substr(0, 204), "ReadFile( Entry ) failed."},
        {"resource end beyond 32 bits", oneEntry(0, 0xFFFFFFF0u, 32, 4), "Entry.OffsetToResource overflow"},
        {"resource ends one byte late", oneEntry(0, 208, 5, 4), "ERF entry exceeds file size"},
        {"resource ends at the end", oneEntry(0, 208, 4, 4), ""},
        {"no entries, lists beyond the end", Header(0, 1u << 30, 0xFFFFFFFFu).Str(), ""},
        // A damaged count fails on the reads, not on reserving room for billions of entries.
        {"huge entry count", hugeCount.Str(), "ReadFile( Key ) failed."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConstructionError(dir, c.bytes), c.error) << c.what;
}

TEST(ErfFileReaderTest, LongListsCutShortReportTheFirstFaultInFileOrder)
{
    // Lists longer than one read batch: a key that is complete but wrong is reported before the
    // key that the file cuts short, wherever the cut falls.
    test::ScopedTempDir dir;
    const auto keys = [](std::uint32_t wrongAt, std::uint32_t keptKeys) {
        ByteBuilder b = Header(3000, 160, 160 + 3000 * 40);
        for (std::uint32_t i = 0; i < keptKeys; ++i)
            Key(b, "k" + std::to_string(i), i == wrongAt ? 0 : i, ResType2da);
        return b.Str();
    };
    struct Case {
        std::uint32_t wrongAt;
        std::uint32_t keptKeys;
        const char* error;
    };
    const Case cases[] = {
        {2500, 2600, "Key.ResourceID mismatch"}, {2500, 2400, "ReadFile( Key ) failed."},
        {1500, 1501, "Key.ResourceID mismatch"}, {1023, 1024, "Key.ResourceID mismatch"},
        {9999, 1024, "ReadFile( Key ) failed."}, {9999, 1025, "ReadFile( Key ) failed."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConstructionError(dir, keys(c.wrongAt, c.keptKeys)), c.error) << c.wrongAt << " " << c.keptKeys;
}

TEST(ErfFileReaderTest, TruncationAtEveryLengthGivesSuccessOrAFixedText)
{
    test::ScopedTempDir dir;
    const std::string full = test::BuildErf({{"alpha", ResType2da, "0123456789"},
                                             {"beta", ResTypeMdb, std::string(70, 'b')},
                                             {"gamma", ResTypeIfo, ""}});
    const std::set<std::string> fixed = {"", "ReadFile( Header ) failed.", "ReadFile( Key ) failed.",
                                         "ReadFile( Entry ) failed.", "ERF entry exceeds file size"};
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const std::string error = ConstructionError(dir, full.substr(0, length));
        EXPECT_TRUE(fixed.count(error)) << length << ": " << error;
    }
    EXPECT_EQ(ConstructionError(dir, full), "");
}

// Reads through an archive opened from its file, or from its bytes (GetParam()).
class ErfReadTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        m_Bytes = test::BuildErf({{"Sword01", ResTypeMdb, "0123456789"},
                                  {"twin", ResType2da, "first"},
                                  {"other", ResTypeIfo, std::string(100, 'o')},
                                  {"twin", ResType2da, "second"}});
        test::WriteFile(m_Dir / "test.hak", m_Bytes);
        m_Erf = GetParam() ? std::make_unique<Erf>(test::AsBytes(m_Bytes)) : std::make_unique<Erf>(m_Dir / "test.hak");
    }

    std::string ReadChunk(FileHandle handle, std::uint32_t offset, std::uint32_t count)
    {
        std::string buffer(count, '\0');
        std::uint32_t read = 0;
        if (!m_Erf->ReadEncapsulatedFile(handle, offset, count, read, buffer.data()))
            return "<false>";
        return buffer.substr(0, read);
    }

    test::ScopedTempDir m_Dir;
    std::string m_Bytes;
    std::unique_ptr<Erf> m_Erf;
};

INSTANTIATE_TEST_SUITE_P(FileAndBytes, ErfReadTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Bytes" : "File"; });

TEST_P(ErfReadTest, NamesMatchExactlyAsStoredAndTheFirstDuplicateWins)
{
    EXPECT_EQ(m_Erf->OpenFile(ToResRef32("sword01"), ResTypeMdb), 0u);
    NWN::ResRef32 stored{};
    std::memcpy(stored.RefStr, "Sword01", 7);
    EXPECT_EQ(m_Erf->OpenFile(stored, ResTypeMdb), 1u);
    EXPECT_EQ(m_Erf->OpenFile(ToResRef32("twin"), ResType2da), 2u);

    NWN::ResRef32 name{};
    NWN::ResType type = 0;
    ASSERT_TRUE(m_Erf->GetEncapsulatedFileEntry(0, name, type));
    EXPECT_EQ(RawText(name), "Sword01");
    ASSERT_TRUE(m_Erf->GetEncapsulatedFileEntry(3, name, type));
    EXPECT_EQ(RawText(name), "twin");
}

TEST_P(ErfReadTest, ReadsAreClampedToTheResource)
{
    const FileHandle sword = m_Erf->OpenFileByIndex(0);
    EXPECT_EQ(ReadChunk(sword, 0, 4096), "0123456789");
    EXPECT_EQ(ReadChunk(sword, 9, 1), "9");
    EXPECT_EQ(ReadChunk(sword, 7, 100), "789");
    EXPECT_EQ(ReadChunk(sword, 10, 1), "<false>");
    EXPECT_EQ(ReadChunk(sword, 0xFFFFFFFFu, 1), "<false>");
    EXPECT_EQ(ReadChunk(5, 0, 1), "<false>");

    std::uint32_t read = 99;
    char byte;
    EXPECT_FALSE(m_Erf->ReadEncapsulatedFile(sword, 10, 1, read, &byte));
    EXPECT_EQ(read, 0u);
}

TEST_P(ErfReadTest, InterleavedReadsOfSeveralResourcesStayCorrect)
{
    const FileHandle sword = m_Erf->OpenFileByIndex(0);
    const FileHandle second = m_Erf->OpenFileByIndex(3);
    const FileHandle other = m_Erf->OpenFileByIndex(2);
    // A continues, B does not follow A, then A again from its start, then out of order.
    EXPECT_EQ(ReadChunk(sword, 0, 4), "0123");
    EXPECT_EQ(ReadChunk(sword, 4, 4), "4567");
    EXPECT_EQ(ReadChunk(second, 0, 3), "sec");
    EXPECT_EQ(ReadChunk(sword, 0, 2), "01");
    EXPECT_EQ(ReadChunk(other, 98, 10), "oo");
    EXPECT_EQ(ReadChunk(second, 3, 10), "ond");
    EXPECT_EQ(ReadChunk(sword, 8, 10), "89");
}

TEST(ErfRealDataTest, HotfixListsItsTwoScripts)
{
    BRINDLE_REQUIRE_REALDATA(root);
    Erf erf(root + "/erf/kaedrin/Hotfix.erf");
    ASSERT_EQ(erf.GetEncapsulatedFileCount(), 2u);
    for (FileIndex i = 0; i < 2; ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        ASSERT_TRUE(erf.GetEncapsulatedFileEntry(i, name, type));
        EXPECT_EQ(type, 2009) << RawText(name); // nss
        const FileHandle handle = erf.OpenFileByIndex(i);
        const std::uint32_t size = erf.GetEncapsulatedFileSize(handle);
        std::string data(size, '\0');
        std::uint32_t read = 0;
        ASSERT_TRUE(erf.ReadEncapsulatedFile(handle, 0, size, read, data.data()));
        EXPECT_EQ(read, size);
    }
    NWN::ResRef32 name{};
    NWN::ResType type = 0;
    ASSERT_TRUE(erf.GetEncapsulatedFileEntry(0, name, type));
    EXPECT_EQ(RawText(name), "ccs_player_equip");
    const std::string path = root + "/erf/kaedrin/Hotfix.erf";
    EXPECT_EQ(OutcomeOfBoth(test::ReadFile(path), path), Contents(erf));
}

TEST(ErfRealDataTest, OlderLayoutFailsWithAFixedText)
{
    BRINDLE_REQUIRE_REALDATA(root);
    const std::set<std::string> fixed = {"ReadFile( Key ) failed.", "ReadFile( Entry ) failed.",
                                         "Key.ResourceID mismatch", "Entry.OffsetToResource overflow",
                                         "ERF entry exceeds file size"};
    try {
        Erf erf(root + "/erf/kaedrin/cmi_CraftArrows.hak");
        ADD_FAILURE() << "a 16-byte-name archive was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(fixed.count(e.what())) << e.what();
    }
    const std::string path = root + "/erf/kaedrin/cmi_CraftArrows.hak";
    OutcomeOfBoth(test::ReadFile(path), path);
}

} // namespace
} // namespace brindle
