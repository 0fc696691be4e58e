// Loading a game tree built with the test writers: where the module comes from, which source wins
// for a name, module-only mode, the Enhanced Edition's data and the campaign folder, and the
// warnings of sources that fail.
#include "platform/SystemFamily.h"
#include "resources/CampaignFolder.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/GffWriter.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ScopedTmpdirOverride.h"
#include "tests/support/TlkWriter.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace brindle {
namespace {

namespace fs = std::filesystem;
using test::BuildErf;
using test::ErfEntry;
using test::WriteFile;
using test::ZipEntry;

constexpr const char* kModuleNotFoundWarning =
    "WARNING: Exception 'Couldn't locate module file.' loading module resources.  The area map may not function.\n";
constexpr const char* kGranny2Missing =
    "WARNING: Exception 'Failed to load granny2.dll' loading granny2.  Model skeletons will be unavailable.\n";

class ResourceManagerLoadTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(Install("dialog.TLK"), test::BuildTlk(5)); }

    std::string Home(std::string_view relative = {}) const
    {
        return relative.empty() ? m_Home.Path() : m_Home / relative;
    }
    std::string Install(std::string_view relative = {}) const
    {
        return relative.empty() ? m_Install.Path() : m_Install / relative;
    }

    /// An archive holding which.2da with the given label, plus extra entries.
    static std::string Archive(const std::string& label, std::vector<ErfEntry> extra = {},
                               std::string_view fileType = "HAK ")
    {
        extra.push_back({"which", ResType2da, label});
        return BuildErf(extra, fileType);
    }

    /// The bytes the manager hands out for a resource, or "(missing)".
    std::string Content(const std::string& name, NWN::ResType type = ResType2da)
    {
        try {
            const std::string path = m_Manager.Demand(name, type);
            std::string data = test::ReadFile(path);
            m_Manager.Release(path);
            return data;
        } catch (const std::exception&) {
            return "(missing)";
        }
    }

    /// Every key of the combined index, in index order.
    std::vector<std::string> Keys()
    {
        std::vector<std::string> keys;
        for (FileIndex i = 0; i < m_Manager.GetEncapsulatedFileCount(); ++i) {
            NWN::ResRef32 name {};
            NWN::ResType type = 0;
            EXPECT_TRUE(m_Manager.GetEncapsulatedFileEntry(i, name, type));
            // The index's own record of the type agrees with the container's.
            EXPECT_EQ(m_Manager.GetEntryType(i), type) << i;
            keys.push_back(MakeResourceKey(type, ToText(name)));
        }
        return keys;
    }

    void LoadOnly(const std::string& module) { LoadModuleOnly(Install(), m_Manager, module, Home()); }

    test::ScopedTmpdirOverride m_Tmp;
    test::ScopedTempDir m_Home;
    test::ScopedTempDir m_Install;
    test::RecordingTextOut m_Out;
    ResourceManager m_Manager {&m_Out};
};

TEST_F(ResourceManagerLoadTest, ModuleSearchOrder)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> archives; // relative path -> label
        std::vector<std::string> directories;                      // unpacked modules
        std::string winner;
        const char* module = "m";
    };
    const Case cases[] = {
        {"home .mod before install .mod",
         {{"h:Modules/m.mod", "home-mod"}, {"i:Modules/m.mod", "install-mod"}},
         {},
         "home-mod"},
        {".mod before folder", {{"h:Modules/M.MOD", "home-mod"}}, {"h:Modules/m"}, "home-mod"},
        {".pwc before folder", {{"i:pwc/m.pwc", "install-pwc"}}, {"h:Modules/m"}, "install-pwc"},
        {"home folder before install .mod", {{"i:Modules/m.mod", "install-mod"}}, {"h:Modules/m"}, "home-dir"},
        {"name written with its extension", {{"i:Modules/m.mod", "install-mod"}}, {}, "install-mod", "m.MoD"},
        {"... or the .pwc of that name", {{"h:pwc/m.pwc", "home-pwc"}}, {}, "home-pwc", "m.mod"},
        {"a folder named with the extension is taken as written",
         {{"h:pwc/m.pwc", "home-pwc"}},
         {"i:Modules/m.MOD"},
         "home-dir",
         "m.mod"},
        {"only the extension names no module", {{"h:Modules/.mod", "home-mod"}}, {}, "(missing)", ".mod"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The previous case's files are let go first: Windows deletes no file that is open.
        m_Manager.UnloadAll();
        fs::remove_all(Home());
        fs::remove_all(Install());
        fs::create_directories(Home());
        SetUp();
        auto at = [&](const std::string& where) {
            return (where[0] == 'h' ? Home() : Install()) + "/" + where.substr(2);
        };
        for (const auto& [where, label] : c.archives)
            WriteFile(at(where), Archive(label, {}, "MOD "));
        for (const std::string& where : c.directories)
            WriteFile(at(where) + "/which.2da", "home-dir");
        m_Out.Clear();
        LoadOnly(c.module);
        EXPECT_EQ(Content("which"), c.winner);
        // One manager serves every case; its first load alone tries the model library.
        const bool found = c.winner != "(missing)";
        EXPECT_EQ(m_Out.Text(), std::string(found ? "" : kModuleNotFoundWarning) +
                                    (&c == &cases[0] ? kGranny2Missing : ""));
    }
}

