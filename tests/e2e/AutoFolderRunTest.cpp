// Runs with "auto" for the game's folders: the built program with its home folder pointed at a
// scratch tree that holds a Steam library with the game and its Proton prefix.
#include "platform/SystemFamily.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/SampleGame.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace brindle::test {
namespace {

constexpr const char* kScript = "zorvmantle_set_constants.NSS";

class AutoFolderRunTest : public ::testing::Test {
protected:
    AutoFolderRunTest()
    {
        MakeDirectories(Work());
        MakeDirectories(m_Root / "tmp");
        MakeDirectories(User());
    }

    std::string Work() const { return m_Root / "work"; }
    std::string User() const { return m_Root / "user"; }

    ProgramResult Run(const std::string& work = {}, const Arguments& arguments = {}, int exitStatus = 0)
    {
        // Never the real home folder or Wine prefix of whoever runs the tests.
        ProgramResult result =
            RunProgram(BRINDLE_EXECUTABLE, work.empty() ? Work() : work,
                       {{"TMPDIR", m_Root / "tmp"}, {"HOME", User()}, {"WINEPREFIX", ""}}, arguments);
        EXPECT_EQ(result.exitStatus, exitStatus);
        return result;
    }

    /// The sample game moved into a Steam library (renamed) and its Proton prefix.
    SampleGame WriteSteamGame()
    {
        const SampleGame staged = WriteSampleGame(m_Root / "staging");
        const std::string library = User() + "/.local/share/Steam";
        SampleGame game{library + "/steamapps/common/NWN2 EE",
                        library + "/steamapps/compatdata/2738630/pfx/drive_c/users/steamuser/Documents/"
                                  "Neverwinter Nights 2",
                        staged.module};
        WriteFile(library + "/steamapps/appmanifest_2738630.acf",
                  "\"AppState\"\n{\n\t\"appid\"\t\t\"2738630\"\n\t\"installdir\"\t\t\"NWN2 EE\"\n}\n");
        MakeDirectories(std::filesystem::path(game.install).parent_path().string());
        MakeDirectories(std::filesystem::path(game.home).parent_path().string());
        std::filesystem::rename(staged.install, game.install);
        std::filesystem::rename(staged.home, game.home);
        return game;
    }

