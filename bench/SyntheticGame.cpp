// Writes the synthetic game with the writers the tests use.
#include "bench/SyntheticGame.h"

#include "bench/SeededRandom.h"
#include "bench/SyntheticNames.h"
#include "bench/SyntheticTables.h"
#include "platform/Ascii.h"
#include "resources/ResourceTypes.h"
#include "tests/support/ErfWriter.h"
#include "tests/support/GffWriter.h"
#include "tests/support/ScopedTempDir.h"
#include "tests/support/TlkWriter.h"
#include "tests/support/ZipWriter.h"

#include <set>
#include <string>
#include <vector>

namespace brindle::bench {

namespace {

constexpr std::size_t kHakCount = 20;
constexpr std::size_t kHakEntries = 1000;
constexpr std::size_t kModuleEntries = 600;
constexpr std::size_t kLooseFilesPerOverride = 1000;
constexpr std::uint32_t kDialogStrings = 100000;
constexpr std::uint32_t kCustomStrings = 5000;
const char* const kCustomTlk = "BrindleBench";

// One family of data archives: its content, the file names of its releases (base, first and
// second expansion, spelled as the releases spell them) and its entries over all releases.
struct Family {
    ContentKind kind;
    const char* top;
    std::vector<const char*> files;
    std::size_t entries;
};

// 51 archives, about 150,000 entries, 40,000 of them models.
const std::vector<Family> kFamilies = {
    {ContentKind::Tables, "2DA", {"2DA.zip", "2DA_X1.zip", "2DA_X2.zip"}, 900},
    {ContentKind::Animations, "Actors", {"Actors.zip", "Actors_X1.zip", "Actors_X2.zip"}, 9000},
    {ContentKind::AnimTags, "AnimTags", {"AnimTags.zip"}, 800},
    {ContentKind::Dialogs, "Convo", {"Convo.zip", "Convo_X1.zip", "Convo_X2.zip"}, 7000},
    {ContentKind::Settings, "Ini", {"Ini.zip", "Ini_X1.zip"}, 60},
    {ContentKind::LodModels, "lod-merged", {"lod-merged.zip", "lod-merged_x1.zip", "lod-merged_x2.zip"}, 4500},
    {ContentKind::Music, "Music", {"Music.zip", "Music_X1.zip", "Music_X2.zip"}, 300},
    {ContentKind::Materials, "NWN2_Materials", {"NWN2_Materials.zip", "NWN2_Materials_X1.zip", "NWN2_Materials_X2.zip"}, 31850},
    {ContentKind::Models, "NWN2_Models", {"NWN2_Models.zip", "NWN2_Models_X1.zip", "NWN2_Models_X2.zip"}, 34000},
    {ContentKind::Effects, "NWN2_VFX", {"NWN2_VFX.zip", "NWN2_VFX_X1.zip", "NWN2_VFX_X2.zip"}, 6000},
    {ContentKind::Prefabs, "Prefabs", {"Prefabs.zip", "Prefabs_X1.zip", "Prefabs_X2.zip"}, 2000},
    {ContentKind::Scripts, "Scripts", {"Scripts.zip", "Scripts_X1.zip", "Scripts_X2.zip"}, 14000},
    {ContentKind::Sounds, "Sounds", {"Sounds.zip", "Sounds_X1.zip", "Sounds_X2.zip"}, 12000},
    {ContentKind::SoundSets, "SoundSets", {"SoundSets.zip", "SoundSets_X1.zip", "SoundSets_X2.zip"}, 1200},
    {ContentKind::Trees, "SpeedTree", {"SpeedTree.zip", "SpeedTree_X1.zip", "SpeedTree_X2.zip"}, 900},
    {ContentKind::Templates, "Templates", {"Templates.zip", "Templates_X1.zip", "Templates_X2.zip"}, 12000},
    {ContentKind::Voices, "VO", {"VO.zip", "VO_X1.zip", "VO_X2.zip"}, 12000},
    {ContentKind::Walkmeshes, "walkmesh", {"walkmesh.zip", "walkmesh_x1.zip", "walkmesh_x2.zip"}, 1500},
};

// Shares of the base game and the two expansions, in percent.
const std::size_t kReleaseShare[] = {60, 22, 18};

bool IsModelPath(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && (path.compare(dot, 4, ".mdb") == 0 || path.compare(dot, 4, ".MDB") == 0);
}

// Small entry bodies: the tool never reads them, and the archives stay small.
std::string SmallData(SeededRandom& random)
{
    return "DATA" + random.Letters(random.Between(4, 24));
}

// The archive's entries with a folder entry before the first file of each folder, as some
// archivers write them.
std::vector<test::ZipEntry> WithFolderEntries(const std::vector<test::ZipEntry>& files, SeededRandom& random)
{
    std::vector<test::ZipEntry> entries;
    std::set<std::string> folders;
    for (const test::ZipEntry& file : files) {
        const std::size_t slash = file.path.rfind('/');
        if (slash != std::string::npos && random.Chance(50)) {
            const std::string folder = file.path.substr(0, slash + 1);
            if (folders.insert(folder).second)
                entries.push_back({folder, ""});
        }
        entries.push_back(file);
    }
    return entries;
}

void AddTables(std::size_t release, const SyntheticTables& tables, std::vector<test::ZipEntry>& files)
{
    // The tables come from different releases, as in the game; the tool extracts each once.
    if (release == 0) {
        files.push_back({"2DA/gender.2da", tables.Gender()});
        files.push_back({"2DA/armorvisualdata.2da", tables.ArmorVisualData()});
    } else if (release == 1) {
        files.push_back({"2DA_X1/baseitems.2da", tables.BaseItems()});
    } else {
        files.push_back({"2DA_X2/appearance.2da", tables.Appearance()});
    }
}

void WriteArchives(const std::string& dataDir, SeededRandom& random, SyntheticNames& names,
                   const SyntheticTables& tables, SyntheticGameCounts& counts)
{
    for (const Family& family : kFamilies) {
        std::size_t shareTotal = 0;
        for (std::size_t r = 0; r < family.files.size(); ++r)
            shareTotal += kReleaseShare[r];
        for (std::size_t r = 0; r < family.files.size(); ++r) {
            const std::size_t count = family.entries * kReleaseShare[r] / shareTotal;
            std::vector<test::ZipEntry> files;
            files.reserve(count + 3);
            if (family.kind == ContentKind::Tables)
                AddTables(r, tables, files);
            while (files.size() < count) {
                std::string path = names.ArchivePath(family.kind, family.top);
                if (IsModelPath(path))
                    ++counts.archiveModels;
                files.push_back({std::move(path), SmallData(random)});
            }
            counts.archiveEntries += files.size();
            ++counts.archives;
            test::WriteZip(dataDir + "/" + family.files[r], WithFolderEntries(files, random));
        }
    }
}

test::ErfEntry LooseErfEntry(SyntheticNames& names, SeededRandom& random)
{
    const auto [name, extension] = names.LooseResource();
    // HAK tools store names in lower case.
    return {ascii::ToLower(name), ExtToResType(ascii::ToLower(extension).c_str()), SmallData(random)};
}

std::vector<std::string> WriteHaks(const std::string& hakDir, SeededRandom& random, SyntheticNames& names,
                                   SyntheticGameCounts& counts)
{
    std::vector<std::string> haks;
    for (std::size_t h = 1; h <= kHakCount; ++h) {
        const std::string hak = "bb_hak" + std::string(h < 10 ? "0" : "") + std::to_string(h);
        std::vector<test::ErfEntry> entries;
        entries.reserve(kHakEntries);
        for (std::size_t i = 0; i < kHakEntries; ++i)
            entries.push_back(LooseErfEntry(names, random));
        counts.hakEntries += entries.size();
        test::WriteFile(hakDir + "/" + hak + ".hak", test::BuildErf(entries, "HAK "));
        haks.push_back(hak);
    }
    return haks;
}

void WriteModule(const std::string& modulesDir, const std::vector<std::string>& haks, SeededRandom& random,
                 SyntheticNames& names)
{
    std::vector<test::ErfEntry> entries;
    entries.push_back({"module", ResTypeIfo, test::BuildModuleIfo(haks, kCustomTlk)});
    const char* areaExtensions[] = {"are", "git", "gic"};
    for (std::size_t i = 0; i < kModuleEntries; ++i) {
        if (i % 4 == 0)
            entries.push_back({"area" + std::to_string(i / 12), ExtToResType(areaExtensions[(i / 4) % 3]), SmallData(random)});
        else
            entries.push_back(LooseErfEntry(names, random));
    }
    test::WriteFile(modulesDir + "/" + kBenchModuleName + ".mod", test::BuildErf(entries, "MOD "));
}

void WriteOverride(const std::string& dir, SeededRandom& random, SyntheticNames& names, SyntheticGameCounts& counts)
{
    const char* folders[] = {"", "Armor/", "items/", "Scripts/Custom/"};
    for (std::size_t i = 0; i < kLooseFilesPerOverride; ++i) {
        const auto [name, extension] = names.LooseResource();
        test::WriteFile(dir + "/" + folders[random.Below(4)] + name + "." + extension, SmallData(random));
        ++counts.looseFiles;
    }
}

} // namespace

SyntheticGameCounts SyntheticGame::Write(const std::string& root) const
{
    SeededRandom random(m_Seed);
    const SyntheticTables tables(random);
    SyntheticNames names(random, tables);
    SyntheticGameCounts counts;

    // Folder names in the case the game's installer and the player's system use; the tool
    // resolves them case-insensitively.
    const std::string install = root + "/install";
    const std::string home = root + "/home";
    test::MakeDirectories(install + "/Data");
    WriteArchives(install + "/Data", random, names, tables, counts);
    WriteOverride(install + "/Override", random, names, counts);
    test::WriteFile(install + "/dialog.tlk", test::BuildTlk(kDialogStrings));

    const std::vector<std::string> haks = WriteHaks(home + "/hak", random, names, counts);
    WriteModule(home + "/Modules", haks, random, names);
    WriteOverride(home + "/override", random, names, counts);
    test::WriteFile(home + "/tlk/" + kCustomTlk + ".tlk", test::BuildTlk(kCustomStrings));
    return counts;
}

} // namespace brindle::bench
