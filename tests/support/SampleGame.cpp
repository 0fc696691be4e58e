// The sample game tree: made-up tables and model names in the game's own shapes, packed the way
// the game packs them.
#include "tests/support/SampleGame.h"

#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/GffWriter.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"
#include "tests/support/ZipWriter.h"

#include <cstdint>
#include <string_view>

namespace brindle::test {

namespace {

/// Joins table lines with CR LF, as the game's tables mostly are.
std::string CrLf(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

constexpr const char* kModuleName = "SampleModule";

/// A stand-in for a model file's bytes.
std::string ModelBytes(std::string_view name)
{
    return "MDB sample model " + std::string(name);
}

/// A deterministic choice among n, driven by a name.
std::uint32_t Pick(std::string_view text, std::uint32_t n)
{
    std::uint32_t hash = 2166136261u;
    for (char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash % n;
}

std::string TwoDigits(unsigned value)
{
    std::string digits = std::to_string(value);
    if (digits.size() < 2)
        digits.insert(digits.begin(), '0');
    return digits;
}

} // namespace

std::string SampleGenderTable()
{
    return CrLf({"2DA V2.0",
                 "",
                 "\tNAME\tGENDER\tGRAPHIC\tCONSTANT",
                 "0\tMale\tM\t****\tGENDER_MALE",
                 "1\tFemale\tF\t****\tGENDER_FEMALE",
                 "2\tBoth\t*\t****\tGENDER_BOTH",
                 "3\tOther\t****\t****\tGENDER_OTHER"});
}

std::string SampleAppearanceTable()
{
    return CrLf({"2DA\tV2.0",
                 "",
                 "\tLABEL\tNWN2_Model_Body\tNWN2_Model_Helm\tNAME",
                 "0\tHuman\tP_HH?\tP_HH?\t\"Human Being\"",
                 "1\tElf\tP_EE?\tP_EE?\tElf",
                 "2\tDwarf\tP_DD?\tP_DD?\tDwarf",
                 "3\tGnome\tP_GG?\tP_GG?\tGnome",
                 "4\tHalfOrc\tP_OO?\tP_OO?\tHalfOrc",
                 "5\tWolf\tc_wolf\t****\tWolf",
                 "6\tShandra\tN_Shandra\tN_Shandra\tShandra",
                 "7\tHumanMale\tP_HHM\tP_HHM\tHuman",
                 "",
                 "8\tBadger\tc_badger\t****\tBadger"});
}

std::string SampleArmorVisualDataTable()
{
    return CrLf({"2DA V2.0",
                 "",
                 "                 Label     ToolsetName    Prefix    Parent",
                 "  0             Cloth          112978        CL      ****",
                 "  1           Leather          111247        LE      ****",
                 "  2             Chain          111249        CH      ****",
                 "  3         Full-Plate         111253        PF      ****",
                 "  4             Naked          182339        NK      ****",
                 "  5           padding            ****      ****      ****",
                 "  6    Costume_Barrel  \"Costume Barrel\"     DMCB      ****"});
}

std::string SampleHakArmorVisualDataTable()
{
    return SampleArmorVisualDataTable() + CrLf({"  7          Mithral          900001        MI         2"});
}

std::string SampleBaseItemsTable()
{
    // This one keeps the classic CR-only line ends some community tables ship with.
    std::string text;
    for (std::string_view line : {"2DA\tV2.0", "", "\tlabel\tItemClass\tWeaponType",
                                  "0\tshortsword\tW_SSword\t1", "1\tlongsword\tW_LSword\t1",
                                  "2\tbattleaxe\tW_BAxe\t3", "3\tdagger\tw_dag\t1", "4\tlongbow\tw_Lbow\t****",
                                  "5\tpadding\t****\t****", "6\tarmor\t*\t****", "7\ttowershield\tw_she_towr\t****"}) {
        text += line;
        text += '\r';
    }
    return text;
}

std::vector<std::string> SampleModelNames()
{
    std::vector<std::string> names;
    // Armor and clothing: race, gender, material, item class and variation.
    for (const char* race : {"HH", "EE", "DD", "GG", "OO"})
        for (const char* gender : {"M", "F"})
            for (const char* material : {"CL", "LE", "CH", "PF", "NK"})
                for (const char* item : {"Body", "Boots", "Gloves", "Helm"}) {
                    const std::string stem = std::string("P_") + race + gender + "_" + material + "_" + item;
                    const std::uint32_t count = Pick(stem, 4); // some combinations have no model at all
                    for (std::uint32_t v = 1; v <= count; ++v)
                        names.push_back(stem + TwoDigits(v * 3 - Pick(stem + char('0' + v), 3)) + ".mdb");
                }
    names.push_back("P_HHM_CL_Body99.MDB");
    names.push_back("p_hhf_cl_cloak01.mdb");
    names.push_back("P_HAM_LE_Boots02.mdb");
    names.push_back("P_AAF_CH_Belt01.mdb");
    // Armor parts.
    for (const char* race : {"HH", "EE"})
        for (const char* gender : {"M", "F"})
            for (const char* piece : {"LShoulder", "RShoulder", "LBracer", "RBracer", "LKnee", "RUpLeg", "LAnkel"})
                for (unsigned v = 1; v <= 1 + Pick(std::string(race) + gender + piece, 3); ++v)
                    names.push_back(std::string("A_") + race + gender + "_" + piece + TwoDigits(v) + ".mdb");
    // Weapons, with and without a model part letter.
    for (const char* item : {"W_LSword", "W_SSword", "W_BAxe"})
        for (unsigned v = 1; v <= 4; ++v)
            for (const char* part : {"_a", "_b", "_c"})
                names.push_back(std::string(item) + TwoDigits(v) + part + ".mdb");
    for (unsigned v = 1; v <= 6; ++v)
        names.push_back("w_dag" + TwoDigits(v) + ".mdb");
    for (unsigned v : {1u, 2u, 10u, 9u})
        names.push_back("w_she_towr" + TwoDigits(v) + ".MDB");
    names.push_back("w_Lbow03.mdb");
    // Names that fit no grammar, or fit it only partly.
    for (const char* name : {"P_HHM_Head01.mdb", "P_HHF_Hair03.mdb", "P_EEM_Wings.mdb", "c_wolf.mdb",
                             "c_badger_body01.mdb", "plc_chair01.mdb", "W_LSword300_a.mdb", "W_LSword05_bb.mdb",
                             "A_LIZ_LShoulder04.mdb", "PX_HHM_CL_Body01.mdb", "N_Shandra_Body01.mdb", "staff.mdb"})
        names.push_back(name);
    return names;
}

SampleGame WriteSampleGame(const std::string& root)
{
    SampleGame game{root + "/install", root + "/home", kModuleName};
    const std::vector<std::string> models = SampleModelNames();

    // Installation: the tables and most models in Data archives, an X1 archive that adds to them,
    // the base talk table and an override folder.
    WriteZip(game.install + "/Data/2DA.zip", {{"2DA/", ""},
                                              {"2DA/gender.2da", SampleGenderTable()},
                                              {"2DA/Appearance.2DA", SampleAppearanceTable()},
                                              {"2DA/armorvisualdata.2da", SampleArmorVisualDataTable()},
                                              {"2DA/baseitems.2da", SampleBaseItemsTable()}});
    std::vector<ZipEntry> baseModels{{"NWN2_Models/", ""}, {"NWN2_Models/README", "models of the base game"}};
    std::vector<ZipEntry> x1Models;
    for (std::size_t i = 0; i < models.size(); ++i) {
        const std::string folder = models[i][0] == 'W' || models[i][0] == 'w' ? "Weapons/" : "Character/";
        auto& target = i % 5 == 4 ? x1Models : baseModels;
        target.push_back({"NWN2_Models/" + folder + models[i], ModelBytes(models[i])});
    }
    baseModels.push_back({"NWN2_Models/Character/P_HHM_Skel.gr2", "skeleton"});
    baseModels.push_back({"NWN2_Models/Textures/P_HHM_CL_Body01.dds", "texture"});
    WriteZip(game.install + "/Data/NWN2_Models.zip", baseModels);
    WriteZip(game.install + "/Data/NWN2_Models_X1.zip", x1Models);
    WriteZip(game.install + "/Data/Templates.zip", {{"Templates/nw_it_sword01.UTI", "UTI V3.2"},
                                                   {"Templates/notes.txt", "not a resource"}});
    WriteFile(game.install + "/dialog.tlk", BuildTlk(64));
    WriteFile(game.install + "/override/W_LSword07_a.mdb", ModelBytes("W_LSword07_a"));

    // Home: the module, its HAKs and custom talk table, and the player's override folder.
    const std::string ifo = BuildModuleIfo({"Sample_Armor", "sample_weapons"}, "sample_custom");
    WriteFile(game.home + "/Modules/" + kModuleName + ".mod",
              BuildErf({{"module", ResTypeIfo, ifo},
                        {"area001", 2012, "ARE V3.2"},
                        {"P_GGF_PF_Helm05", ResTypeMdb, ModelBytes("P_GGF_PF_Helm05")}},
                       "MOD "));
    WriteFile(game.home + "/hak/sample_armor.hak",
              BuildErf({{"armorvisualdata", ResType2da, SampleHakArmorVisualDataTable()},
                        {"P_HHM_MI_Body01", ResTypeMdb, ModelBytes("P_HHM_MI_Body01")},
                        {"P_HHF_MI_Body01", ResTypeMdb, ModelBytes("P_HHF_MI_Body01")},
                        {"P_HHF_MI_Body02", ResTypeMdb, ModelBytes("P_HHF_MI_Body02")},
                        {"A_HHF_LShoulder09", ResTypeMdb, ModelBytes("A_HHF_LShoulder09")}}));
    WriteFile(game.home + "/hak/sample_weapons.hak",
              BuildErf({{"w_she_towr11", ResTypeMdb, ModelBytes("w_she_towr11")},
                        {"W_BAxe05_a", ResTypeMdb, ModelBytes("W_BAxe05_a")},
                        {"W_BAxe05_b", ResTypeMdb, ModelBytes("W_BAxe05_b")}}));
    WriteFile(game.home + "/tlk/sample_custom.tlk", BuildTlk(8));
    WriteFile(game.home + "/override/p_hhf_cl_boots07.mdb", ModelBytes("p_hhf_cl_boots07"));
    return game;
}

std::string SampleSettings(const SampleGame& game, bool invisibleModels, bool ignoreSingles)
{
    const char* invisible = invisibleModels ? "1" : "0";
    return "# Brindlewhistler configuration\n"
           "[settings]\n"
           "module = " + game.module + "\n"
           "ignoresingles = " + (ignoreSingles ? "1" : "0") + "\n"
           "\n"
           "[paths]\n"
           "nwn2-install = " + game.install + "\n"
           "nwn2-home = " + game.home + "\n"
           "\n"
           "[invisiblemodels]\n"
           "modelparts = " + invisible + "\n"
           "variations = " + invisible + "\n"
           "armorpieces = " + invisible + "\n";
}

} // namespace brindle::test