TEST_F(ResourceManagerLoadTest, ModuleFoundNowhereIsReportedAndTheLoadGoesOn)
{
    WriteFile(Install("override/over.2da"), "install-override");
    WriteFile(Home("Modules/./which.2da"), "modules-folder");
    for (const char* module : {"m", "."}) {
        SCOPED_TRACE(module);
        const bool firstLoad = m_Out.Text().empty();
        m_Out.Clear();
        m_Manager.LoadModule(Home(), Install(), module, "", {}, false);
        // The missing model library is reported by the first load only.
        EXPECT_EQ(m_Out.Text(), std::string("WARNING: Exception 'Couldn't locate module file.' loading module "
                                            "resources.  The area map may not function.\n") +
                                    (firstLoad ? kGranny2Missing : ""));
        EXPECT_EQ(Content("over"), "install-override");
        EXPECT_EQ(Content("which"), "(missing)");
    }
}

TEST_F(ResourceManagerLoadTest, FullStackPrecedenceAndCombinedIndex)
{
    // The module, with its information file, and the two HAKs it names.
    WriteFile(Home("modules/mymod.mod"),
              Archive("module", {{"module", ResTypeIfo, test::BuildModuleIfo({"HakOne", "haktwo"}, "custom.TLK")},
                                 {"modonly", ResType2da, "module"},
                                 {"modover", ResType2da, "module"}},
                      "MOD "));
    WriteFile(Home("hak/hakone.hak"), Archive("hak-one", {{"Gender", ResType2da, "hak-one"}}));
    WriteFile(Home("hak/HakTwo.HAK"),
              Archive("hak-two", {{"gender", ResType2da, "hak-two"}, {"hakover", ResType2da, "hak-two"}}));
    WriteFile(Home("override/over.2da"), "home-override");
    WriteFile(Home("override/homeonly.2da"), "home-override");
    WriteFile(Install("Override/over.2da"), "install-override");
    WriteFile(Install("Override/hakover.2da"), "install-override");
    WriteFile(Install("Override/modover.2da"), "install-override");
    fs::create_directories(Home("data"));
    fs::create_directories(Install("Data"));
    test::WriteZip(Home("data/Home.zip"), {{"models/zipped.mdb", "home-zip"}, {"homezip.mdb", "home-zip"}});
    test::WriteZip(Install("Data/NWN2_Models_v121.zip"), {{"zipped.mdb", "v121"}, {"Models/Later.MDB", "v121"}});
    test::WriteZip(Install("Data/NWN2_Models_X1.zip"), {{"later.mdb", "x1"}});
    WriteFile(Home("tlk/custom.tlk"), test::BuildTlk(3));

    LoadOnly("mymod");
    EXPECT_EQ(Content("module", ResTypeIfo).substr(0, 8), "IFO V3.2");
    EXPECT_EQ(Content("gender"), "(missing)"); // no HAK in module-only mode
    EXPECT_EQ(Content("zipped", ResTypeMdb), "(missing)");
    EXPECT_EQ(Content("over"), "install-override");
    EXPECT_EQ(m_Out.Text(), kGranny2Missing);

    m_Out.Clear();
    m_Manager.LoadModule(Home(), Install(), "mymod", "custom.TLK", {ToResRef32("HakOne"), ToResRef32("haktwo")}, false);
    // The model library was tried by the first load and is not tried again; the custom talk table
    // is found as "custom.tlk".
    EXPECT_EQ(m_Out.Text(), "");

    const std::map<std::string, std::pair<NWN::ResType, std::string>> expected = {
        {"which", {ResType2da, "hak-one"}},           // first listed HAK beats the second and the module
        {"gender", {ResType2da, "hak-one"}},          // stored as "Gender", found in lower case
        {"hakover", {ResType2da, "hak-two"}},         // a HAK beats install override
        {"modover", {ResType2da, "module"}},          // the module file beats install override
        {"modonly", {ResType2da, "module"}},
        {"over", {ResType2da, "install-override"}},   // install override beats home override
        {"homeonly", {ResType2da, "home-override"}},
        {"zipped", {ResTypeMdb, "v121"}},             // install Data beats home Data
        {"later", {ResTypeMdb, "x1"}},                // X1 sorts after v121 and wins
        {"homezip", {ResTypeMdb, "home-zip"}},
    };
    for (const auto& [name, winner] : expected)
        EXPECT_EQ(Content(name, winner.first), winner.second) << name;
    EXPECT_EQ(Content("module", ResTypeIfo).substr(0, 8), "IFO V3.2");

    // One entry per key: the expected names, the module information file, and the .mod itself is not
    // a resource (the pwc folders are empty).
    std::vector<std::string> keys = Keys();
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> wanted = {"2014Tmodule"};
    for (const auto& [name, winner] : expected)
        wanted.push_back(MakeResourceKey(winner.first, name));
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(keys, wanted);
}

