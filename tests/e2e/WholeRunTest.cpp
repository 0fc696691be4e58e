// The whole program, run as users run it: the built executable in a scratch working directory,
// with its own temporary directory, on generated game trees.
#include "platform/SystemFamily.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/GffWriter.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RealData.h"
#include "tests/support/SampleGame.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace brindle::test {
namespace {

constexpr const char* kScript = "zorvmantle_set_constants.NSS";

/// The granny2 warning every Linux run shows: the game's library is a Windows one.
constexpr const char* kGrannyWarning =
    "WARNING: Exception 'Failed to load granny2.dll' loading granny2.  Model skeletons will be unavailable.\n";

/// A run whose script is the one it replaces.
constexpr const char* kNoChange = "\n\nNo change since the previous script.";

/// An installation without dialog.tlk.
constexpr const char* kBaseTlkMissing =
    "WARNING: Exception 'Failed to open TLK file.' loading base TLK.  STRREF lookup may be unavailable.\n";

std::string Golden(const std::string& name)
{
    return ReadFile(std::string(BRINDLE_SOURCE_DIR) + "/tests/e2e/golden/" + name);
}

/// Writes the file when BRINDLE_UPDATE_GOLDEN is set, so expected files can be regenerated and
/// then reviewed by hand.
void MaybeUpdateGolden(const std::string& name, const std::string& bytes)
{
    if (std::getenv("BRINDLE_UPDATE_GOLDEN") != nullptr)
        WriteFile(std::string(BRINDLE_SOURCE_DIR) + "/tests/e2e/golden/" + name, bytes);
}

/// The script of a run that found no model at all.
std::string EmptyScript()
{
    return ReadFile(std::string(BRINDLE_SOURCE_DIR) + "/tests/app/golden/constants_empty.nss");
}

/// Every file and folder below root with its modification time.
std::map<std::string, std::filesystem::file_time_type> Times(const std::filesystem::path& root)
{
    std::map<std::string, std::filesystem::file_time_type> times{{root.string(), last_write_time(root)}};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        times[entry.path().string()] = entry.last_write_time();
    return times;
}

/// Sets every time below root a day back, so that any later write shows, however coarse the clock.
/// The Windows runtime cannot set a folder's time (it opens folders like files); those stay as they are.
void AgeEverything(const std::filesystem::path& root)
{
    for (const auto& [path, time] : Times(root)) {
        std::error_code error;
        last_write_time(path, time - std::chrono::hours(24), error);
        if (error && !(!BRINDLE_POSIX && std::filesystem::is_directory(path)))
            FAIL() << "cannot set the time of " << path << ": " << error.message();
    }
}

std::vector<std::string> ListFolder(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    return names;
}

class WholeRunTest : public ::testing::Test {
protected:
    WholeRunTest()
    {
        MakeDirectories(m_Root / "work");
        MakeDirectories(m_Root / "tmp");
    }

    std::string Work() const { return m_Root / "work"; }
    std::string Game() const { return m_Root / "game"; }

    void WriteSettings(const std::string& text) { WriteFile(Work() + "/Brindlewhistler.ini", text); }

    ProgramResult Run(const Arguments& arguments = {}, int exitStatus = 0)
    {
        ProgramResult result = RunProgram(BRINDLE_EXECUTABLE, Work(), {{"TMPDIR", m_Root / "tmp"}}, arguments);
        EXPECT_EQ(result.exitStatus, exitStatus);
        // A run, failed or not, leaves nothing in the temporary directory.
        EXPECT_TRUE(ListFolder(m_Root / "tmp").empty());
        return result;
    }

    std::string Script() const { return ReadFile(Work() + "/" + kScript); }
    bool ScriptExists() const { return std::filesystem::exists(Work() + "/" + kScript); }

    /// Checks the script and the console against golden files; after is what the console shows
    /// past the golden text (the change summary of a run that had a script before it).
    void ExpectGolden(const std::string& name, const ProgramResult& result, const std::string& after = "")
    {
        if (after.empty()) {
            MaybeUpdateGolden(name + ".NSS", Script());
            MaybeUpdateGolden(name + ".console", result.output);
        }
        EXPECT_EQ(Script(), Golden(name + ".NSS"));
        EXPECT_EQ(result.output, Golden(name + ".console") + after);
    }

