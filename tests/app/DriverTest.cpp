// The driver: configuration cases by exact console text and exit status (through the built
// program), the hand-over to the lister run and the guarantees on the script file.
#include "app/Driver.h"
#include "app/ScriptLists.h"
#include "app/ScriptOutput.h"
#include "app/ScriptWriter.h"
#include "app/Settings.h"
#include "platform/Process.h"
#include "platform/SystemFamily.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>
#if BRINDLE_POSIX
#include <unistd.h>
#endif

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
    std::vector<Case> cases = {
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
        {"repeated option", Settings("m") + "[settings]\nmodule=again\n",
         "\nERROR: 'multiple occurrences of option 'settings.module' in Brindlewhistler.ini'"},
        {"unreadable line", Settings("m") + "  no equals sign # at all\n",
         "\nERROR: 'Brindlewhistler.ini, line 6: neither \"name = value\", a [section] nor a comment'"},
        {"a NUL byte", Settings("m") + std::string("x=a\0b\n", 6),
         "\nERROR: 'Brindlewhistler.ini, line 6: holds a NUL byte'"},
        {"too large", Settings("m") + std::string(kMaxSettingsFileSize, '#'),
         "\nERROR: 'Brindlewhistler.ini is " + std::to_string(Settings("m").size() + kMaxSettingsFileSize) +
             " bytes; a settings file may hold at most 1048576 bytes'"},
        {"valid, with comments and undeclared names; the run then finds no module",
         "# comment\n" + Settings("m  # the module") + "nwn2-homee=typo\n[unknown]\nx=1\n",
         "Loading 'm' ...WARNING: Exception 'Couldn't locate module file.' loading module resources.  The area map "
         "may not function.\nWARNING: Exception 'Failed to open TLK file.' loading base TLK.  STRREF lookup may be "
         "unavailable.\nWARNING: Exception 'Failed to load granny2.dll' loading granny2.  Model skeletons will be "
         "unavailable.\n\nERROR: 'Failed to locate RESREF 'module''"},
    };
    // What the system says of a name too long is its own text; this is the POSIX one.
    if (BRINDLE_POSIX) {
        const std::string longName(300, 'n');
        cases.push_back({"install name longer than the system allows",
                         "settings.module=m\npaths.nwn2-install=" + Install() + "/" + longName,
                         "\nERROR: 'NWN2 install location '" + Install() + "/" + longName +
                             "' cannot be looked at: File name too long.'"});
        cases.push_back({"home name longer than the system allows",
                         "settings.module=m\npaths.nwn2-install=" + Install() + "\npaths.nwn2-home=" + Home() + "/" +
                             longName,
                         "\nERROR: 'NWN2 home location '" + Home() + "/" + longName +
                             "' cannot be looked at: File name too long.'"});
    }
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

/// A script of the tool with one list line, VK_A holding the given numbers ("1#2#").
std::string ScriptWithList(const std::string& numbers)
{
    std::string text = ScriptWriter::FixedText();
    text.insert(text.size() - 3, "\r\n\tSetLocalString( oModule, \"VK_A\", \"#" + numbers + "\" );");
    return text;
}

/// A run that writes text as its script.
ListerRun WritingRun(const std::string& text)
{
    return [text](const RunContext& run) {
        run.script << text;
        run.console.WriteText("\nIgnored Models: 0");
    };
}

TEST_F(DriverTest, ChangeSummaryFollowsTheRunAndChangesNothingWritten)
{
    struct Case {
        const char* what;
        std::string earlier; // empty: none
        std::string console;
    };
    const Case cases[] = {
        {"no earlier script", "", "\nIgnored Models: 0"},
        {"same lists", ScriptWithList("1#2#"), "\nIgnored Models: 0\n\nNo change since the previous script."},
        {"other lists", ScriptWithList("1#5#"),
         "\nIgnored Models: 0\n\nChanges since the previous script:\n  VK_A: +2 -5"},
        {"not a script", "earlier script\r\n",
         "\nIgnored Models: 0\n\nThe previous zorvmantle_set_constants.NSS was not compared: it is not a script "
         "this tool writes."},
    };
    const std::string made = ScriptWithList("1#2#");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_Work / kScriptFileName);
        if (!c.earlier.empty())
            test::WriteFile(m_Work / kScriptFileName, c.earlier);
        test::WriteFile(m_Work / kSettingsFileName, Settings("m"));
        test::RecordingTextOut console;
        EXPECT_EQ(RunDriver(console, WritingRun(made), m_Work.Path()), 0);
        EXPECT_EQ(console.Text(), c.console);
        EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), made);
    }
}

TEST_F(DriverTest, CheckWritesNothingAndTellsByItsStatus)
{
    struct Case {
        const char* what;
        std::string earlier; // empty: none
        ListerRun run;
        int status;
        std::string console;
    };
    const std::string made = ScriptWithList("1#2#");
    const Case cases[] = {
        {"same bytes", made, WritingRun(made), kCheckUnchanged,
         "\nIgnored Models: 0\n\nNo change since the previous script."},
        // The same lists with other line ends: the file would still change.
        {"LF line ends",
         [&] {
             std::string lf = made;
             lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
             return lf;
         }(),
         WritingRun(made), kCheckWouldChange, "\nIgnored Models: 0\n\nNo change since the previous script."},
        {"other lists", ScriptWithList("2#"), WritingRun(made), kCheckWouldChange,
         "\nIgnored Models: 0\n\nChanges since the previous script:\n  VK_A: +1"},
        {"no script in place", "", WritingRun(made), kCheckWouldChange,
         "\nIgnored Models: 0\n\nNo zorvmantle_set_constants.NSS in place: a run would write one."},
        {"failed run", made, [](const RunContext&) { throw std::runtime_error("Failed to open GFF file."); },
         kCheckFailed, "\nERROR: 'Failed to open GFF file.'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_Work / kScriptFileName);
        if (!c.earlier.empty())
            test::WriteFile(m_Work / kScriptFileName, c.earlier);
        // A report asked for is not made either.
        test::WriteFile(m_Work / kSettingsFileName, Settings("m") + "[settings]\nreport=r\n");
        const std::vector<std::string> before = Entries(m_Work.Path());
        test::RecordingTextOut console;
        EXPECT_EQ(RunDriver(console, c.run, m_Work.Path(), RunMode::Check), c.status);
        EXPECT_EQ(console.Text(), c.console);
        EXPECT_EQ(Entries(m_Work.Path()), before);
        if (!c.earlier.empty()) {
            EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), c.earlier);
        }
    }

    // Stopped by the checks: failed as well.
    std::filesystem::remove(m_Work / kSettingsFileName);
    test::RecordingTextOut console;
    EXPECT_EQ(RunDriver(console, WritingRun(made), m_Work.Path(), RunMode::Check), kCheckFailed);
    EXPECT_EQ(console.Text(), "\nERROR: 'Module not set.'");
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

