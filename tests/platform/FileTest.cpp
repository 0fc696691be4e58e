// Positioned reads: what comes back at each place of a file, and where the file ends.
#include "platform/File.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace brindle::platform {
namespace {

TEST(FileTest, PositionedReadsGiveTheBytesThereAndStopAtTheEnd)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "ten", "0123456789");
    const OwnedFile file(OpenForReading(dir / "ten", ShareMode::Read, AccessHint::RandomAccess));
    ASSERT_TRUE(file);
    struct Case {
        std::uint64_t offset;
        std::size_t count;
        std::string expected;
    };
    // The last one lies beyond 32 bits.
    const Case cases[] = {
        {0, 10, "0123456789"},     {3, 4, "3456"}, {7, 10, "789"}, {10, 5, ""}, {1000, 5, ""}, {2, 0, ""},
        {0xFFFFFFFFull + 5, 4, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        std::string buffer(c.count, '?');
        std::size_t read = 99;
        EXPECT_FALSE(ReadOsFileAt(file.Get(), c.offset, buffer.data(), c.count, read));
        EXPECT_EQ(buffer.substr(0, read), c.expected);
    }
    // The current position is no part of it.
    std::uint32_t sequential = 0;
    char first[2] = {};
    ASSERT_TRUE(ReadOsFile(file.Get(), first, 2, sequential));
    std::size_t read = 0;
    char at[3] = {};
    EXPECT_FALSE(ReadOsFileAt(file.Get(), 5, at, 3, read));
    EXPECT_EQ(std::string(at, read), "567");
}

TEST(FileTest, PositionedReadOfNoFileGivesAReason)
{
    char buffer[4];
    std::size_t read = 7;
    EXPECT_TRUE(ReadOsFileAt(InvalidOsFile, 0, buffer, sizeof(buffer), read));
    EXPECT_EQ(read, 0u);
}

} // namespace
} // namespace brindle::platform