TEST_F(ResourceManagerLoadTest, FailingOptionalSourcesAreReportedOneByOne)
{
    WriteFile(Home("Modules/m.mod"), Archive("module", {}, "MOD "));
    WriteFile(Home("HAK/good.hak"), Archive("good"));
    WriteFile(Home("Data/broken.zip"), "not a zip archive");
    WriteFile(Home("Data/not-a-zip.txt"), "ignored");
    fs::create_directories(Home("Data/folder.zip"));

    m_Manager.LoadModule(Home(), Install(), "m", "bad\\name",
                         {ToResRef32("good"), ToResRef32("missing"), ToResRef32("a\\b")}, false);
    std::vector<std::string> lines;
    for (const auto& write : m_Out.Writes())
        lines.push_back(write.text);
    ASSERT_EQ(lines.size(), 5u) << m_Out.Text();
    // HAKs are opened from the last listed to the first.
    EXPECT_EQ(lines[0], "WARNING: Failed to load HAK file 'a\\b' (exception 'Resource name has path characters "
                        "(illegal).').  Certain module resources may be unavailable.\n");
    EXPECT_EQ(lines[1].rfind("WARNING: Failed to load HAK file 'missing' (exception '", 0), 0u) << lines[1];
    const std::string zipWarning = "WARNING: Failed to open .zip archive '" + Home("Data/broken.zip") + "': exception '";
    EXPECT_EQ(lines[2].rfind(zipWarning, 0), 0u)
        << lines[2];
    EXPECT_EQ(lines[3], "WARNING: Exception 'Resource name has path characters (illegal).' loading alternate TLK.  "
                        "STRREF lookup may be unavailable.\n");
    EXPECT_EQ(lines[4], kGranny2Missing);
    EXPECT_EQ(Content("which"), "good");
}

TEST_F(ResourceManagerLoadTest, HakListedAgainIsReadOnceAtItsFirstPlace)
{
    WriteFile(Home("Modules/m.mod"), Archive("module", {}, "MOD "));
    WriteFile(Home("HAK/one.hak"), Archive("one"));
    WriteFile(Home("HAK/two.hak"), Archive("two"));
    m_Manager.KeepLoadRecord();
    // "two" first, so it wins although "one" is listed again after it; the case of a name does not
    // make another HAK (names made here are lower-cased, as the module reader's).
    m_Manager.LoadModule(Home(), Install(), "m", "",
                         {ToResRef32("two"), ToResRef32("one"), ToResRef32("TWO"), ToResRef32("two"), ToResRef32("One")},
                         false);
    EXPECT_EQ(m_Out.Text(), "WARNING: HAK file 'two' is listed more than once in the module; it is read once, at its "
                            "first place.\n"
                            "WARNING: HAK file 'one' is listed more than once in the module; it is read once, at its "
                            "first place.\n" +
                                std::string(kGranny2Missing));
    EXPECT_EQ(Content("which"), "two");
    std::vector<std::string> haks;
    for (const SourceRecord& source : m_Manager.GetLoadRecord().sources)
        if (source.tier == "HAK")
            haks.push_back(fs::path(source.path).filename().string());
    EXPECT_EQ(haks, (std::vector<std::string>{"two.hak", "one.hak"}));
}

