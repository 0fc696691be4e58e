// The built program's command line: --help and --version answer and touch nothing; any other
// argument leaves the run as it is without arguments.
#include "app/CommandLine.h"
#include "app/Version.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace brindle::test {
namespace {

class CommandLineRunTest : public ::testing::Test {
protected:
    CommandLineRunTest()
    {
        MakeDirectories(m_Root / "work");
        MakeDirectories(m_Root / "tmp");
    }

    /// The program's output with the line ends a Windows console stream adds taken out.
    ProgramResult Run(const Arguments& arguments)
    {
        ProgramResult result = RunProgram(BRINDLE_EXECUTABLE, m_Root / "work", {{"TMPDIR", m_Root / "tmp"}}, arguments);
        result.output.erase(std::remove(result.output.begin(), result.output.end(), '\r'), result.output.end());
        return result;
    }

    bool Untouched() const
    {
        return std::filesystem::is_empty(m_Root / "work") && std::filesystem::is_empty(m_Root / "tmp");
    }

    ScopedTempDir m_Root;
};

TEST_F(CommandLineRunTest, HelpAndVersionAnswerWithoutARun)
{
    struct Case {
        Arguments arguments;
        std::string output;
    };
    const Case cases[] = {
        {{"--version"}, std::string("brindlewhistler ") + kVersion + "\n"},
        {{"--help"}, UsageText()},
        {{"-h"}, UsageText()},
        {{"ignored", "--help"}, UsageText()},
    };
    for (const Case& c : cases) {
        const ProgramResult result = Run(c.arguments);
        EXPECT_EQ(result.exitStatus, 0) << c.arguments[0];
        EXPECT_EQ(result.output, c.output) << c.arguments[0];
        // No script, no working folder: nothing was run.
        EXPECT_TRUE(Untouched()) << c.arguments[0];
    }
}

TEST_F(CommandLineRunTest, OtherArgumentsAreIgnored)
{
    // Without a configuration file the run stops at its first check, arguments or not.
    for (const Arguments& arguments : {Arguments{}, Arguments{"--frobnicate"}, Arguments{"-v", "Brindlewhistler.ini"}}) {
        const ProgramResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.output, "\nERROR: 'Module not set.'");
    }
}

} // namespace
} // namespace brindle::test
