// Writes the seed corpora of the fuzz targets, built with the test suite's file writers, into one
// subdirectory per target under the directory given as the only argument.
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/GffWriter.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"
#include "tests/support/ZipWriter.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

using brindle::test::WriteFile;

void WriteSeeds(const std::string& dir, const std::vector<std::string>& seeds)
{
    for (std::size_t i = 0; i < seeds.size(); ++i)
        WriteFile(dir + "/seed" + std::to_string(i), seeds[i]);
}

void ErfSeeds(const std::string& dir)
{
    using brindle::test::BuildErf;
    const std::string ifo = brindle::test::BuildModuleIfo({"hak_one"}, "custom");
    WriteSeeds(dir, {
        BuildErf({}),
        BuildErf({{"gender", brindle::ResType2da, "2DA V2.0\n\n   LABEL\n0  M\n"},
                  {"p_hhm_cl_body01", brindle::ResTypeMdb, "model bytes"},
                  {"module", brindle::ResTypeIfo, ifo}}),
        BuildErf({{"module", brindle::ResTypeIfo, ifo}, {"empty", brindle::ResTypeMdb, ""}}, "MOD "),
        BuildErf({{"abcdefghijklmnopqrstuvwxyz012345", brindle::ResType2da, "x"}}, "ERF "),
    });
}

void ZipSeeds(const std::string& dir)
{
    using brindle::test::WriteZip;
    brindle::test::MakeDirectories(dir);
    WriteZip(dir + "/seed0", {{"gender.2da", "2DA V2.0\n\n   LABEL\n0  M\n"},
                              {"Models/P_HHM_CL_Body01.MDB", std::string(3000, 'm')},
                              {"Models/", ""},
                              {"empty.mdb", ""}});
    WriteZip(dir + "/seed1", {{"a.tga", "tiny"}});
    WriteZip(dir + "/seed2", {});
    WriteZip(dir + "/seed3", {{"Data/A_HHM_LShoulder02.mdb", "part"}, {"x.2da", "2DA V2.0\n"}},
             brindle::test::ZipEndRecords::Always64);
}

void GffSeeds(const std::string& dir)
{
    using brindle::test::BuildModuleIfo;
    brindle::test::GffWriter fallback("IFO ");
    fallback.AddExoString(0, "Mod_Hak", "OnlyHak");
    fallback.AddDword(0, "Mod_Version", 3);
    fallback.AddResRef(0, "Mod_Entry_Area", "area1");
    WriteSeeds(dir, {
        BuildModuleIfo({"HakOne", "hak_two", "Hak3"}, "custom"),
        BuildModuleIfo({}, ""),
        BuildModuleIfo({"", std::string(40, 'L')}, "x"),
        fallback.Build(),
    });
}

void TwoDASeeds(const std::string& dir)
{
    WriteSeeds(dir, {
        "2DA V2.0\r\n\r\n   LABEL  GENDER\r\n0  Male  M\r\n1  Female  F\r\n",
        "2DA\tV2.0\n\nLabel ToolsetName Prefix Parent\n0 Cloth 12 CL ****\n1 \"Costume Barrel\" 13 LE 0\n",
        "2DA V2.0\rDEFAULT: ****\rItemClass\r0 W_LSword\r1 ****\r",
        "2DA V2.0\n\nA B\n0 x\n",
    });
}

void TlkSeeds(const std::string& dir)
{
    WriteSeeds(dir, {brindle::test::BuildTlk(0), brindle::test::BuildTlk(3), brindle::test::BuildTlk(40)});
}

void ModelNameSeeds(const std::string& dir)
{
    WriteSeeds(dir, {"P_HHM_CL_BODY01", "P_EEF_LE_Boots12", "A_HHM_LSHOULDER02", "A_HHF_RBracer001",
                     "W_LSWORD03_B", "W_DAG01", "W_SHE_LARGE07_c", "P_HHM_CL_HELM0256", "P_GYM_CH_CLOAK"});
}

void SettingsSeeds(const std::string& dir)
{
    WriteSeeds(dir, {
        "[settings]\nmodule = MyModule\nignoresingles = 0\n\n[paths]\nnwn2-install = /games/nwn2\n"
        "nwn2-home = /home/me/nwn2\n\n[invisiblemodels]\nmodelparts = 1\nvariations = 1\narmorpieces = 1\n",
        "# comment\nsettings.module=a\r\nunknown.option = 2\n[invisiblemodels]\nvariations=1\n",
        "[settings]\nmodule = a\nmodule = b\n",
        std::string("[settings]\nmodule = a\0b\nreport = r\n[]\n[paths.]\nnwn2-home=h\n", 59),
        "[paths]\nnwn2-install = x\n# again:\n[paths]\nnwn2-install = y\n[settings\n",
    });
}

void SearchFileSeeds(const std::string& dir)
{
    WriteSeeds(dir, {
        "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/me/.local/share/Steam\"\n"
        "\t\t\"apps\"\n\t\t{\n\t\t\t\"2738630\"\t\t\"123\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n"
        "\t\t\"path\"\t\t\"D:\\\\SteamLibrary\"\n\t}\n}\n",
        "\"AppState\"\n{\n\t\"appid\"\t\t\"2738630\"\n\t\"installdir\"\t\t\"NWN2 Enhanced Edition\"\n}\n"
        "// comment\nbare { key value }\n",
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
        "[Software\\\\Wow6432Node\\\\Obsidian\\\\NWN 2\\\\Neverwinter] 1700000000\n#time=1d\n"
        "\"Location\"=\"C:\\\\Program Files (x86)\\\\Atari\\\\Neverwinter Nights 2\"\n"
        "\"Odd\"=str(2):\"caf\\xe9\\xd83d\\xde00\\t\\101\"\n",
        "WINE REGISTRY Version 2\n\n[Software\\\\Valve\\\\Steam] 1700000000\n"
        "\"SteamPath\"=\"c:/program files (x86)/steam\"\n\"x\"=dword:00000001\n",
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    try {
        ErfSeeds(root + "/erf");
        ZipSeeds(root + "/zip");
        GffSeeds(root + "/gff");
        TwoDASeeds(root + "/2da");
        TlkSeeds(root + "/tlk");
        ModelNameSeeds(root + "/model_name");
        SettingsSeeds(root + "/settings");
        SearchFileSeeds(root + "/search_files");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
