// Reading the module's HAK list: the list elements and their names, and the ways a damaged module
// information file gives none; a campaign module's load reaching its campaign's folder.
#include "app/ModuleHakList.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"
#include "tests/support/GffWriter.h"
#include "tests/support/RealData.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <cstring>

namespace brindle {
namespace {

/// Each element of the list as read (its name, or what stopped it), until the first refusal.
std::vector<std::string> ReadList(const std::string& ifo)
{
    test::ScopedTempDir dir;
    test::WriteFile(dir / "module.ifo", ifo);
    GffFileReader reader(dir / "module.ifo");
    const GffStruct root = reader.GetRootStruct();
    std::vector<std::string> names;
    for (std::uint32_t index = 0; index < 4; ++index) {
        GffStruct element;
        if (!GetModHakListElement(index, root, element))
            break;
        NWN::ResRef32 name{};
        names.push_back(ReadModHak(element, name) ? std::string(name.RefStr, strnlen(name.RefStr, 32)) : "<no name>");
    }
    return names;
}

TEST(ModuleHakListTest, ElementsAndTheirNames)
{
    const auto withList = [](auto fill) {
        test::GffWriter gff("IFO ");
        fill(gff);
        return gff.Build();
    };
    struct Case {
        const char* what;
        std::string ifo;
        std::vector<std::string> names;
    } const cases[] = {
        {"two haks", test::BuildModuleIfo({"HakOne", "hak2"}, ""), {"hakone", "hak2"}},
        {"no list", test::BuildModuleIfo({}, ""), {}},
        {"the list is a number", withList([](test::GffWriter& gff) { gff.AddDword(0, "Mod_HakList", 7); }), {}},
        {"an element without a name", withList([](test::GffWriter& gff) {
             const std::uint32_t element = gff.AddStruct(8);
             gff.AddDword(element, "Other", 1);
             gff.AddList(0, "Mod_HakList", {element});
         }),
         {"<no name>"}},
        {"a name that is a number", withList([](test::GffWriter& gff) {
             const std::uint32_t element = gff.AddStruct(8);
             gff.AddDword(element, "Mod_Hak", 1);
             gff.AddList(0, "Mod_HakList", {element});
         }),
         {"<no name>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadList(c.ifo), c.names);
    }
    // A structure without a reader has no list and no name.
    GffStruct element;
    NWN::ResRef32 name{};
    EXPECT_FALSE(GetModHakListElement(0, GffStruct(), element));
    EXPECT_FALSE(ReadModHak(GffStruct(), name));
}

/// Whether the manager's index holds a model of that (lower-case) name.
bool HoldsModel(ResourceManager& manager, const std::string& name)
{
    for (FileIndex i = 0; i < manager.GetEncapsulatedFileCount(); ++i) {
        NWN::ResRef32 entry{};
        NWN::ResType type = 0;
        if (manager.GetEncapsulatedFileEntry(i, entry, type) && type == ResTypeMdb && ToText(entry) == name)
            return true;
    }
    return false;
}

TEST(ModuleHakListTest, RealCampaignModuleReachesTheRealCampaign)
{
    BRINDLE_REQUIRE_REALDATA(real);
    test::ScopedTmpdirOverride tmp;
    test::ScopedTempDir home;
    test::ScopedTempDir install;
    test::WriteFile(home / "modules/alfa/module.IFO", test::ReadFile(real + "/gff/alfa_build_mod/module.IFO"));
    test::WriteFile(home / "Campaigns/alfa_campaign/Campaign.cam",
                    test::ReadFile(real + "/gff/alfa_campaign/Campaign.cam"));
    test::WriteFile(home / "Campaigns/alfa_campaign/W_Alfa01_a.mdb", "campaign model");
    test::RecordingTextOut out;
    ResourceManager manager(&out);
    LoadModuleAndHaks("alfa", home.Path(), manager, install.Path());
    EXPECT_TRUE(HoldsModel(manager, "w_alfa01_a")) << out.Text();
    EXPECT_EQ(out.Text().find("WARNING: Campaign"), std::string::npos) << out.Text();
}

} // namespace
} // namespace brindle