TEST_F(ResourceManagerLoadTest, KeptRecordListsSourcesInPrecedenceOrder)
{
    WriteFile(Home("Modules/m.mod"), Archive("module", {{"a", ResTypeMdb, "m"}}, "MOD "));
    WriteFile(Home("HAK/good.hak"), Archive("good", {{"b", ResTypeMdb, "m"}, {"c", ResTypeMdb, "m"}}));
    WriteFile(Install("override/Which.2da"), "install-override");
    WriteFile(Home("Data/broken.zip"), "not a zip archive");
    test::WriteZip(Home("Data/ok.zip"), {{"which.2da", "zip"}, {"d.mdb", "m"}});
    const std::vector<NWN::ResRef32> haks = {ToResRef32("good"), ToResRef32("missing")};
    m_Manager.LoadModule(Home(), Install(), "m", "", haks, false);
    EXPECT_TRUE(m_Manager.GetLoadRecord().sources.empty()); // nothing kept unless asked

    m_Manager.KeepLoadRecord();
    m_Manager.LoadModule(Home(), Install(), "m", "", haks, false);
    const LoadRecord& record = m_Manager.GetLoadRecord();
    // Tier, kind, file name, entries/models, and whether it loaded; failed sources where they would stand.
    std::vector<std::string> shown;
    for (const SourceRecord& source : record.sources)
        shown.push_back(source.tier + " " + source.kind + " " + fs::path(source.path).filename().string() + " " +
                        std::to_string(source.entries) + "/" + std::to_string(source.models) +
                        (source.loaded ? "" : " failed"));
    EXPECT_EQ(shown, (std::vector<std::string>{"HAK ERF good.hak 3/2", "HAK ERF missing.hak 0/0 failed",
                                                "module ERF m.mod 2/1", "override directory override 1/0",
                                                "override directory override 0/0", "pwc directory pwc 0/0",
                                                "pwc directory pwc 0/0", "Data ZIP ok.zip 2/1",
                                                "Data ZIP broken.zip 0/0 failed"}));
    // A file the system does not open is named with the system's reason; one that opens but
    // holds no archive is not.
    const std::string noFile = "Failed to open ERF file. (";
    EXPECT_EQ(record.sources[1].failure.substr(0, noFile.size()), noFile) << record.sources[1].failure;
    if (BRINDLE_POSIX) {
        EXPECT_EQ(record.sources[1].failure,
                  noFile + std::make_error_code(std::errc::no_such_file_or_directory).message() + ")");
    }
    EXPECT_EQ(record.sources[8].failure.find(" ("), std::string::npos) << record.sources[8].failure;
    EXPECT_EQ(record.tableCopies.at("which"), (std::vector<std::uint32_t>{0, 2, 3, 7}));

    std::map<std::string, std::uint32_t> sourceOf;
    for (FileIndex i = 0; i < m_Manager.GetEncapsulatedFileCount(); ++i) {
        NWN::ResRef32 name{};
        NWN::ResType type = 0;
        ASSERT_TRUE(m_Manager.GetEncapsulatedFileEntry(i, name, type));
        sourceOf[ToText(name)] = m_Manager.GetEntrySource(i);
    }
    EXPECT_EQ(sourceOf, (std::map<std::string, std::uint32_t>{{"a", 2}, {"b", 0}, {"c", 0}, {"d", 7}, {"which", 0}}));

    // Taken, the record leaves the manager whole, and the manager keeps an empty one.
    const std::size_t sourceCount = record.sources.size();
    const LoadRecord taken = m_Manager.TakeLoadRecord();
    EXPECT_EQ(taken.sources.size(), sourceCount);
    EXPECT_EQ(taken.tableCopies.at("which"), (std::vector<std::uint32_t>{0, 2, 3, 7}));
    EXPECT_TRUE(m_Manager.GetLoadRecord().sources.empty());
    EXPECT_TRUE(m_Manager.GetLoadRecord().tableCopies.empty());
}

