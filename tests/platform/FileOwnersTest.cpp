// The owners of open files and mapped views: what each way of letting go does to the handle.
#include "platform/File.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace brindle::platform {
namespace {

// True while file still names an open file (a closed one cannot be sized).
bool IsOpen(OsFile file)
{
    std::uint64_t size = 0;
    return SizeOsFile(file, size);
}

class FileOwnersTest : public ::testing::Test {
protected:
    FileOwnersTest() { test::WriteFile(m_Dir / "data", std::string(5000, 'x')); }
    OsFile Open() const { return OpenForReading(m_Dir / "data", ShareMode::Read, AccessHint::Normal); }

    test::ScopedTempDir m_Dir;
};

TEST_F(FileOwnersTest, EachWayOfLettingGoOfAFile)
{
    struct Case {
        const char* name;
        /// Lets go of owner; elsewhere is another owner that may take the file.
        std::function<void(OwnedFile& owner, OwnedFile& elsewhere)> letGo;
        bool stillOpen; ///< whether the file is open afterwards
    };
    const Case cases[] = {
        {"owner goes", [](OwnedFile& owner, OwnedFile&) { OwnedFile gone = std::move(owner); }, false},
        {"reset", [](OwnedFile& owner, OwnedFile&) { owner.Reset(); }, false},
        {"close", [](OwnedFile& owner, OwnedFile&) { EXPECT_TRUE(owner.Close()); }, false},
        {"release", [](OwnedFile& owner, OwnedFile& elsewhere) { elsewhere.Reset(owner.Release()); }, true},
        {"moved away", [](OwnedFile& owner, OwnedFile& elsewhere) { elsewhere = std::move(owner); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OsFile raw = Open();
        ASSERT_NE(raw, InvalidOsFile);
        OwnedFile elsewhere;
        OwnedFile owner(raw);
        c.letGo(owner, elsewhere);
        EXPECT_FALSE(owner);
        EXPECT_EQ(owner.Get(), InvalidOsFile);
        EXPECT_FALSE(owner.Close()); // nothing left to close
        EXPECT_EQ(IsOpen(raw), c.stillOpen);
    }
}

TEST_F(FileOwnersTest, TakingAnotherFileClosesTheOneHeld)
{
    OwnedFile first(Open());
    OwnedFile second(Open());
    const OsFile firstRaw = first.Get();
    const OsFile secondRaw = second.Get();
    first = std::move(second);
    EXPECT_FALSE(IsOpen(firstRaw));
    EXPECT_EQ(first.Get(), secondRaw);
    EXPECT_TRUE(IsOpen(secondRaw));
    first.Reset(Open());
    EXPECT_FALSE(IsOpen(secondRaw));
    EXPECT_TRUE(IsOpen(first.Get()));
}

TEST_F(FileOwnersTest, ViewsMapNarrowAndMove)
{
    const OwnedFile file(Open());
    OwnedView view;
    EXPECT_FALSE(view);
    ASSERT_TRUE(view.Map(file.Get()));
    ASSERT_TRUE(view);
    EXPECT_EQ(view.Get().size, 5000u);
    EXPECT_EQ(view.Get().data[4999], 'x');
    view.Limit(6000); // never widens
    EXPECT_EQ(view.Get().size, 5000u);
    view.Limit(100);
    EXPECT_EQ(view.Get().size, 100u);

    OwnedView moved = std::move(view);
    EXPECT_FALSE(view);
    EXPECT_EQ(view.Get().size, 0u);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved.Get().size, 100u);
    EXPECT_EQ(moved.Get().data[0], 'x');
    moved.Reset();
    EXPECT_FALSE(moved);
    EXPECT_EQ(moved.Get().data, nullptr);

    // An empty file cannot be mapped; a failed map leaves nothing held.
    test::WriteFile(m_Dir / "empty", "");
    const OwnedFile empty(OpenForReading(m_Dir / "empty", ShareMode::Read, AccessHint::Normal));
    ASSERT_TRUE(moved.Map(file.Get()));
    EXPECT_FALSE(moved.Map(empty.Get()));
    EXPECT_FALSE(moved);
}

} // namespace
} // namespace brindle::platform
