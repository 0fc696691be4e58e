// The driver: configuration cases by exact console text and exit status (through the built
// program), the hand-over to the lister run and the guarantees on the script file.
#include "app/Driver.h"
#include "app/ScriptOutput.h"
#include "app/Settings.h"
#include "platform/SystemFamily.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace brindle {
namespace {

/// Names in dir, sorted.
std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest()
    {
        test::MakeDirectories(m_Game / "install");
        test::MakeDirectories(m_Game / "home");
        test::WriteFile(m_Game / "plain-file", "not a directory");
    }

    std::string Install() const { return m_Game / "install"; }
    std::string Home() const { return m_Game / "home"; }
    std::string Missing() const { return m_Game / "missing"; }
    std::string Settings(const std::string& module) const
    {
        return "[settings]\nmodule=" + module + "\n[paths]\nnwn2-install=" + Install() + "\nnwn2-home=" + Home() +
               "\n";
    }

    test::ScopedTempDir m_Work;
    test::ScopedTempDir m_Game;
};

TEST_F(DriverTest, ConfigurationCasesOfTheBuiltProgram)
{
    struct Case {
        const char* what;
        std::string settings; // empty: no configuration file at all
        std::string console;
    };
    const Case cases[] = {
        {"no file", "", "\nERROR: 'Module not set.'"},
        {"empty module", "settings.module=\n", "\nERROR: 'Module not set.'"},
        {"both paths missing", "settings.module=m\n", "\nERROR: 'NWN2 install location not set.'"},
        {"install does not exist", "settings.module=m\npaths.nwn2-install=" + Missing() + "\npaths.nwn2-home=" + Home(),
         "\nERROR: 'NWN2 install location does not exist.'"},
        {"install is a plain file, home missing", "settings.module=m\npaths.nwn2-install=" + (m_Game / "plain-file"),
         "\nERROR: 'NWN2 home location not set.'"},
        {"home does not exist", "settings.module=m\npaths.nwn2-install=" + Install() + "\npaths.nwn2-home=" + Missing(),
         "\nERROR: 'NWN2 home location does not exist.'"},
        {"install checked before home is read", "settings.module=m\npaths.nwn2-install=" + Missing(),
         "\nERROR: 'NWN2 install location does not exist.'"},
        {"repeated option", Settings("m") + "[settings]\nmodule=again\n", "\nERROR: 'multiple occurrences'"},
        {"unreadable line", Settings("m") + "no equals sign\n",
         "\nERROR: 'the options configuration file contains an invalid line 'no equals sign''"},
        {"valid, with comments and undeclared names; the run then finds no module",
         "# comment\n" + Settings("m  # the module") + "nwn2-homee=typo\n[unknown]\nx=1\n",
         "Loading 'm' ...WARNING: Exception 'Couldn't locate module file.' loading module resources.  The area map "
         "may not function.\nWARNING: Exception 'Failed to open TLK file.' loading base TLK.  STRREF lookup may be "
         "unavailable.\nWARNING: Exception 'Failed to load granny2.dll' loading granny2.  Model skeletons will be "
         "unavailable.\n\nERROR: 'Failed to locate RESREF 'module''"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_Work / kSettingsFileName);
        if (!c.settings.empty())
            test::WriteFile(m_Work / kSettingsFileName, c.settings);
        const test::ProgramResult result = test::RunProgram(BRINDLE_EXECUTABLE, m_Work.Path());
        EXPECT_EQ(result.output, c.console);
        EXPECT_EQ(result.exitStatus, 0);
        // No run completes here, so no script (and no temporary file) appears.
        const std::vector<std::string> expected =
            c.settings.empty() ? std::vector<std::string>{} : std::vector<std::string>{kSettingsFileName};
        EXPECT_EQ(Entries(m_Work.Path()), expected);
    }
}

TEST_F(DriverTest, UnreadableFileAndHomeRelativePaths)
{
    // A configuration file that is there but cannot be read is named before the usual checks.
    test::MakeDirectories(m_Work / kSettingsFileName);
    const test::ProgramResult result = test::RunProgram(BRINDLE_EXECUTABLE, m_Work.Path());
    EXPECT_EQ(result.output, "WARNING: Brindlewhistler.ini exists but cannot be read.\n\nERROR: 'Module not set.'");
    std::filesystem::remove(m_Work / kSettingsFileName);

#if BRINDLE_POSIX
    // "~/" starts from $HOME.
    test::WriteFile(m_Work / kSettingsFileName, "[settings]\nmodule=m\n[paths]\nnwn2-install=~/install\n"
                                                "nwn2-home=~/home\n");
    const char* previous = std::getenv("HOME");
    const std::string savedHome = previous != nullptr ? previous : "";
    ::setenv("HOME", (m_Game.Path() + "/").c_str(), 1);
    test::RecordingTextOut console;
    std::string install;
    std::string home;
    RunDriver(
        console,
        [&](const RunContext& context) {
            install = context.install;
            home = context.home;
        },
        m_Work.Path());
    if (previous != nullptr)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
    EXPECT_EQ(console.Text(), "");
    EXPECT_EQ(install, Install());
    EXPECT_EQ(home, Home());
#endif
}