    ScopedTempDir m_Root;
};

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST_F(AutoFolderRunTest, AutoWritesTheScriptOfTheFoldersWrittenOut)
{
    if (!BRINDLE_POSIX)
        GTEST_SKIP() << "these are the Linux places; on Windows the registry and Documents folder are the system's";
    const SampleGame game = WriteSteamGame();
    const std::string written = SampleSettings(game, true, false);
    WriteFile(Work() + "/Brindlewhistler.ini", written);
    const ProgramResult plain = Run();
    const std::string script = ReadFile(Work() + "/" + kScript);
    ASSERT_NE(plain.output.find("Statistics:"), std::string::npos) << plain.output;

    const std::string found = "Found the game at '" + game.install + "' (Steam library, Enhanced Edition).\n" +
                              "Found the home folder at '" + game.home + "' (Proton prefix, Enhanced Edition).\n";
    for (const char* value : {"auto", "AUTO", "Auto"}) {
        std::filesystem::remove(Work() + "/" + kScript);
        std::string settings = Replace(written, "nwn2-install = " + game.install, std::string("nwn2-install = ") + value);
        settings = Replace(settings, "nwn2-home = " + game.home, std::string("nwn2-home = ") + value);
        WriteFile(Work() + "/Brindlewhistler.ini", Replace(settings, "[settings]\n", "[settings]\nreport = report\n"));
        const ProgramResult automatic = Run();
        EXPECT_EQ(automatic.output, found + plain.output) << value;
        EXPECT_EQ(ReadFile(Work() + "/" + kScript), script) << value;
        // The report's summary says how each folder was found.
        const std::string page = ReadFile(Work() + "/report.html");
        EXPECT_NE(page.find("found by <code>auto</code>: Steam library, Enhanced Edition"), std::string::npos);
        EXPECT_NE(page.find("found by <code>auto</code>: Proton prefix, Enhanced Edition"), std::string::npos);
    }

    // Only one of the two by auto: only its line.
    std::filesystem::remove(Work() + "/" + kScript);
    WriteFile(Work() + "/Brindlewhistler.ini", Replace(written, "nwn2-home = " + game.home, "nwn2-home = auto"));
    const ProgramResult half = Run();
    EXPECT_EQ(half.output, "Found the home folder at '" + game.home + "' (Proton prefix, Enhanced Edition).\n" +
                               plain.output);
}

TEST_F(AutoFolderRunTest, NothingFoundStopsTheRunWithEveryPlaceLooked)
{
    if (!BRINDLE_POSIX)
        GTEST_SKIP() << "these are the Linux places; on Windows the registry and Documents folder are the system's";
    WriteFile(Work() + "/" + kScript, "earlier script");
    MakeDirectories(m_Root / "home/modules");
    WriteFile(Work() + "/Brindlewhistler.ini",
              "[settings]\nmodule = M\n[paths]\nnwn2-install = auto\nnwn2-home = " + (m_Root / "home") + "\n");
    const std::string user = User();
    const std::string places = "\n  " + user + "/.local/share/Steam (not found)\n  " + user +
                               "/.steam/steam (not found)\n  " + user +
                               "/.var/app/com.valvesoftware.Steam/data/Steam (not found)\n  " + user +
                               "/snap/steam/common/.local/share/Steam (not found)\n  " + user + "/.wine (not found)";
    EXPECT_EQ(Run().output, "\nERROR: 'NWN2 install location not found by auto.'\nLooked at:" + places);
    EXPECT_EQ(ReadFile(Work() + "/" + kScript), "earlier script");

    // The home likewise, once the installation is written out.
    MakeDirectories(m_Root / "install");
    WriteFile(Work() + "/Brindlewhistler.ini",
              "[settings]\nmodule = M\n[paths]\nnwn2-install = " + (m_Root / "install") + "\nnwn2-home = auto\n");
    EXPECT_EQ(Run().output, "\nERROR: 'NWN2 home location not found by auto.'\nLooked at:" + places);
}

TEST_F(AutoFolderRunTest, InitThenAPlainRunWritesTheScriptOfAHandWrittenIni)
{
    if (!BRINDLE_POSIX)
        GTEST_SKIP() << "these are the Linux places; on Windows the registry and Documents folder are the system's";
    const SampleGame game = WriteSteamGame();
    // An older packed module and an unpacked one that has no module.ifo (no module at all).
    WriteFile(game.home + "/Modules/Older.mod", "MOD V1.0");
    std::filesystem::last_write_time(game.home + "/Modules/Older.mod",
                                     std::filesystem::last_write_time(game.home + "/Modules/SampleModule.mod") -
                                         std::chrono::hours(24));
    MakeDirectories(game.home + "/Modules/temp0");

    const std::string byHand = m_Root / "by-hand";
    MakeDirectories(byHand);
    WriteFile(byHand + "/Brindlewhistler.ini", SampleSettings(game, true, false));
    Run(byHand);
    const std::string script = ReadFile(byHand + "/" + kScript);
    ASSERT_FALSE(script.empty());

    const ProgramResult init = Run(Work(), {"--init"});
    EXPECT_EQ(init.output, "Wrote Brindlewhistler.ini:\n  module = SampleModule\n"
                           "  (1 more found, listed in the file as comments)\n"
                           "  nwn2-install = " + game.install + " (Steam library, Enhanced Edition)\n"
                           "  nwn2-home = " + game.home + " (Proton prefix, Enhanced Edition)\n"
                           "  report = brindlewhistler-report\n"
                           "Next: check these lines in Brindlewhistler.ini, then run brindlewhistler in this folder.\n");
    const std::string ini = ReadFile(Work() + "/Brindlewhistler.ini");
    EXPECT_NE(ini.find("\n#module = Older\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("temp0"), std::string::npos) << ini;

    const ProgramResult run = Run();
    EXPECT_NE(run.output.find("Statistics:"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(Work() + "/" + kScript), script);
    EXPECT_TRUE(std::filesystem::exists(Work() + "/brindlewhistler-report.html"));

    // A second --init changes nothing.
    const ProgramResult again = Run(Work(), {"--init"}, 1);
    EXPECT_EQ(again.output, "Brindlewhistler.ini already exists here; --init changed nothing.\n");
    EXPECT_EQ(ReadFile(Work() + "/Brindlewhistler.ini"), ini);
}

} // namespace
} // namespace brindle::test
