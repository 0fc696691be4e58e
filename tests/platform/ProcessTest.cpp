// Process services: the temporary directory, careful deletion, and liveness between real
// processes (managers in child processes, one of them killed outright).
#include "platform/Process.h"
#include "platform/SystemFamily.h"
#include "resources/ResourceManager.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace brindle::platform {
namespace {

namespace fs = std::filesystem;

/// A child process that constructs a manager, reports that it is ready, and then waits to be told
/// to finish (or is killed).
class ManagerChild {
public:
    ManagerChild() : m_Child(BRINDLE_TEST_MANAGER_CHILD)
    {
        if (m_Child.ReadLine() != "ready")
            throw std::runtime_error("the manager child did not start");
    }

    std::string InstanceName() const { return "NWN2Hovlar_" + std::to_string(m_Child.Id()); }
    void Finish() { m_Child.Finish(); }
    void Kill() { m_Child.Kill(); }

private:
    test::ChildProcess m_Child;
};

TEST(ProcessTest, TemporaryDirectoryHonoursOnlyAUsableTmpdir)
{
    test::ScopedTmpdirOverride tmp;
    EXPECT_EQ(TemporaryDirectory(), tmp.Path() + "/");
#if BRINDLE_POSIX
    for (const std::string& bad : {std::string("relative/dir"), tmp / "missing", std::string()}) {
        ::setenv("TMPDIR", bad.c_str(), 1);
        EXPECT_EQ(TemporaryDirectory(), "/tmp/") << bad;
    }
#endif
}

TEST(ProcessTest, DeletingContentsRemovesLinksWithoutFollowingThem)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "outside/precious.txt", "x");
    test::WriteFile(dir / "target/file.bin", "x");
    test::WriteFile(dir / "target/full/inner.bin", "x");
    fs::create_directory(dir / "target/empty");
    std::error_code linkError;
    fs::create_directory_symlink(dir / "outside", dir / "target/link", linkError);
    if (linkError)
        GTEST_SKIP() << "symbolic links cannot be made here: " << linkError.message();

    DeleteDirectoryContents(dir / "target/");
    EXPECT_FALSE(fs::exists(dir / "target/file.bin"));
    EXPECT_FALSE(fs::exists(dir / "target/empty"));
    EXPECT_FALSE(fs::is_symlink(dir / "target/link"));
    EXPECT_TRUE(fs::exists(dir / "target/full/inner.bin"));
    EXPECT_TRUE(fs::exists(dir / "outside/precious.txt"));

    // Given a link itself, nothing behind it is touched.
    fs::create_directory_symlink(dir / "outside", dir / "alias");
    DeleteDirectoryContents(dir / "alias/");
    EXPECT_TRUE(fs::exists(dir / "outside/precious.txt"));
    EXPECT_FALSE(RemoveEmptyDirectory(dir / "alias"));
}

TEST(ProcessTest, MarkerIsAliveWhileHeldAndStaleOnceReleased)
{
    test::ScopedTempDir dir;
    const std::string path = dir / "marker.lock";
    OsFile stale = InvalidOsFile;
    EXPECT_FALSE(IsMarkerAlive(path, stale));
    EXPECT_EQ(stale, InvalidOsFile);

    const OsFile held = AcquireLivenessMarker(path);
    ASSERT_NE(held, InvalidOsFile);
    EXPECT_TRUE(IsMarkerAlive(path, stale));
    CloseOsFile(held); // the holder dies without cleaning up
    EXPECT_FALSE(IsMarkerAlive(path, stale));
#if BRINDLE_POSIX
    // The lock file stays behind; the prober holds it until the leftovers are gone.
    ASSERT_NE(stale, InvalidOsFile);
#endif
    ReleaseLivenessMarker(stale, path);
    EXPECT_FALSE(fs::exists(path));
}

TEST(ProcessTest, HeldMarkerReleasesWhenItGoes)
{
    test::ScopedTempDir dir;
    const std::string first = dir / "first.lock";
    const std::string second = dir / "second.lock";
    OsFile stale = InvalidOsFile;
    {
        HeldMarker marker(AcquireLivenessMarker(first), first);
        ASSERT_TRUE(marker.Held());
        EXPECT_TRUE(IsMarkerAlive(first, stale));
        // Taking another marker gives up the first.
        marker.Reset(AcquireLivenessMarker(second), second);
        EXPECT_FALSE(IsMarkerAlive(first, stale));
        EXPECT_EQ(stale, InvalidOsFile);
        EXPECT_TRUE(IsMarkerAlive(second, stale));
    }
    EXPECT_FALSE(IsMarkerAlive(second, stale));
    EXPECT_EQ(stale, InvalidOsFile);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    HeldMarker none;
    EXPECT_FALSE(none.Held());
    none.Release(); // nothing held, nothing happens
}

TEST(ProcessTest, TwoLiveManagersNeverSweepEachOther)
{
    test::ScopedTmpdirOverride tmp;
    ManagerChild child;
    const std::string childDirectory = tmp / child.InstanceName();
    ASSERT_TRUE(fs::is_directory(childDirectory));
    test::WriteFile(childDirectory + "/held.2da", "x");
    {
        test::RecordingTextOut out;
        ResourceManager manager(&out);
        EXPECT_TRUE(out.Writes().empty());
        EXPECT_TRUE(fs::exists(childDirectory + "/held.2da"));
        // The child, started second, does not sweep ours either.
        ManagerChild second;
        EXPECT_TRUE(fs::is_directory(manager.GetInstanceDirectory()));
    }
    EXPECT_TRUE(fs::exists(childDirectory + "/held.2da"));
}

TEST(ProcessTest, ManagerKilledOutrightIsSweptByTheNextOne)
{
    test::ScopedTmpdirOverride tmp;
    ManagerChild child;
    const std::string name = child.InstanceName();
    test::WriteFile(tmp / (name + "/copy.mdb"), "x");
    child.Kill();
    ASSERT_TRUE(fs::exists(tmp / name));

    test::RecordingTextOut out;
    { ResourceManager manager(&out); }
    EXPECT_EQ(out.Text(), "Cleaning up defunct resource manager instance '" + name + "'...\n");
    EXPECT_FALSE(fs::exists(tmp / name));
    EXPECT_FALSE(fs::exists(tmp / (name + ".lock")));
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

} // namespace
} // namespace brindle::platform
