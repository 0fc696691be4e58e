// A view narrowed to fewer bytes than were mapped still gives back every page it mapped.
#include "platform/File.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

namespace brindle::platform {
namespace {

TEST(FileOwnersPosixTest, NarrowedViewUnmapsEveryPage)
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    test::ScopedTempDir dir;
    test::WriteFile(dir / "data", std::string(3 * page, 'x'));
    const OwnedFile file(OpenForReading(dir / "data", ShareMode::Read, AccessHint::Normal));
    OwnedView view;
    ASSERT_TRUE(view.Map(file.Get()));
    auto* base = const_cast<unsigned char*>(view.Get().data);
    view.Limit(1); // as when the file shrank between the mapping and the size query
    view.Reset();
    // msync refuses a range that is no longer mapped.
    for (std::size_t i = 0; i < 3; ++i) {
        errno = 0;
        EXPECT_EQ(::msync(base + i * page, page, MS_ASYNC), -1) << "page " << i;
        EXPECT_EQ(errno, ENOMEM) << "page " << i;
    }
}

} // namespace
} // namespace brindle::platform