    ScopedTempDir m_Root;
};

TEST_F(WholeRunTest, SampleGameWithBothListOptions)
{
    const SampleGame game = WriteSampleGame(Game());
    // Invisible values added, nothing commented out.
    WriteSettings(SampleSettings(game, true, false));
    ExpectGolden("sample_game", Run());

    // No invisible values; single-value lists commented out. Without an earlier script, so that the
    // console shows no change summary.
    std::filesystem::remove(Work() + "/" + kScript);
    WriteSettings(SampleSettings(game, false, true));
    ExpectGolden("sample_game_singles", Run());
}

TEST_F(WholeRunTest, UnpackedModuleFolderWithUpperCaseExtensions)
{
    SampleGame game = WriteSampleGame(Game());
    // The same module unpacked, as the toolset leaves it: upper-case extensions, no HAKs.
    game.module = "Unpacked";
    const std::string folder = game.home + "/Modules/Unpacked/";
    WriteFile(folder + "module.IFO", BuildModuleIfo({}, ""));
    WriteFile(folder + "area1.ARE", "ARE V3.2");
    WriteFile(folder + "P_GGF_PF_Helm05.MDB", "model");
    WriteFile(folder + "W_LSword09_C.MDB", "model");
    WriteFile(folder + "notes", "no extension");
    WriteSettings(SampleSettings(game, false, false));
    ExpectGolden("unpacked_module", Run());
}

TEST_F(WholeRunTest, DataWithoutModels)
{
    SampleGame game{Game() + "/install", Game() + "/home", "Empty"};
    WriteFile(game.home + "/Modules/Empty.mod", BuildErf({{"module", ResTypeIfo, BuildModuleIfo({}, "")}}, "MOD "));
    WriteZip(game.install + "/Data/2DA.zip", {{"gender.2da", SampleGenderTable()},
                                              {"appearance.2da", SampleAppearanceTable()},
                                              {"armorvisualdata.2da", SampleArmorVisualDataTable()},
                                              {"baseitems.2da", SampleBaseItemsTable()}});
    // No options given: without lists to write, none is needed.
    WriteSettings("[settings]\nmodule=Empty\n[paths]\nnwn2-install=" + game.install + "\nnwn2-home=" + game.home +
                  "\n");
    const ProgramResult result = Run();
    // Each of the two loads reads the talk tables; the model library is tried once.
    EXPECT_EQ(result.output, std::string("Loading 'Empty' ...") + kBaseTlkMissing + kGrannyWarning + kBaseTlkMissing +
                                 "\nParsing 2da files...\nParsing model list...\nGenerating NSS file..."
                                 "\n\nStatistics:\nWeapon Models: 0\nArmor Variations: 0\nArmor Parts: 0"
                                 "\nIgnored Models: 0");
    EXPECT_EQ(Script(), EmptyScript());
}

TEST_F(WholeRunTest, NoTablesAtAll)
{
    SampleGame game{Game() + "/install", Game() + "/home", "Bare"};
    MakeDirectories(game.install);
    WriteFile(game.home + "/Modules/Bare.mod",
              BuildErf({{"module", ResTypeIfo, BuildModuleIfo({}, "")},
                        {"P_HHM_CL_Body01", ResTypeMdb, "m"},
                        {"A_HHM_LShoulder01", ResTypeMdb, "m"},
                        {"W_LSword01_a", ResTypeMdb, "m"}},
                       "MOD "));
    WriteSettings("[settings]\nmodule=Bare\n[paths]\nnwn2-install=" + game.install + "\nnwn2-home=" + game.home + "\n");
    const ProgramResult result = Run();
    // Only the fixed entries remain: no gender, so P and A models fail; no weapon class either.
    std::string expected = std::string("Loading 'Bare' ...") + kBaseTlkMissing + kGrannyWarning + kBaseTlkMissing +
                           "\nParsing 2da files...";
    for (const char* table : {"gender", "appearance", "armorvisualdata", "baseitems"})
        expected += std::string("WARNING: Failed to access 2DA '") + table + "': exception 'Failed to locate RESREF '" +
                    table + "''.\n";
    expected += "\nParsing model list...\nGenerating NSS file...\n\nStatistics:\nWeapon Models: 0"
                "\nArmor Variations: 0\nArmor Parts: 0\nIgnored Models: 3";
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(Script(), EmptyScript());
}

TEST_F(WholeRunTest, FailingRunsKeepTheEarlierScript)
{
    WriteFile(Work() + "/" + kScript, "earlier script");

    // No configuration file at all.
    ProgramResult result = Run();
    EXPECT_EQ(result.output, "\nERROR: 'Module not set.'");
    EXPECT_EQ(Script(), "earlier script");

    // A module found nowhere: the load warns, then the module information cannot be had.
    const SampleGame game = WriteSampleGame(Game());
    SampleGame lost = game;
    lost.module = "Nowhere";
    WriteSettings(SampleSettings(lost, false, false));
    result = Run();
    EXPECT_EQ(result.output, std::string("Loading 'Nowhere' ...") +
                                 "WARNING: Exception 'Couldn't locate module file.' loading module resources.  "
                                 "The area map may not function.\n" +
                                 kGrannyWarning + "\nERROR: 'Failed to locate RESREF 'module''");
    EXPECT_EQ(Script(), "earlier script");
    EXPECT_EQ(ListFolder(Work()).size(), 2u); // the settings and the earlier script, nothing else
}

TEST_F(WholeRunTest, RealModuleInformationWithSixtyHaks)
{
    BRINDLE_REQUIRE_REALDATA(realData);
    SampleGame game = WriteSampleGame(Game());
    game.module = "ProjectM_Test1";
    const std::string folder = game.home + "/Modules/ProjectM_Test1/";
    WriteFile(folder + "module.IFO", ReadFile(realData + "/gff/projectm_test1/module.IFO"));
    // Two of the sixty HAKs are present; every other one is reported once.
    WriteFile(game.home + "/hak/csl_2da.hak", BuildErf({{"W_SSword31_a", ResTypeMdb, "m"}}));
    WriteFile(game.home + "/hak/ProjectM_2DA.HAK", BuildErf({}));
    WriteSettings(SampleSettings(game, false, false));
    const ProgramResult result = Run();

    std::istringstream lines(result.output);
    std::string line;
    int hakWarnings = 0;
    while (std::getline(lines, line))
        if (line.starts_with("WARNING: Failed to load HAK file '"))
            ++hakWarnings;
    EXPECT_EQ(hakWarnings, 58);
    EXPECT_NE(result.output.find("\nParsing model list...\nGenerating NSS file...\n\nStatistics:"), std::string::npos);
    // The model from the one HAK that is present is listed.
    EXPECT_NE(Script().find("\"VK_W_SSWORD_A\", \"#1#2#3#4#31#\""), std::string::npos);
}

TEST_F(WholeRunTest, RealTablesAndModelNames)
{
    BRINDLE_REQUIRE_REALDATA(realData);
    SampleGame game{Game() + "/install", Game() + "/home", "Real"};
    std::vector<ZipEntry> entries{
        {"2DA/gender.2da", ReadFile(realData + "/2da/nwn1_gender/gender.2da")},
        {"2DA/appearance.2da", ReadFile(realData + "/2da/projectm_csl/appearance.2da")},
        {"2DA/armorvisualdata.2da", ReadFile(realData + "/2da/projectm_csl/armorvisualdata.2da")},
        {"2DA/baseitems.2da", ReadFile(realData + "/2da/projectm_csl/baseitems.2da")}};
    std::ifstream names(realData + "/model_names.txt");
    std::string name;
    while (std::getline(names, name))
        if (!name.empty())
            entries.push_back({"Models/" + name, "m"});
    WriteZip(game.install + "/Data/Real.zip", entries);
    WriteFile(game.home + "/Modules/Real.mod", BuildErf({{"module", ResTypeIfo, BuildModuleIfo({}, "")}}, "MOD "));
    WriteSettings(SampleSettings(game, true, false));
    const ProgramResult result = Run();
    const std::size_t statistics = result.output.find("\n\nStatistics:");
    ASSERT_NE(statistics, std::string::npos) << result.output;
    std::cout << "real tables and model names:" << result.output.substr(statistics) << "\n";
    EXPECT_TRUE(Script().ends_with("\r\n}"));
}

TEST_F(WholeRunTest, ChangeSummaryAndCheck)
{
    const SampleGame game = WriteSampleGame(Game());
    WriteSettings(SampleSettings(game, true, false));
    const std::string golden = Golden("sample_game.console");

    // No script in place: a check would write one, and writes nothing itself.
    ProgramResult result = Run({"--check"}, 1);
    EXPECT_EQ(result.output, golden + "\n\nNo zorvmantle_set_constants.NSS in place: a run would write one.");
    EXPECT_EQ(ListFolder(Work()), std::vector<std::string>{"Brindlewhistler.ini"});

    // A first run prints and writes what it always did.
    ExpectGolden("sample_game", Run());

    // The same game: nothing would change and nothing is touched.
    AgeEverything(m_Root.Path());
    const auto before = Times(m_Root / "work");
    const auto gameBefore = Times(Game());
    result = Run({"--check"}, 0);
    EXPECT_EQ(result.output, golden + kNoChange);
    EXPECT_EQ(Times(m_Root / "work"), before);
    EXPECT_EQ(Times(Game()), gameBefore);

    // Two models more: a check says what would change and still writes nothing.
    WriteFile(game.home + "/override/W_LSword11_a.mdb", "model");
    WriteFile(game.home + "/override/P_HHM_CL_Body77.mdb", "model");
    AgeEverything(m_Root.Path());
    const auto changedBefore = Times(m_Root / "work");
    const std::string changes = "\n\nChanges since the previous script:\n  VK_P_HHM_CL_BODY: +77\n  VK_W_LSWORD_A: +11";
    result = Run({"--check"}, 1);
    EXPECT_NE(result.output.find("\nWeapon Models: 52\nArmor Variations: 316\n"), std::string::npos) << result.output;
    EXPECT_TRUE(result.output.ends_with(changes)) << result.output;
    EXPECT_EQ(Times(m_Root / "work"), changedBefore);
    EXPECT_EQ(Script(), Golden("sample_game.NSS"));

    // The run writes it and shows the same summary after the statistics.
    const ProgramResult written = Run();
    EXPECT_EQ(written.output, result.output);
    EXPECT_NE(Script(), Golden("sample_game.NSS"));
    const std::string upToChanges = result.output.substr(0, result.output.size() - changes.size());
    EXPECT_EQ(Run({"--check"}, 0).output, upToChanges + kNoChange);

    // A failed run is its own status, with the error line as ever.
    SampleGame lost = game;
    lost.module = "Nowhere";
    WriteSettings(SampleSettings(lost, true, false));
    result = Run({"--check"}, 2);
    EXPECT_TRUE(result.output.ends_with("\nERROR: 'Failed to locate RESREF 'module''")) << result.output;
    std::filesystem::remove(Work() + "/Brindlewhistler.ini");
    EXPECT_EQ(Run({"--check"}, 2).output, "\nERROR: 'Module not set.'");
}

/// Settings for a game with the report option added to the [settings] section.
std::string WithReport(const SampleGame& game, const std::string& report)
{
    std::string text = SampleSettings(game, true, false);
    text.insert(text.find("[paths]"), "report = " + report + "\n");
    return text;
}

std::size_t Occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

/// text with its one occurrence of from replaced by to (the test fails when there is none).
std::string ReplacedOnce(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST_F(WholeRunTest, EnhancedEditionDataAddsItsModels)
{
    const SampleGame game = WriteSampleGame(Game());
    // Found nowhere else: a loose model deep in the edition's data, and one in an archive there.
    WriteFile(game.install + "/enhanced/data/Models/NX3/W_LSword77_a.MDB", "model");
    WriteZip(game.install + "/enhanced/data/nx3_models.zip", {{"Weapons/w_lsword78_a.mdb", "model"}});
    WriteSettings(WithReport(game, "run-report"));
    const ProgramResult result = Run();
    // The same run as without the edition, with two more models in their list.
    EXPECT_EQ(Script(), ReplacedOnce(Golden("sample_game.NSS"), "\"VK_W_LSWORD_A\", \"#0#1#2#3#4#7#\"",
                                     "\"VK_W_LSWORD_A\", \"#0#1#2#3#4#7#77#78#\""));
    EXPECT_EQ(result.output, ReplacedOnce(Golden("sample_game.console"), "Weapon Models: 51", "Weapon Models: 53"));
    // The report shows the edition's two sources in their own tier, above the Data archives.
    const std::string html = ReadFile(Work() + "/run-report.html");
    const std::size_t folder = html.find("<td>enhanced</td><td>directory</td><td>install:enhanced/data</td>");
    const std::size_t archive =
        html.find("<td>enhanced</td><td>ZIP</td><td>install:enhanced/data/nx3_models.zip</td>");
    const std::size_t data = html.find("<td>Data</td><td>ZIP</td><td>install:Data/2DA.zip</td>");
    EXPECT_LT(folder, archive);
    EXPECT_LT(archive, data);
    EXPECT_NE(data, std::string::npos) << html;
    const std::string tsv = ReadFile(Work() + "/run-report.tsv");
    for (const char* row : {"w_lsword77_a\tinstall:enhanced/data\tenhanced\tweapon\tVK_W_LSWORD_A\t77\t",
                            "w_lsword78_a\tinstall:enhanced/data/nx3_models.zip\tenhanced\tweapon\tVK_W_LSWORD_A\t78\t"})
        EXPECT_NE(tsv.find(row), std::string::npos) << row << "\n" << tsv;
}

TEST_F(WholeRunTest, CampaignModuleListsItsCampaignsModels)
{
    const std::string guid("\x97\x28\xd5\xd7\xa9\x81\x8e\x43\x91\x03\xa4\x59\x6b\x77\xa0\xb7", 16);
    SampleGame game = WriteSampleGame(Game());
    game.module = "Chapter1";
    WriteFile(game.home + "/Modules/Chapter1/module.ifo",
              BuildCampaignModuleIfo({"Sample_Armor", "sample_weapons"}, guid));
    const std::string campaign = game.home + "/Campaigns/The Story/";
    WriteFile(campaign + "Campaign.cam", BuildCampaignFile(guid, "The Story"));
    WriteFile(campaign + "models/W_LSword66_a.mdb", "model");
    WriteSettings(WithReport(game, "run-report"));
    Run();
    EXPECT_NE(Script().find("\"VK_W_LSWORD_A\", \"#0#1#2#3#4#7#66#\""), std::string::npos);
    EXPECT_NE(ReadFile(Work() + "/run-report.html")
                  .find("<td>campaign</td><td>directory</td><td>home:Campaigns/The Story</td>"),
              std::string::npos);

    // Without its campaign the module is still read, and the run says what is missing.
    std::filesystem::remove(campaign + "Campaign.cam");
    const ProgramResult result = Run();
    // The module alone is loaded first, which tries the model library; the campaign comes after.
    EXPECT_EQ(result.output.rfind(std::string("Loading 'Chapter1' ...") + kGrannyWarning +
                                      "WARNING: Campaign {D7D52897-81A9-438E-9103-A4596B77A0B7} not found: no folder "
                                      "in '" + game.home + "/Campaigns' or '" + game.install +
                                      "/Campaigns' holds a campaign.cam with that GUID.  Campaign resources will be "
                                      "unavailable.\n\nParsing 2da files...",
                                  0),
              0u)
        << result.output;
    EXPECT_NE(Script().find("\"VK_W_LSWORD_A\", \"#0#1#2#3#4#7#\""), std::string::npos);
    EXPECT_NE(ReadFile(Work() + "/run-report.html")
                  .find("<td>campaign</td><td>directory</td><td>{D7D52897-81A9-438E-9103-A4596B77A0B7}</td>"),
              std::string::npos);
}

TEST_F(WholeRunTest, ReportOfTheSampleGame)
{
    const SampleGame game = WriteSampleGame(Game());
    // Without the option, or with it empty, nothing but the script is written. The second run
    // finds the first one's script.
    for (const char* settings : {"", "report =\n"}) {
        std::string text = SampleSettings(game, true, false);
        text.insert(text.find("[paths]"), settings);
        WriteSettings(text);
        const bool earlier = ScriptExists();
        ExpectGolden("sample_game", Run(), earlier ? kNoChange : "");
        EXPECT_EQ(ListFolder(Work()).size(), 2u) << settings;
    }

    // With it, console and script stay as they were and both report files follow.
    WriteSettings(WithReport(game, "run-report"));
    ExpectGolden("sample_game", Run(), kNoChange);
    const std::string tsv = ReadFile(Work() + "/run-report.tsv");
    MaybeUpdateGolden("sample_game.tsv", tsv);
    EXPECT_EQ(tsv, Golden("sample_game.tsv"));
    const std::string html = ReadFile(Work() + "/run-report.html");
    for (const char* part : {"<li>Weapon Models: 51</li>", "<li>Ignored Models: 12</li>",
                             "Winning copy: <span class=\"won\">home:hak/sample_armor.hak (HAK)</span>, 8 rows read",
                             "<li>install:Data/2DA.zip (Data)</li>", "<tr><th>VK_W_LSWORD_B</th>",
                             "Could not parse model. (", "<td>c_wolf</td><td>install:Data/NWN2_Models.zip (Data)</td>",
                             "WARNING: Exception &#39;Failed to load granny2.dll&#39; loading granny2.",
                             "<h2>Changes since the previous script</h2>\n<pre class=\"changes\">No change since the "
                             "previous script.\n</pre>"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    EXPECT_EQ(ReadFile(Work() + "/run-report.conflicts.tsv"),
              "name\ttype\twinner\tbeaten\narmorvisualdata\t2da\thome:hak/sample_armor.hak\tinstall:Data/2DA.zip\n");
    EXPECT_EQ(ListFolder(Work()).size(), 5u);
}

TEST_F(WholeRunTest, ReportListsTheCopiesOtherSourcesBeat)
{
    const SampleGame game = WriteSampleGame(Game());
    // appearance in three places, stored in three cases: the armor HAK's copy wins over the home
    // override's and the Data archive's "Appearance.2DA". The override's gender beats the archive's.
    // Both HAKs hold one model; the one listed first in the module wins.
    WriteFile(game.home + "/hak/sample_armor.hak",
              BuildErf({{"armorvisualdata", ResType2da, SampleHakArmorVisualDataTable()},
                        {"APPEARANCE", ResType2da, SampleAppearanceTable()},
                        {"W_BAxe05_a", ResTypeMdb, "model"},
                        {"P_HHM_MI_Body01", ResTypeMdb, "model"}}));
    WriteFile(game.home + "/override/appearance.2da", SampleAppearanceTable());
    WriteFile(game.home + "/override/Gender.2da", SampleGenderTable());
    WriteSettings(WithReport(game, "r"));
    Run();

    EXPECT_EQ(ReadFile(Work() + "/r.conflicts.tsv"),
              "name\ttype\twinner\tbeaten\n"
              "appearance\t2da\thome:hak/sample_armor.hak\thome:override\n"
              "appearance\t2da\thome:hak/sample_armor.hak\tinstall:Data/2DA.zip\n"
              "armorvisualdata\t2da\thome:hak/sample_armor.hak\tinstall:Data/2DA.zip\n"
              "gender\t2da\thome:override\tinstall:Data/2DA.zip\n"
              "w_baxe05_a\tmdb\thome:hak/sample_armor.hak\thome:hak/sample_weapons.hak\n");
    const std::string html = ReadFile(Work() + "/r.html");
    for (const char* part :
         {"Winning copy: <span class=\"won\">home:hak/sample_armor.hak (HAK)</span>",
          // Per beaten source, the largest count first.
          "<tr><td>install:Data/2DA.zip (Data)</td><td class=\"num\">3</td><td><details><summary>"
          "home:hak/sample_armor.hak (HAK): 2</summary><code>appearance.2da</code> <code>armorvisualdata.2da</code> "
          "</details><details><summary>home:override (override): 1</summary><code>gender.2da</code> </details></td></tr>",
          "<tr><td>home:hak/sample_weapons.hak (HAK)</td><td class=\"num\">1</td><td><details><summary>"
          "home:hak/sample_armor.hak (HAK): 1</summary><code>w_baxe05_a.mdb</code> </details></td></tr>",
          "<tr><td>home:override (override)</td><td class=\"num\">1</td>",
          // The sources table: entries, models, models won, beaten by others.
          "<td>home:hak/sample_weapons.hak</td><td class=\"num\">3</td><td class=\"num\">3</td>"
          "<td class=\"num\">2</td><td class=\"num\">1</td><td>loaded</td>"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
}

TEST_F(WholeRunTest, ReportShowsOverridesFailedHaksAndEscapedNames)
{
    SampleGame game = WriteSampleGame(Game());
    game.module = "Odd";
    WriteFile(game.home + "/Modules/Odd.mod",
              BuildErf({{"module", ResTypeIfo, BuildModuleIfo({"odd_models", "a&b", "broken"}, "")}}, "MOD "));
    WriteFile(game.home + "/hak/odd_models.hak", BuildErf({{"<script>", ResTypeMdb, "m"},
                                                           {"&amp;", ResTypeMdb, "m"},
                                                           {"W_Tab\tSword01_a", ResTypeMdb, "m"},
                                                           {"W_LSword08_\"'", ResTypeMdb, "m"}}));
    WriteFile(game.home + "/hak/broken.hak", "HAK V1.0 cut short");
    WriteFile(game.install + "/override/gender.2da", SampleGenderTable());
    // The earlier report of a failed run stays as it was.
    WriteFile(Work() + "/out/r.tsv", "earlier");
    SampleGame lost = game;
    lost.module = "Nowhere";
    WriteSettings(WithReport(lost, "out/r"));
    Run();
    EXPECT_EQ(ReadFile(Work() + "/out/r.tsv"), "earlier");
    EXPECT_FALSE(std::filesystem::exists(Work() + "/out/r.html"));

    WriteSettings(WithReport(game, "out/r"));
    const ProgramResult result = Run();
    EXPECT_EQ(Occurrences(result.output, "WARNING: Failed to load HAK file"), 2u) << result.output;
    // Archives keep names lower-cased.
    const std::string tsv = ReadFile(Work() + "/out/r.tsv");
    for (const char* line : {"&amp;\thome:hak/odd_models.hak\tHAK\tignored\t\t\tCould not parse model.\n",
                             "<script>\thome:hak/odd_models.hak\tHAK\tignored\t\t\tCould not parse model.\n",
                             "w_tab sword01_a\thome:hak/odd_models.hak\tHAK\tignored\t\t\t"})
        EXPECT_NE(tsv.find(line), std::string::npos) << line;

    const std::string html = ReadFile(Work() + "/out/r.html");
    // Only the page's own script element is one; every name from the data shows as text.
    EXPECT_EQ(Occurrences(html, "<script>"), 1u);
    for (const char* part : {"<td>&lt;script&gt;</td>", "<td>&amp;amp;</td>", "w_lsword08_&quot;&#39;",
                             "Winning copy: <span class=\"won\">install:override (override)</span>",
                             "<li>install:Data/2DA.zip (Data)</li>", "<td>home:hak/a&amp;b.hak</td>",
                             "<td>home:hak/broken.hak</td>", "<td class=\"bad\">failed: "})
        EXPECT_NE(html.find(part), std::string::npos) << part;

    // A report that cannot be written is reported; the script is in place all the same.
    WriteSettings(WithReport(game, "missing/r"));
    const ProgramResult failed = Run();
    EXPECT_TRUE(failed.output.ends_with("\nWARNING: Failed to write report 'missing/r.html'."
                                        "\nWARNING: Failed to write report 'missing/r.tsv'."
                                        "\nWARNING: Failed to write report 'missing/r.conflicts.tsv'."))
        << failed.output;
    EXPECT_TRUE(Script().ends_with("\r\n}"));

    // A folder in the page's place fails the page alone: the lists are put in place after it and
    // no temporary file stays behind.
    std::filesystem::create_directories(Work() + "/taken/r.html/inside");
    WriteSettings(WithReport(game, "taken/r"));
    const ProgramResult taken = Run();
    EXPECT_TRUE(taken.output.ends_with("\nWARNING: Failed to write report 'taken/r.html'.")) << taken.output;
    EXPECT_EQ(ReadFile(Work() + "/taken/r.tsv"), tsv);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(Work() + "/taken"))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"r.conflicts.tsv", "r.html", "r.tsv"}));
}

// Model names that read well but whose keys would hold a double quote, a backslash or a control byte
// (which would break the script's strings or end a commented line) are left out of every list and
// counted as ignored under their own reason: the script is the one without them. Names that fail
// in the libraries' conversions are shown in the report with the tool's own reasons.
TEST_F(WholeRunTest, NamesThatCannotBeWrittenInAScriptAreIgnored)
{
    SampleGame game = WriteSampleGame(Game());
    game.module = "Odd";
    WriteFile(game.home + "/Modules/Odd.mod",
              BuildErf({{"module", ResTypeIfo, BuildModuleIfo({"odd_models"}, "")}}, "MOD "));
    const std::vector<ErfEntry> plain = {{"W_LSword03_b", ResTypeMdb, "m"}};
    WriteFile(game.home + "/hak/odd_models.hak", BuildErf(plain));
    WriteSettings(WithReport(game, "r"));
    const ProgramResult reference = Run();
    const std::string referenceScript = Script();
    const std::string referenceTsv = ReadFile(Work() + "/r.tsv");

    std::vector<ErfEntry> hostile = plain;
    for (const char* name : {"W_LSword08_\"", "W_LSword09_\\", "W_LSword10_\n", "P_HHM_CL_BODY\r1", "W_\x01",
                             "P_HHM_CL_BODYX", "P_HHM"})
        hostile.push_back({name, ResTypeMdb, "m"});
    WriteFile(game.home + "/hak/odd_models.hak", BuildErf(hostile));
    const ProgramResult result = Run();
    EXPECT_EQ(Script(), referenceScript);
    const auto ignored = [](const std::string& output) {
        const std::size_t at = output.find("Ignored Models: ");
        return at == std::string::npos ? -1 : std::stoi(output.substr(at + 16));
    };
    EXPECT_EQ(ignored(result.output), ignored(reference.output) + 7) << result.output;
    const std::string tsv = ReadFile(Work() + "/r.tsv");
    EXPECT_EQ(Occurrences(tsv, "\tname cannot be written in a script\n"), 3u) << tsv;
    // The report says in its own words what the libraries' texts said in theirs.
    for (const auto& [reason, more] : {std::pair{"\tCould not gather variation from model (not a number).\n", 2u},
                                       std::pair{"\tCould not parse model (the name ends too early).\n", 1u}})
        EXPECT_EQ(Occurrences(tsv, reason), Occurrences(referenceTsv, reason) + more) << tsv;
    EXPECT_EQ(tsv.find("lexical"), std::string::npos) << tsv;
    EXPECT_EQ(tsv.find("basic_string"), std::string::npos) << tsv;
    EXPECT_NE(ReadFile(Work() + "/r.html").find("name cannot be written in a script"), std::string::npos);
}


} // namespace
} // namespace brindle::test
