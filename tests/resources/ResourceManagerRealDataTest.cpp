// The manager over real game files: an unpacked module with upper-case extensions and the game's
// own tables in override folders, as a module builder's machine has them.
#include "app/LookupTables.h"
#include "app/TableExtraction.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceTypes.h"
#include "tests/support/RealData.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brindle {
namespace {

namespace fs = std::filesystem;

TEST(ResourceManagerRealDataTest, UnpackedModuleAndOverrideTablesFeedTheLookupLists)
{
    BRINDLE_REQUIRE_REALDATA(real);
    test::ScopedTmpdirOverride tmp;
    test::ScopedTempDir home;
    test::ScopedTempDir install;
    fs::create_directories(home / "modules");
    fs::copy(real + "/moddir/ProjectM_Test1", home / "modules/ProjectM_Test1", fs::copy_options::recursive);
    fs::create_directories(home / "override");
    fs::copy_file(real + "/2da/nwn1_gender/gender.2da", home / "override/gender.2da");
    fs::create_directories(install / "Override/2da");
    for (const char* table : {"appearance", "armorvisualdata", "baseitems"})
        fs::copy_file(real + "/2da/projectm_csl/" + table + ".2da", install / "Override/2da/" + table + ".2da");

    test::RecordingTextOut out;
    ResourceManager manager(&out);
    LoadModuleOnly(install.Path(), manager, "projectm_test1", home.Path());
    const std::string ifo = manager.Demand("module", ResTypeIfo);
    EXPECT_EQ(ifo, home / "modules/ProjectM_Test1//module.IFO");
    manager.Release(ifo);
    EXPECT_TRUE(fs::exists(ifo));

    manager.LoadModule(home.Path(), install.Path(), "projectm_test1", "", {}, false);
    LookupTables lists;
    ExtractGameTables(manager, lists);
    const auto& genders = lists.Genders();
    const auto& races = lists.Races();
    const auto& prefixes = lists.ArmorVisualTypes();
    const auto& index = lists.ArmorVisualTypeIndex();
    const auto& itemClasses = lists.ItemClasses();

    EXPECT_EQ(out.Text().find("2DA"), std::string::npos) << out.Text();
    EXPECT_EQ(genders, (std::vector<std::string> {"M", "F", "B", "O", "N"}));
    ASSERT_GT(races.size(), 3u);
    EXPECT_EQ(races.front(), "P_DD");
    EXPECT_EQ(std::vector<std::string>(races.end() - 3, races.end()),
              (std::vector<std::string> {"P_HA", "P_AA", "P_GY"}));
    ASSERT_FALSE(prefixes.empty());
    EXPECT_EQ(prefixes.front(), "CL");
    EXPECT_EQ(index.at("CL"), 0u);
    EXPECT_GT(itemClasses.size(), 6u);
    EXPECT_EQ(itemClasses.back(), "HELM");
    EXPECT_TRUE(fs::is_empty(manager.GetInstanceDirectory()));
}

} // namespace
} // namespace brindle
