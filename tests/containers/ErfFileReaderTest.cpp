// ERF container: construction checks by exact text, damaged and truncated archives, lookups,
// positioned reads and the real archives.
#include "containers/ErfFileReader.h"
#include "resources/PlainException.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

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

class ErfReadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::WriteFile(m_Dir / "test.hak", test::BuildErf({{"Sword01", ResTypeMdb, "0123456789"},
                                                            {"twin", ResType2da, "first"},
                                                            {"other", ResTypeIfo, std::string(100, 'o')},
                                                            {"twin", ResType2da, "second"}}));
        m_Erf = std::make_unique<Erf>(m_Dir / "test.hak");
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
    std::unique_ptr<Erf> m_Erf;
};

TEST_F(ErfReadTest, NamesMatchExactlyAsStoredAndTheFirstDuplicateWins)
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

TEST_F(ErfReadTest, ReadsAreClampedToTheResource)
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

TEST_F(ErfReadTest, InterleavedReadsOfSeveralResourcesStayCorrect)
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
}

} // namespace
} // namespace brindle