/// Tier, kind and file name of each source of the kept record, "failed" added to one that failed.
std::vector<std::string> Shown(const LoadRecord& record)
{
    std::vector<std::string> shown;
    for (const SourceRecord& source : record.sources)
        shown.push_back(source.tier + " " + source.kind + " " + fs::path(source.path).filename().string() +
                        (source.loaded ? "" : " failed"));
    return shown;
}

TEST_F(ResourceManagerLoadTest, EnhancedEditionDataSitsBetweenTheDataArchivesAndEveryOtherSource)
{
    WriteFile(Home("Modules/m.mod"), Archive("module", {}, "MOD "));
    test::WriteZip(Install("Data/2DA.zip"), {{"2DA/appearance.2da", "data"}, {"2DA/baseitems.2da", "data"},
                                             {"2DA/gender.2da", "data"}, {"2DA/armorvisualdata.2da", "data"}});
    // Loose files in subfolders, names in any case, and an archive of its own.
    WriteFile(Install("Enhanced/Data/2da/Appearance.2DA"), "enhanced");
    WriteFile(Install("Enhanced/Data/2da/nested/deeper/BaseItems.2da"), "enhanced");
    WriteFile(Install("Enhanced/Data/models/nx3/W_New01_a.MDB"), "enhanced-model");
    test::WriteZip(Install("Enhanced/Data/Patch.ZIP"), {{"2da/gender.2da", "enhanced-zip"},
                                                        {"2da/baseitems.2da", "enhanced-zip"},
                                                        {"Models/W_Zipped01_a.mdb", "enhanced-zip"}});
    WriteFile(Install("override/baseitems.2da"), "install-override");
    WriteFile(Home("Modules/m/armorvisualdata.2da"), "module-dir");
    m_Manager.KeepLoadRecord();

    // Module-only: the edition's data is base data, like the Data archives, and is not read.
    LoadOnly("m");
    EXPECT_EQ(Content("W_New01_a", ResTypeMdb), "(missing)");
    for (const std::string& shown : Shown(m_Manager.GetLoadRecord()))
        EXPECT_EQ(shown.find("enhanced"), std::string::npos) << shown;

    m_Manager.LoadModule(Home(), Install(), "m", "", {}, false);
    EXPECT_EQ(Content("appearance"), "enhanced");         // the loose file beats the Data archive
    EXPECT_EQ(Content("gender"), "enhanced-zip");         // so does the edition's own archive
    EXPECT_EQ(Content("baseitems"), "install-override");  // and override beats them all
    EXPECT_EQ(Content("W_New01_a", ResTypeMdb), "enhanced-model");
    EXPECT_EQ(Content("W_Zipped01_a", ResTypeMdb), "enhanced-zip");
    // The module's .mod is used, so its unpacked folder is not a source; the Data copy stands.
    EXPECT_EQ(Content("armorvisualdata"), "data");
    // A loose file is handed out as itself, not copied.
    const std::string path = m_Manager.Demand("appearance", ResType2da);
    EXPECT_EQ(path.rfind(Install("Enhanced/Data/"), 0), 0u) << path;
    m_Manager.Release(path);

    const LoadRecord& record = m_Manager.GetLoadRecord();
    EXPECT_EQ(Shown(record), (std::vector<std::string>{"module ERF m.mod", "override directory override",
                                                       "override directory override", "pwc directory pwc",
                                                       "pwc directory pwc", "enhanced directory Data",
                                                       "enhanced ZIP Patch.ZIP", "Data ZIP 2DA.zip"}));
    EXPECT_EQ(record.sources[5].entries, 3u);
    EXPECT_EQ(record.sources[5].models, 1u);
    EXPECT_EQ(record.tableCopies.at("baseitems"), (std::vector<std::uint32_t>{1, 5, 6, 7}));
}

