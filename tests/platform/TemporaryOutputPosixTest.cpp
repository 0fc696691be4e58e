// What an interrupt removes of the temporary output files: the ones still pending, never one that
// was kept or discarded (nor whatever took its name since), however many came before.
#include "platform/TemporaryOutput.h"

#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace brindle::platform {
namespace {

// More than the removals that can be armed at once: a kept or discarded file that stayed armed
// would use them up.
constexpr int kEnded = 20;

/// In the child of a death test: ends kEnded outputs each way, puts a file of the same name where
/// each temporary file was, then leaves one pending and raises SIGTERM. Returns only on a failure.
int EndSomeThenInterrupt(const std::string& dir)
{
    for (int i = 0; i < kEnded; ++i) {
        for (const bool keep : {true, false}) {
            TemporaryOutput output;
            if (output.Create(dir + (keep ? "/kept.tmp" : "/discarded.tmp")))
                return 1;
            const std::string temporary = output.Path();
            if (keep && output.Keep(dir + "/out" + std::to_string(i)))
                return 2;
            if (!keep)
                output.Discard();
            test::WriteFile(temporary, "stand-in");
        }
    }
    TemporaryOutput pending;
    if (pending.Create(dir + "/pending.tmp"))
        return 3;
    ::raise(SIGTERM);
    return 4;
}

int CountStartingWith(const std::string& dir, const std::string& prefix)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        count += entry.path().filename().string().starts_with(prefix) ? 1 : 0;
    return count;
}

TEST(TemporaryOutputPosixTest, InterruptRemovesOnlyThePendingFile)
{
    test::ScopedTempDir dir;
    EXPECT_EXIT(::_exit(EndSomeThenInterrupt(dir.Path())), ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(CountStartingWith(dir.Path(), "pending.tmp"), 0);
    EXPECT_EQ(CountStartingWith(dir.Path(), "kept.tmp"), kEnded);
    EXPECT_EQ(CountStartingWith(dir.Path(), "discarded.tmp"), kEnded);
    EXPECT_EQ(CountStartingWith(dir.Path(), "out"), kEnded);
}

TEST(TemporaryOutputPosixTest, FailuresGiveTheSystemsReason)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "taken", "old");
    TemporaryOutput output;
    EXPECT_EQ(output.Create(dir / "missing/out.tmp"), std::errc::no_such_file_or_directory);
    ASSERT_FALSE(output.Create(dir / "out.tmp"));
    EXPECT_EQ(output.Keep(dir / "taken", TemporaryOutput::Rename::NoReplace), std::errc::file_exists);
    ASSERT_FALSE(output.Create(dir / "out.tmp"));
    EXPECT_EQ(output.Keep(dir / "missing/out"), std::errc::no_such_file_or_directory);
    EXPECT_EQ(output.Write("x"), std::errc::bad_file_descriptor);
}

} // namespace
} // namespace brindle::platform
