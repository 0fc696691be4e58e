// Atomic script output: the earlier script survives until a finished one replaces it, and every
// failure to create, write or rename is reported with one fixed text.
#include "app/ScriptOutput.h"
#include "platform/SystemFailure.h"
#include "platform/SystemFamily.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#if BRINDLE_POSIX
#include <sys/resource.h>
#endif

namespace brindle {
namespace {

std::size_t EntryCount(const std::string& dir)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++count;
    return count;
}

void ExpectWriteFailed(const std::function<void()>& action,
                       const char* text = "Failed to write zorvmantle_set_constants.NSS.")
{
    try {
        action();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), text);
    }
}

TEST(ScriptOutputTest, NothingBesideTheScriptUntilCommitted)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / kScriptFileName, "old");
    {
        ScriptOutput output(dir.Path());
        EXPECT_EQ(output.FinalPath(), dir / kScriptFileName);
        output.Stream() << "line one\r\n" << 42 << "\r\n";
        output.Stream().flush();
        // The text is kept in memory: no temporary file waits beside the script.
        EXPECT_EQ(EntryCount(dir.Path()), 1u);
        EXPECT_EQ(test::ReadFile(dir / kScriptFileName), "old");
        output.Commit();
        EXPECT_EQ(EntryCount(dir.Path()), 1u);
    }
    // Bytes go out as written: no line-end translation.
    EXPECT_EQ(test::ReadFile(dir / kScriptFileName), "line one\r\n42\r\n");
}

// The text is made room for from the script in place; what is written is all the text holds,
// shorter or longer than that room.
TEST(ScriptOutputTest, TextIsWhatWasWrittenWhateverTheEarlierScript)
{
    const std::optional<std::size_t> earlierSizes[] = {std::nullopt, 0, 10, 100000};
    const std::string texts[] = {"abc", std::string(300000, 'n')};
    for (const std::optional<std::size_t> earlier : earlierSizes) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(testing::Message() << (earlier ? std::to_string(*earlier) : "none") << " / " << text.size());
            test::ScopedTempDir dir;
            if (earlier)
                test::WriteFile(dir / kScriptFileName, std::string(*earlier, 'o'));
            ScriptOutput output(dir.Path());
            output.Stream() << text;
            EXPECT_EQ(output.Text(), text);
            output.Commit();
            EXPECT_EQ(test::ReadFile(dir / kScriptFileName), text);
        }
    }
}

TEST(ScriptOutputTest, UncommittedOutputIsRemoved)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / kScriptFileName, "old");
    {
        ScriptOutput output(dir.Path());
        output.Stream() << std::string(200000, 'y');
    }
    EXPECT_EQ(test::ReadFile(dir / kScriptFileName), "old");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(ScriptOutputTest, CannotCreate)
{
    test::ScopedTempDir dir;
    ExpectWriteFailed([&] { ScriptOutput output(dir / "no-such-folder"); });
}

TEST(ScriptOutputTest, CannotRename)
{
    test::ScopedTempDir dir;
    test::MakeDirectories(dir / kScriptFileName + "/inside");
    ScriptOutput output(dir.Path());
    output.Stream() << "text";
    ExpectWriteFailed([&] { output.Commit(); });
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(dir / kScriptFileName));
}

TEST(ScriptOutputTest, CannotWrite)
{
#if !BRINDLE_POSIX
    GTEST_SKIP() << "needs a per-process file-size limit (RLIMIT_FSIZE), which Windows lacks";
#else
    // A file-size limit makes the writes fail the way a full disk does.
    test::ScopedTempDir dir;
    test::WriteFile(dir / kScriptFileName, "old");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* const previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    {
        ScriptOutput output(dir.Path());
        output.Stream() << std::string(300000, 'z');
        // The machine's failure, with its reason: it ends the run.
        try {
            output.Commit();
            ADD_FAILURE() << "no error";
        } catch (const platform::SystemFailure& e) {
            EXPECT_STREQ(e.what(), "Failed to write zorvmantle_set_constants.NSS: File too large");
        }
    }
    // A folder that is not there is not the machine's failure: the plain text.
    ExpectWriteFailed([&] { ScriptOutput output(dir / "missing"); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(test::ReadFile(dir / kScriptFileName), "old");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
#endif
}

} // namespace
} // namespace brindle
