// The temporary output file: kept in place (replacing or not), discarded, or gone with its owner,
// and nothing left beside the target either way.
#include "platform/TemporaryOutput.h"

#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace brindle::platform {
namespace {

std::vector<std::string> Contents(const std::string& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

enum class End { Keep, KeepIfNew, Discard, Destructor };

TEST(TemporaryOutputTest, EachEndLeavesTheTargetAsExpectedAndNothingBeside)
{
    const struct {
        const char* name;
        End end;
        const char* earlier; ///< the target's bytes beforehand; nullptr: no target
        bool fails;
        const char* after; ///< the target's bytes afterwards; nullptr: no target
    } cases[] = {
        {"keep, nothing there", End::Keep, nullptr, false, "new"},
        {"keep over a file", End::Keep, "old", false, "new"},
        {"keep if new, nothing there", End::KeepIfNew, nullptr, false, "new"},
        {"keep if new, a file there", End::KeepIfNew, "old", true, "old"},
        {"discard", End::Discard, "old", false, "old"},
        {"destructor", End::Destructor, nullptr, false, nullptr},
    };
    // Each end also with a flush started beforehand, still running or done.
    for (const auto& c : cases)
        for (const bool flushed : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (flushed ? ", flush started" : ""));
            test::ScopedTempDir dir;
            const std::string target = dir / "out.txt";
            const std::string prefix = "out.txt.tmp";
            if (c.earlier != nullptr)
                test::WriteFile(target, c.earlier);
            {
                TemporaryOutput output;
                ASSERT_FALSE(output.Create(dir / prefix));
                // The name callers sweep leftovers by: their prefix and the random part.
                const std::string leaf = output.Path().substr(dir.Path().size() + 1);
                ASSERT_EQ(leaf.size(), prefix.size() + kUniqueNameLength) << leaf;
                EXPECT_TRUE(leaf.starts_with(prefix)) << leaf;
                EXPECT_EQ(leaf.find_first_not_of(kUniqueNameLetters, prefix.size()), std::string::npos) << leaf;
                // Flushed: the first bytes flushed, the last written while the flush may still run.
                ASSERT_FALSE(output.Write(flushed ? "ne" : "new"));
                if (flushed) {
                    output.StartFlush();
                    output.StartFlush(); // a second start while the first runs does nothing
                    ASSERT_FALSE(output.Write("w"));
                }
                std::error_code reason;
                if (c.end == End::Keep || c.end == End::KeepIfNew)
                    reason = output.Keep(target, c.end == End::Keep ? TemporaryOutput::Rename::Replace
                                                                    : TemporaryOutput::Rename::NoReplace);
                else if (c.end == End::Discard)
                    output.Discard();
                EXPECT_EQ(static_cast<bool>(reason), c.fails) << reason.message();
                if (c.end != End::Destructor) {
                    EXPECT_EQ(output.Path(), "");
                }
            }
            EXPECT_EQ(Contents(dir.Path()),
                      c.after == nullptr ? std::vector<std::string>{} : std::vector<std::string>{"out.txt"});
            if (c.after != nullptr) {
                EXPECT_EQ(test::ReadFile(target), c.after);
            }
        }
}

TEST(TemporaryOutputTest, FailuresGiveAReasonAndLeaveNothing)
{
    test::ScopedTempDir dir;
    TemporaryOutput output;
    EXPECT_TRUE(output.Create(dir / "missing/out.tmp"));
    EXPECT_TRUE(output.Write("x"));
    EXPECT_TRUE(output.Keep(dir / "out.txt"));

    // A target that cannot be renamed to: the temporary file goes all the same.
    ASSERT_FALSE(output.Create(dir / "out.tmp"));
    EXPECT_TRUE(output.Keep(dir / "missing/out.txt"));
    EXPECT_TRUE(output.Write("x"));
    EXPECT_EQ(Contents(dir.Path()), std::vector<std::string>{});

    // A new file while the flush of the one before runs: that one goes first.
    ASSERT_FALSE(output.Create(dir / "first.tmp"));
    output.StartFlush();
    ASSERT_FALSE(output.Create(dir / "second.tmp"));
    EXPECT_EQ(Contents(dir.Path()).size(), 1u);
    EXPECT_TRUE(Contents(dir.Path()).front().starts_with("second.tmp"));
}

} // namespace
} // namespace brindle::platform
