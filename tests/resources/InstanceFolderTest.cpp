// The instance folder on its own: the path it names, whether it can be used, and why not.
#include "platform/Process.h"
#include "platform/SystemFamily.h"
#include "resources/InstanceFolder.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brindle {
namespace {

namespace fs = std::filesystem;

std::string OwnName()
{
    return std::string(kInstanceNamePrefix) + std::to_string(platform::CurrentProcessId());
}

TEST(InstanceFolderTest, LeftoversOfAnEarlierRunWithOurIdAreEmptiedSilently)
{
    const test::ScopedTmpdirOverride tmp;
    test::RecordingTextOut out;
    const std::string own = tmp / OwnName();
    test::WriteFile(own + "/left.2da", "x");
    {
        const InstanceFolder folder(&out);
        EXPECT_EQ(folder.Path(), own + "/");
        EXPECT_TRUE(folder.Usable());
        EXPECT_FALSE(folder.Error());
        EXPECT_TRUE(fs::is_empty(own));
    }
    EXPECT_EQ(out.Text(), "");
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

#if BRINDLE_POSIX
TEST(InstanceFolderTest, TellsWhetherItCanBeUsedAndWhyNot)
{
    struct Case {
        const char* what;
        int takenMarkers;   ///< names whose marker is a directory, from the first on
        bool openFolder;    ///< our folder is there already, writable by the group
        const char* suffix; ///< of the path after our own name
        std::error_code error;
    };
    const Case cases[] = {
        {"first name taken: the failure on it is forgotten", 1, false, "_1/", {}},
        {"every name taken: the last failure stays", 16, false, "/", std::make_error_code(std::errc::is_a_directory)},
        {"our folder open to others", 0, true, "/", std::make_error_code(std::errc::file_exists)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const test::ScopedTmpdirOverride tmp;
        const std::string own = tmp / OwnName();
        for (int n = 0; n < c.takenMarkers; ++n)
            fs::create_directory(n == 0 ? own + ".lock" : own + "_" + std::to_string(n) + ".lock");
        if (c.openFolder) {
            fs::create_directory(own);
            fs::permissions(own, fs::perms::group_write, fs::perm_options::add);
        }
        const InstanceFolder folder(nullptr);
        EXPECT_EQ(folder.Path(), own + c.suffix);
        EXPECT_EQ(folder.Usable(), !c.error);
        EXPECT_EQ(folder.Error(), c.error);
    }
}
#endif

} // namespace
} // namespace brindle
