// The manager as an instance: its working directory and liveness marker, the sweep of defunct
// instances, and the leak warnings of unloading.
#include "platform/Process.h"
#include "platform/SystemFailure.h"
#include "platform/SystemFamily.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/MemoryArchive.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <filesystem>
#if BRINDLE_POSIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace brindle {
namespace {

namespace fs = std::filesystem;

std::string OwnInstanceName()
{
    return "NWN2Hovlar_" + std::to_string(platform::CurrentProcessId());
}

std::string CleaningUp(const std::string& name)
{
    return "Cleaning up defunct resource manager instance '" + name + "'...\n";
}

class ResourceManagerInstanceTest : public ::testing::Test {
protected:
    test::ScopedTmpdirOverride m_Tmp;
    test::RecordingTextOut m_Out;
};

TEST_F(ResourceManagerInstanceTest, PrivateDirectoryAndMarkerLiveExactlyAsLongAsTheManager)
{
    const std::string directory = m_Tmp / OwnInstanceName();
    {
        ResourceManager manager(&m_Out);
        EXPECT_EQ(manager.GetInstanceDirectory(), directory + "/");
        EXPECT_TRUE(fs::is_directory(directory));
#if BRINDLE_POSIX
        // Owner-only, beside its lock file (a Windows marker is a named event, not a file).
        struct stat st {};
        ASSERT_EQ(::lstat(directory.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_TRUE(fs::exists(directory + ".lock"));
#endif
    }
    // A finished run leaves nothing behind.
    EXPECT_TRUE(fs::is_empty(m_Tmp.Path()));
    EXPECT_TRUE(m_Out.Writes().empty());
}

TEST_F(ResourceManagerInstanceTest, SweepsOnlyDefunctInstanceDirectories)
{
    // Defunct: no marker. Its files go; a non-empty subdirectory keeps it in place.
    test::WriteFile(m_Tmp / "NWN2Hovlar_99999/gender.2da", "x");
    test::WriteFile(m_Tmp / "NWN2Hovlar_99998/gender.2da", "x");
    test::WriteFile(m_Tmp / "NWN2Hovlar_99998/sub/inner.2da", "x");
    // Not candidates: a plain file, a name with an extension, a link to someone's folder.
    test::WriteFile(m_Tmp / "NWN2Hovlar_5", "plain");
    test::WriteFile(m_Tmp / "NWN2Hovlar_6.old/keep.txt", "x");
    test::WriteFile(m_Tmp / "victim/precious.txt", "x");
    std::error_code linkError;
    fs::create_directory_symlink(m_Tmp / "victim", m_Tmp / "NWN2Hovlar_7", linkError);
    // A stale marker beside a defunct directory goes with it.
    test::WriteFile(m_Tmp / "NWN2Hovlar_99999.lock", "");

    { ResourceManager manager(&m_Out); }

    EXPECT_EQ(m_Out.Text(), CleaningUp("NWN2Hovlar_99998") + CleaningUp("NWN2Hovlar_99999"));
    EXPECT_FALSE(fs::exists(m_Tmp / "NWN2Hovlar_99999"));
#if BRINDLE_POSIX
    EXPECT_FALSE(fs::exists(m_Tmp / "NWN2Hovlar_99999.lock"));
#endif
    EXPECT_FALSE(fs::exists(m_Tmp / "NWN2Hovlar_99998/gender.2da"));
    EXPECT_TRUE(fs::exists(m_Tmp / "NWN2Hovlar_99998/sub/inner.2da"));
    EXPECT_EQ(test::ReadFile(m_Tmp / "NWN2Hovlar_5"), "plain");
    EXPECT_TRUE(fs::exists(m_Tmp / "NWN2Hovlar_6.old/keep.txt"));
    EXPECT_TRUE(linkError || fs::is_symlink(m_Tmp / "NWN2Hovlar_7"));
    EXPECT_TRUE(fs::exists(m_Tmp / "victim/precious.txt"));
}

TEST_F(ResourceManagerInstanceTest, ForeignInstanceDirectoryIsNeitherUsedNorEmptied)
{
#if !BRINDLE_POSIX
    GTEST_SKIP() << "planting a foreign instance needs symbolic links and group permissions";
#else
    struct Case {
        const char* name;
        void (*plant)(const test::ScopedTmpdirOverride&, const std::string& instance);
    };
    const Case cases[] = {
        {"link to a folder",
         [](const test::ScopedTmpdirOverride& tmp, const std::string& instance) {
             fs::create_symlink(tmp / "victim", instance);
         }},
        {"group-writable directory",
         [](const test::ScopedTmpdirOverride&, const std::string& instance) {
             fs::create_directory(instance);
             fs::permissions(instance, fs::perms::group_write, fs::perm_options::add);
             test::WriteFile(instance + "/victim.mdb", "x");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string instance = m_Tmp / OwnInstanceName();
        fs::remove_all(instance);
        test::WriteFile(m_Tmp / "victim/res.mdb", "precious");
        c.plant(m_Tmp, instance);
        {
            ResourceManager manager(&m_Out);
            auto archive = std::make_shared<test::MemoryArchive>();
            archive->Add("res", ResTypeMdb, "copy");
            manager.AttachArchive(ResourceManager::TierArchive, archive);
            manager.BuildResourceIndex();
            // A temporary folder that cannot be had ends the run, with the reason.
            test::ExpectThrowText<platform::SystemFailure>(
                [&] { manager.Demand("res", ResTypeMdb); },
                "Failed to create the temporary folder '" + instance + "/': File exists");
            EXPECT_EQ(m_Out.Text(), "");
        }
        EXPECT_EQ(test::ReadFile(m_Tmp / "victim/res.mdb"), "precious");
        EXPECT_TRUE(fs::exists(instance));
        fs::remove_all(instance);
    }
#endif
}

#if BRINDLE_POSIX
/// Ways a marker can be there without being ours to take: held by a live process (the same id in
/// another PID namespace), planted by another user, or not a file at all.
struct ForeignMarker {
    const char* what;
    void (*plant)(const std::string& marker, std::vector<int>& held);
};

const ForeignMarker kForeignMarkers[] = {
    {"held by a live process",
     [](const std::string& marker, std::vector<int>& held) {
         // A lock through another open file description conflicts even within one process.
         const int fd = ::open(marker.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
         ASSERT_GE(fd, 0);
         ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
         held.push_back(fd);
     }},
    {"planted by another user",
     [](const std::string& marker, std::vector<int>&) {
         test::WriteFile(marker, "");
         ASSERT_EQ(::chown(marker.c_str(), 12345, 12345), 0) << "needs to run as root";
         ::chmod(marker.c_str(), 0644);
     }},
    {"a directory", [](const std::string& marker, std::vector<int>&) { fs::create_directory(marker); }},
    {"a link", [](const std::string& marker, std::vector<int>&) { fs::create_symlink("/dev/null", marker); }},
};

TEST_F(ResourceManagerInstanceTest, MarkerThatIsNotOursKeepsItsDirectoryUntouched)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting a marker of another user needs root";
    for (const ForeignMarker& foreign : kForeignMarkers) {
        SCOPED_TRACE(foreign.what);
        // Our own name is taken: the run moves to the next name and leaves that directory alone.
        const std::string own = m_Tmp / OwnInstanceName();
        test::WriteFile(own + "/live.2da", "in use");
        std::vector<int> held;
        foreign.plant(own + ".lock", held);
        // Another instance whose marker is not ours to judge is not swept either.
        test::WriteFile(m_Tmp / "NWN2Hovlar_424242/live.2da", "in use");
        foreign.plant(m_Tmp / "NWN2Hovlar_424242.lock", held);
        {
            ResourceManager manager(&m_Out);
            EXPECT_EQ(manager.GetInstanceDirectory(), own + "_1/");
            EXPECT_TRUE(fs::is_directory(own + "_1"));
        }
        EXPECT_EQ(m_Out.Text(), "");
        EXPECT_EQ(test::ReadFile(own + "/live.2da"), "in use");
        EXPECT_EQ(test::ReadFile(m_Tmp / "NWN2Hovlar_424242/live.2da"), "in use");
        EXPECT_FALSE(fs::exists(own + "_1"));
        EXPECT_FALSE(fs::exists(own + "_1.lock"));
        for (const int fd : held)
            ::close(fd);
        for (const auto& item : fs::directory_iterator(m_Tmp.Path()))
            fs::remove_all(item.path());
        m_Out.Clear();
    }
}

TEST_F(ResourceManagerInstanceTest, MarkerWithoutItsDirectoryIsRemovedOnlyWhenStale)
{
    // A run killed between taking its marker and making its directory leaves only the marker.
    test::WriteFile(m_Tmp / "NWN2Hovlar_424243.lock", "");
    // One that is still starting holds it.
    const int starting = ::open((m_Tmp / "NWN2Hovlar_424244.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(starting, 0);
    ASSERT_EQ(::flock(starting, LOCK_EX | LOCK_NB), 0);
    // Not a marker of ours: a link.
    fs::create_symlink("/dev/null", m_Tmp / "NWN2Hovlar_424245.lock");

    { ResourceManager manager(&m_Out); }

    EXPECT_EQ(m_Out.Text(), "");
    EXPECT_FALSE(fs::exists(m_Tmp / "NWN2Hovlar_424243.lock"));
    // With no name left to take, the run goes on without a working directory of its own.
    const std::string own = m_Tmp / OwnInstanceName();
    std::vector<std::string> taken = {own + ".lock"};
    for (int n = 1; n < 16; ++n)
        taken.push_back(own + "_" + std::to_string(n) + ".lock");
    for (const std::string& marker : taken)
        fs::create_directory(marker);
    test::WriteFile(m_Tmp / "NWN2Hovlar_424247/left.2da", "x");
    {
        ResourceManager manager(nullptr); // a manager without text output sweeps silently
        EXPECT_FALSE(fs::exists(m_Tmp / "NWN2Hovlar_424247"));
        auto archive = std::make_shared<test::MemoryArchive>();
        archive->Add("res", ResTypeMdb, "copy");
        manager.AttachArchive(ResourceManager::TierArchive, archive);
        manager.BuildResourceIndex();
        EXPECT_THROW(manager.Demand("res", ResTypeMdb), std::runtime_error);
        EXPECT_FALSE(fs::exists(own));
    }
    for (const std::string& marker : taken)
        fs::remove(marker);
    EXPECT_TRUE(fs::exists(m_Tmp / "NWN2Hovlar_424244.lock"));
    EXPECT_TRUE(fs::is_symlink(m_Tmp / "NWN2Hovlar_424245.lock"));
    ::close(starting);
}
#endif

TEST_F(ResourceManagerInstanceTest, LeakedHandlesThenLeakedDemandsAreReportedAndReleased)
{
    auto archive = std::make_shared<test::MemoryArchive>();
    archive->Add("a", ResTypeMdb, "1").Add("b", ResTypeMdb, "2").Add("gender", ResType2da, "3");
    std::string copy;
    {
        ResourceManager manager(&m_Out);
        manager.AttachArchive(ResourceManager::TierArchive, archive);
        manager.BuildResourceIndex();
        ASSERT_EQ(manager.OpenFileByIndex(0), 1u);
        ASSERT_EQ(manager.OpenFileByIndex(1), 2u);
        ASSERT_EQ(manager.OpenFileByIndex(2), 3u);
        manager.CloseFile(2);
        copy = manager.Demand("gender", ResType2da);
        manager.Demand("gender", ResType2da);
    }
    EXPECT_EQ(m_Out.Text(), "WARNING: Closing leaked ResourceManager handle 00000001\n"
                            "WARNING: Closing leaked ResourceManager handle 00000003\n"
                            "WARNING: Unloading leaked resource '" +
                                copy + "' (2 refs)...\n");
    EXPECT_TRUE(archive->OpenHandles().empty());
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(fs::is_empty(m_Tmp.Path()));
}

} // namespace
} // namespace brindle
