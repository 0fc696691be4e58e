// Talk-table reader: header and entry-table rules by exact text, truncation at every length, and a
// real custom talk table.
#include "formats/TlkFileReader.h"

#include "resources/PlainException.h"
#include "tests/support/BothWays.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace brindle {
namespace {

using test::ByteBuilder;
using test::ScopedTempDir;
using Reader = TlkFileReader<NWN::ResRef16>;

std::string Header(std::uint32_t count, std::uint32_t stringDataOffset)
{
    return ByteBuilder().Text("ABCDEFGH").U32(0).U32(count).U32(stringDataOffset).Str();
}

// What a table holds: its entry count, string-data offset and each entry's string.
std::string Describe(const Reader& reader)
{
    std::string outcome =
        std::to_string(reader.GetStringCount()) + "@" + std::to_string(reader.GetStringDataOffset()) + ":";
    for (const Reader::Entry& entry : reader.GetEntries())
        outcome += " " + std::to_string(entry.OffsetToString) + "+" + std::to_string(entry.StringSize) + ";";
    return outcome;
}

std::string OutcomeOfBoth(const std::string& bytes, const std::string& path)
{
    return test::OutcomeOfBoth<Reader>(Describe, bytes, path);
}

std::string WrittenOutcomeOfBoth(const std::string& bytes, const ScopedTempDir& dir)
{
    return test::WrittenOutcomeOfBoth<Reader>(Describe, bytes, dir, "same.tlk");
}

// A talk table of one entry, the string "Hi".
const unsigned char kOneEntry[] = {
    'T', 'L', 'K', ' ', 'V', '3', '.', '0',                         // file type, version
    0,   0,   0,   0,   1,   0,   0,   0,                           // language, 1 string
    60,  0,   0,   0,                                               // string data at 60
    7,   0,   0,   0,                                               // 20: flags
    's', 'n', 'd', 0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, // its sound
    0,   0,   0,   0,   0,   0,   0,   0,                           // volume and pitch variance
    0,   0,   0,   0,   2,   0,   0,   0,                           // its string at 0 in the string data, 2 bytes
    0,   0,   0,   0,                                               // sound length
    'H', 'i',                                                       // 60: the string data
};

TEST(TlkFileReaderTest, SmallTableFromBytesAndItsDamagedVariants)
{
    const std::string small(reinterpret_cast<const char*>(kOneEntry), sizeof(kOneEntry));
    ASSERT_EQ(small.size(), 62u);
    const test::Damage cases[] = {
        {"as written", 0, 'T', "1@60: 0+2;"},
        {"empty", 0, -1, "ReadFile( Header ) failed."},
        {"header cut short", 19, -1, "ReadFile( Header ) failed."},
        {"entry cut short", 59, -1, "TLK string table exceeds file size."},
        {"string data cut off, never looked at", 60, -1, "1@60: 0+2;"},
        {"two entries", 12, 2, "TLK string table exceeds file size."},
        {"no entries", 12, 0, "0@60:"},
        {"a table too large for 32 bits", 15, 0x10, "0@0:"},
        {"string data elsewhere", 16, 200, "1@200: 0+2;"},
        {"another string size", 52, 9, "1@60: 0+9;"},
    };
    ScopedTempDir dir;
    for (const test::Damage& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WrittenOutcomeOfBoth(test::Patched(small, c), dir), c.outcome);
    }
}

TEST(TlkFileReaderTest, BytesReadAsTheirFileAtEveryLength)
{
    const std::string base = test::BuildTlk(3);
    ScopedTempDir dir;
    test::EveryCutReadsAlike<Reader>(Describe, base, dir, "cut.tlk");
}

TEST(TlkFileReaderTest, ConstructionFailuresByExactText)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    } const cases[] = {
        {"empty file", "", "ReadFile( Header ) failed."},
        {"19 bytes", Header(0, 20).substr(0, 19), "ReadFile( Header ) failed."},
        {"table past the end", Header(3, 140) + std::string(119, 'x'), "TLK string table exceeds file size."},
        {"table far past the end", Header(0x100000, 0) + std::string(40, 'x'), "TLK string table exceeds file size."},
    };
    ScopedTempDir dir;
    const std::string path = dir / "t.tlk";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(path, c.bytes);
        test::ExpectThrowText<std::runtime_error>([&] { Reader reader(path); }, c.message);
    }
    for (const std::string& bad : {dir / "missing.tlk", dir.Path()})
        test::ExpectThrowText<PlainException>([&] { Reader reader(bad); }, "Failed to open TLK file.");
}

TEST(TlkFileReaderTest, EntryTables)
{
    ScopedTempDir dir;
    // A file of its own for each reader: an open reader keeps others from writing its file.
    std::string path = dir / "none.tlk";

    // Header only: no entries, the string-data offset kept; type and version are not examined.
    test::WriteFile(path, Header(0, 77));
    Reader none(path);
    EXPECT_EQ(none.GetStringCount(), 0u);
    EXPECT_EQ(none.GetStringDataOffset(), 77u);

    // Three entries copied byte for byte from offsets 20 to 139.
    std::string table;
    for (int i = 0; i < 120; ++i)
        table += static_cast<char>(i * 7 + 1);
    path = dir / "three.tlk";
    test::WriteFile(path, Header(3, 140) + table);
    Reader three(path);
    ASSERT_EQ(three.GetStringCount(), 3u);
    EXPECT_EQ(std::memcmp(three.GetEntries().data(), table.data(), table.size()), 0);

    // A table whose size does not fit in 32 bits is taken as no table.
    path = dir / "huge.tlk";
    test::WriteFile(path, Header(107374183, 5));
    Reader huge(path);
    EXPECT_EQ(huge.GetStringCount(), 0u);
    EXPECT_EQ(huge.GetStringDataOffset(), 0u);

    path = dir / "built.tlk";
    test::WriteFile(path, test::BuildTlk(4));
    Reader built(path);
    ASSERT_EQ(built.GetStringCount(), 4u);
    EXPECT_EQ(built.GetStringDataOffset(), 20u + 4 * 40);
    EXPECT_EQ(built.GetEntries()[3].OffsetToString, 24u);
    EXPECT_EQ(built.GetEntries()[3].StringSize, 8u);
}

TEST(TlkFileReaderTest, TruncatedAtEveryLengthFailsWithAFixedText)
{
    const std::string base = test::BuildTlk(5);
    const std::size_t tableEnd = 20 + 5 * 40;
    ScopedTempDir dir;
    const std::string path = dir / "t.tlk";
    for (std::size_t length = 0; length <= base.size(); ++length) {
        SCOPED_TRACE(length);
        test::WriteFile(path, base.substr(0, length));
        try {
            Reader reader(path);
            EXPECT_GE(length, tableEnd);
            EXPECT_EQ(reader.GetStringCount(), 5u);
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), length < 20 ? "ReadFile( Header ) failed." : "TLK string table exceeds file size.");
            EXPECT_LT(length, tableEnd);
        }
    }
}

TEST(TlkFileReaderTest, RealCustomTalkTable)
{
    BRINDLE_REQUIRE_REALDATA(real);
    const std::string path = real + "/tlk/kaedrin/custom.tlk";
    Reader reader(path);
    EXPECT_EQ(reader.GetStringCount(), 16824u);
    EXPECT_EQ(reader.GetStringDataOffset(), 672980u);
    EXPECT_EQ(OutcomeOfBoth(test::ReadFile(path), path).substr(0, 13), "16824@672980:");
}

} // namespace
} // namespace brindle
