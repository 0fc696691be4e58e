// Talk-table reader: header and entry-table rules by exact text, truncation at every length, and a
// real custom talk table.
#include "formats/TlkFileReader.h"

#include "resources/PlainException.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"

#include <gtest/gtest.h>

#include <cstring>
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
    Reader reader(real + "/tlk/kaedrin/custom.tlk");
    EXPECT_EQ(reader.GetStringCount(), 16824u);
    EXPECT_EQ(reader.GetStringDataOffset(), 672980u);
}

} // namespace
} // namespace brindle