TEST_F(DriverTest, FailingProgramLeavesAnEarlierScriptAlone)
{
    test::WriteFile(m_Work / kScriptFileName, "earlier script\r\n");
    test::WriteFile(m_Work / kSettingsFileName, "settings.module=m\n");
    const test::ProgramResult result = test::RunProgram(BRINDLE_EXECUTABLE, m_Work.Path());
    EXPECT_EQ(result.output, "\nERROR: 'NWN2 install location not set.'");
    EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), "earlier script\r\n");
}

TEST_F(DriverTest, RunReceivesTheSettingsAndItsScriptReplacesTheEarlierOne)
{
    test::WriteFile(m_Work / kScriptFileName, "earlier script\r\n");
    test::WriteFile(m_Work / kSettingsFileName, Settings("Some Module") + "[settings]\nignoresingles=1\n");
    test::RecordingTextOut console;
    bool ran = false;
    const int status = RunDriver(
        console,
        [&](const RunContext& run) {
            ran = true;
            EXPECT_EQ(&run.console, &console);
            EXPECT_EQ(run.module, "Some Module");
            EXPECT_EQ(run.install, Install());
            EXPECT_EQ(run.home, Home());
            EXPECT_TRUE(run.options.IsOn(kOptionIgnoreSingles));
            EXPECT_FALSE(run.options.IsOn(kOptionInvisibleVariations));
            // While the run writes, the earlier script is still whole.
            EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), "earlier script\r\n");
            run.script << "void main()\r\n{\r\n}\r\n" << std::string(100000, 'x');
            run.console.WriteText("Loading '%s' ...", run.module.c_str());
        },
        m_Work.Path());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(console.Text(), "Loading 'Some Module' ...");
    EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), "void main()\r\n{\r\n}\r\n" + std::string(100000, 'x'));
    EXPECT_EQ(Entries(m_Work.Path()), (std::vector<std::string>{kSettingsFileName, kScriptFileName}));
}

TEST_F(DriverTest, FailingRunReportsOnceAndLeavesNoPartialScript)
{
    struct Case {
        const char* what;
        bool earlierScript;
    };
    for (const Case& c : {Case{"with an earlier script", true}, Case{"without one", false}}) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_Work / kScriptFileName);
        if (c.earlierScript)
            test::WriteFile(m_Work / kScriptFileName, "earlier script\r\n");
        test::WriteFile(m_Work / kSettingsFileName, Settings("m"));
        test::RecordingTextOut console;
        const int status = RunDriver(
            console,
            [](const RunContext& run) {
                run.script << "half a script";
                throw std::runtime_error("Failed to open GFF file.");
            },
            m_Work.Path());
        EXPECT_EQ(status, 0);
        ASSERT_EQ(console.Writes().size(), 1u);
        EXPECT_EQ(console.Writes()[0].text, "\nERROR: 'Failed to open GFF file.'");
        EXPECT_EQ(console.Writes()[0].attribute, kDefaultTextAttribute);
        if (c.earlierScript) {
            EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), "earlier script\r\n");
            EXPECT_EQ(Entries(m_Work.Path()), (std::vector<std::string>{kSettingsFileName, kScriptFileName}));
        } else {
            EXPECT_EQ(Entries(m_Work.Path()), (std::vector<std::string>{kSettingsFileName}));
        }
    }
}

TEST_F(DriverTest, ScriptThatCannotBePutInPlaceIsAnError)
{
    // A directory where the script belongs: the finished file cannot replace it.
    test::MakeDirectories(m_Work / kScriptFileName);
    test::WriteFile(m_Work / kSettingsFileName, Settings("m"));
    test::RecordingTextOut console;
    RunDriver(console, [](const RunContext& run) { run.script << "text\r\n"; }, m_Work.Path());
    EXPECT_EQ(console.Text(), "\nERROR: 'Failed to write zorvmantle_set_constants.NSS.'");
    EXPECT_EQ(Entries(m_Work.Path()), (std::vector<std::string>{kSettingsFileName, kScriptFileName}));
}

TEST_F(DriverTest, NonStandardFailuresAreNotSwallowed)
{
    test::WriteFile(m_Work / kSettingsFileName, Settings("m"));
    test::RecordingTextOut console;
    EXPECT_THROW(RunDriver(console, [](const RunContext&) { throw 42; }, m_Work.Path()), int);
    // The temporary file went with the unwinding.
    EXPECT_EQ(Entries(m_Work.Path()), (std::vector<std::string>{kSettingsFileName}));
}

} // namespace
} // namespace brindle