TEST_F(ResourceManagerLoadTest, EnhancedEditionTreeThatLoopsOrClashesInCase)
{
    WriteFile(Home("Modules/m.mod"), Archive("module", {}, "MOD "));
    WriteFile(Install("enhanced/data/a/Clash.mdb"), "upper");
    WriteFile(Install("enhanced/data/a/clash.mdb"), "lower");
    WriteFile(Install("enhanced/data/b/clash.MDB"), "other-folder");
    // A file system that ignores case holds one file in a/.
    const auto inA = std::distance(fs::directory_iterator(Install("enhanced/data/a")), fs::directory_iterator());
    std::string deep = Install("enhanced/data");
    for (int level = 0; level < 30; ++level)
        deep += "/d";
    WriteFile(deep + "/deep.mdb", "deep");
    bool linked = true;
    try {
        // A folder that links back to the top of the tree.
        fs::create_directory_symlink(Install("enhanced/data"), Install("enhanced/data/a/loop"));
    } catch (const fs::filesystem_error&) {
        linked = false; // Windows without the right to make links
    }
    m_Manager.KeepLoadRecord();
    m_Manager.LoadModule(Home(), Install(), "m", "", {}, false);
    // One key for the clashing names: the entry listed last wins (names sort by upper case, then
    // by byte, and folders in that order too).
    EXPECT_EQ(Content("clash", ResTypeMdb), "other-folder");
    EXPECT_EQ(Content("deep", ResTypeMdb), "deep");
    const auto& sources = m_Manager.GetLoadRecord().sources;
    const auto enhanced = std::find_if(sources.begin(), sources.end(),
                                       [](const SourceRecord& source) { return source.tier == "enhanced"; });
    ASSERT_NE(enhanced, sources.end());
    // Every file once: the link is not followed.
    EXPECT_EQ(enhanced->entries, static_cast<std::uint64_t>(inA) + 2) << (linked ? "with a link loop" : "without a link");
}

TEST_F(ResourceManagerLoadTest, CampaignFolderSitsRightBelowThePwcFolders)
{
    const std::string guid("\x97\x28\xd5\xd7\xa9\x81\x8e\x43\x91\x03\xa4\x59\x6b\x77\xa0\xb7", 16);
    WriteFile(Home("Modules/m/module.ifo"), test::BuildCampaignModuleIfo({}, guid));
    WriteFile(Home("Modules/m/which.2da"), "module-dir");
    WriteFile(Home("Modules/m/moduleonly.2da"), "module-dir");
    // Another campaign first in the listing, then the module's, found without regard to case.
    WriteFile(Home("campaigns/Another/campaign.cam"), test::BuildCampaignFile(std::string(16, '\x11'), "other"));
    WriteFile(Home("campaigns/Another/which.2da"), "other-campaign");
    WriteFile(Home("campaigns/Mine/Campaign.CAM"), test::BuildCampaignFile(guid, "mine"));
    WriteFile(Home("campaigns/Mine/which.2da"), "campaign");
    WriteFile(Home("campaigns/Mine/areas/deep/C_Campaign01.mdb"), "campaign-model");
    WriteFile(Home("pwc/pwconly.2da"), "home-pwc");
    WriteFile(Home("pwc/campaignonly.2da"), "home-pwc");
    WriteFile(Home("campaigns/Mine/campaignonly.2da"), "campaign");
    m_Manager.KeepLoadRecord();

    m_Manager.LoadModule(Home(), Install(), "m", "", {}, false, guid);
    EXPECT_EQ(m_Out.Text(), kGranny2Missing);
    EXPECT_EQ(Content("which"), "campaign");               // the campaign beats the module folder
    EXPECT_EQ(Content("moduleonly"), "module-dir");
    EXPECT_EQ(Content("campaignonly"), "home-pwc");        // and home pwc beats the campaign
    EXPECT_EQ(Content("C_Campaign01", ResTypeMdb), "campaign-model");
    const LoadRecord& record = m_Manager.GetLoadRecord();
    EXPECT_EQ(Shown(record), (std::vector<std::string>{"override directory override", "override directory override",
                                                       "pwc directory pwc", "pwc directory pwc",
                                                       "campaign directory Mine", "module directory m"}));

    // No Campaign_ID, or zeros, is no campaign.
    for (const std::string& none : {std::string(), std::string(16, '\0')}) {
        m_Out.Clear();
        m_Manager.LoadModule(Home(), Install(), "m", "", {}, false, none);
        EXPECT_EQ(m_Out.Text(), "");
        EXPECT_EQ(Content("which"), "module-dir");
    }
}