/// The id of a process that has ended: the tool's own, run where it stops at its first check.
unsigned long DeadProcessId()
{
    const test::ScopedTempDir empty;
    test::ChildProcess child(BRINDLE_EXECUTABLE, empty.Path());
    child.ReadAll();
    child.Finish();
    return child.Id();
}

TEST_F(DriverTest, TemporaryScriptOnlyWhileWrittenAndDeadWritersLeftoversRemoved)
{
    const std::string script = kScriptFileName;
    const std::string dead = std::to_string(DeadProcessId());
    const std::string live = std::to_string(platform::CurrentProcessId());
    ASSERT_TRUE(platform::IsProcessAlive(std::stoul(live)));
    ASSERT_FALSE(platform::IsProcessAlive(std::stoul(dead))) << "the ended child's id " << dead;
    const std::string removed = script + ".tmp" + dead + "-abcd1234";
    std::vector<std::string> kept = {
        script + ".tmp" + live + "-abcd1234", // a live writer's
        script + ".tmpabcd1234",              // named as before writers were named
        script + ".tmp" + dead + "-abcd123",  // random part too short
        script + ".tmp" + dead + "-abcD1234", // a letter the random part never has
        script + ".tmp0" + dead + "-abcd1234",
        script + ".tmp" + dead + "-abcd1234.bak",
        "other.NSS.tmp" + dead + "-abcd1234",
    };
    for (const std::string& name : kept)
        test::WriteFile(m_Work / name, "left");
    test::WriteFile(m_Work / removed, "left");
    kept.push_back(script + ".tmp" + dead + "-folder00");
    test::MakeDirectories(m_Work / kept.back());
#if BRINDLE_POSIX
    kept.push_back(script + ".tmp" + dead + "-symlink0");
    std::filesystem::create_symlink(removed, m_Work / kept.back());
    if (::geteuid() == 0) {
        kept.push_back(script + ".tmp" + dead + "-nobody00");
        test::WriteFile(m_Work / kept.back(), "another user's");
        ASSERT_EQ(::chown((m_Work / kept.back()).c_str(), 65534, 65534), 0);
    }
#endif
    test::WriteFile(m_Work / kSettingsFileName, Settings("m"));
    kept.push_back(kSettingsFileName);
    std::sort(kept.begin(), kept.end());

    test::RecordingTextOut console;
    bool ran = false;
    RunDriver(
        console,
        [&](const RunContext& run) {
            ran = true;
            // The dead writer's file is gone before the run, and the run's own is not made yet.
            EXPECT_EQ(Entries(m_Work.Path()), kept);
            run.script << "text\r\n";
        },
        m_Work.Path());
    EXPECT_TRUE(ran);
    EXPECT_EQ(console.Text(), "");
    EXPECT_EQ(test::ReadFile(m_Work / kScriptFileName), "text\r\n");
    kept.push_back(script);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Entries(m_Work.Path()), kept);
}

TEST_F(DriverTest, FolderTheScriptCannotBeWrittenInFailsBeforeTheRun)
{
#if !BRINDLE_POSIX
    GTEST_SKIP() << "builds a path near the POSIX length limit, far beyond the Windows one";
#else
    // Refused to root as well: the settings file's path fits the system's limit, the temporary
    // script's does not.
    std::string folder = m_Work.Path();
    while (folder.size() < 4060)
        folder += "/" + std::string(std::min<std::size_t>(200, 4060 - folder.size() - 1), 'd');
    test::MakeDirectories(folder);
    test::WriteFile(folder + "/" + kSettingsFileName, Settings("m"));
    test::RecordingTextOut console;
    bool ran = false;
    RunDriver(console, [&](const RunContext&) { ran = true; }, folder);
    EXPECT_FALSE(ran);
    EXPECT_EQ(console.Text(), "\nERROR: 'Failed to write zorvmantle_set_constants.NSS.'");
    EXPECT_EQ(Entries(folder), std::vector<std::string>{kSettingsFileName});
#endif
}

TEST_F(DriverTest, RunOutOfMemoryIsAMachineFailure)
{
    test::WriteFile(m_Work / kSettingsFileName, Settings("m"));
    test::RecordingTextOut console;
    EXPECT_EQ(RunDriver(console, [](const RunContext&) { throw std::bad_alloc(); }, m_Work.Path()), 1);
    EXPECT_EQ(console.Text(), "\nERROR: 'Not enough memory to finish the run: " +
                                  std::make_error_code(std::errc::not_enough_memory).message() + "'");
    EXPECT_EQ(Entries(m_Work.Path()), (std::vector<std::string>{kSettingsFileName}));
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