TEST_F(ResourceManagerLoadTest, CampaignNotFoundIsReportedAndTheLoadGoesOn)
{
    const std::string guid("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16);
    WriteFile(Home("Modules/m/which.2da"), "module-dir");
    // Only the direct subfolders count, and a damaged campaign file is passed over.
    WriteFile(Install("Campaigns/outer/inner/campaign.cam"), test::BuildCampaignFile(guid, "too deep"));
    WriteFile(Install("Campaigns/broken/campaign.cam"), "CAM V3.2 and nothing more");
    WriteFile(Install("Campaigns/campaign.cam"), test::BuildCampaignFile(guid, "not in a folder"));
    m_Manager.LoadModule(Home(), Install(), "m", "", {}, true);
    m_Manager.KeepLoadRecord();
    m_Out.Clear();
    m_Manager.LoadModule(Home(), Install(), "m", "", {}, false, guid);
    EXPECT_EQ(m_Out.Text(), "WARNING: Campaign {04030201-0605-0807-090A-0B0C0D0E0F10} not found: no folder in '" +
                                Home("Campaigns") + "' or '" + Install("Campaigns") +
                                "' holds a campaign.cam with that GUID.  Campaign resources will be unavailable.\n");
    EXPECT_EQ(Content("which"), "module-dir");
    const auto& sources = m_Manager.GetLoadRecord().sources;
    ASSERT_EQ(sources.size(), 6u);
    EXPECT_EQ(sources[4].tier, "campaign");
    EXPECT_FALSE(sources[4].loaded);
    EXPECT_EQ(sources[4].path, "{04030201-0605-0807-090A-0B0C0D0E0F10}");
    EXPECT_EQ(sources[4].failure, "no campaign folder carries this GUID");
}

TEST_F(ResourceManagerLoadTest, KeptRecordListsEveryBeatenCopyWithItsWinner)
{
    // "B" in two HAKs and the module; "Which" in three cases; a name twice in one source is no conflict.
    WriteFile(Home("Modules/m.mod"), Archive("module", {{"B", ResTypeMdb, "m"}, {"e", ResTypeMdb, "m"}}, "MOD "));
    WriteFile(Home("HAK/one.hak"), Archive("one", {{"b", ResTypeMdb, "m"}, {"b", ResType2da, "t"}}));
    WriteFile(Home("HAK/two.hak"), Archive("two", {{"B", ResTypeMdb, "m"}, {"e", ResTypeMdb, "m"}, {"e", ResTypeMdb, "m"}}));
    WriteFile(Install("override/WHICH.2da"), "install-override");
    test::WriteZip(Home("Data/ok.zip"), {{"Which.2da", "zip"}, {"e.mdb", "m"}, {"f.mdb", "m"}});
    m_Manager.LoadModule(Home(), Install(), "m", "", {ToResRef32("one"), ToResRef32("two")}, false);
    EXPECT_TRUE(m_Manager.GetLoadRecord().beaten.empty()); // nothing kept unless asked

    m_Manager.KeepLoadRecord();
    m_Manager.LoadModule(Home(), Install(), "m", "", {ToResRef32("one"), ToResRef32("two")}, false);
    const LoadRecord& record = m_Manager.GetLoadRecord();
    // Sources: 0 one.hak, 1 two.hak, 2 m.mod, 3 and 4 the override folders, 5 and 6 pwc, 7 ok.zip.
    std::vector<std::string> beaten;
    for (const BeatenCopy& copy : record.beaten)
        beaten.push_back(copy.name + "." + ResTypeToExt(copy.type) + " " + std::to_string(copy.winner) + ">" +
                         std::to_string(copy.beaten));
    std::sort(beaten.begin(), beaten.end());
    EXPECT_EQ(beaten, (std::vector<std::string>{"b.mdb 0>1", "b.mdb 0>2", "e.mdb 1>2", "e.mdb 1>7", "which.2da 0>1",
                                                 "which.2da 0>2", "which.2da 0>3", "which.2da 0>7"}));
}

} // namespace
} // namespace brindle
