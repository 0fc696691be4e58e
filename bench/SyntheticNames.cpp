// Name patterns of the synthetic game's resources.
#include "bench/SyntheticNames.h"

#include <cstdio>
#include <vector>

namespace brindle::bench {

namespace {

const std::vector<std::string> kAnimations = {"idle", "walk", "run", "attack01", "attack02", "death", "cast",
                                              "talk", "sit", "hit", "dodge", "parry", "kneel", "cheer"};
const std::vector<std::string> kPlaceables = {"chair", "table", "barrel", "crate", "door", "wall", "tree",
                                              "rock", "bridge", "pillar", "statue", "altar", "bookcase"};
const std::vector<std::string> kTemplateExtensions = {"UTC", "uti", "utp", "UTD", "utm", "ute", "uts", "utt", "utw"};
const std::vector<std::string> kMaterialExtensions = {"dds", "DDS", "tga", "mtr"};
const std::vector<std::string> kLooseExtensions = {"uti", "utc", "2da", "dds", "nss", "ncs", "MDB", "tga", "dlg"};
const std::vector<std::string> kCreatureParts = {"body", "head", "hair", "cl_body", "wings", "tail"};
const std::vector<std::string> kHeadParts = {"Head", "Hair", "FHair", "Eyes"};

std::string TwoDigits(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%02u", value);
    return text;
}

} // namespace

SyntheticNames::SyntheticNames(SeededRandom& random, const SyntheticTables& tables) : m_Random(random), m_Tables(tables)
{
}

std::string SyntheticNames::Variation(std::uint32_t low, std::uint32_t high)
{
    // Now and then a number above the highest variation the tool accepts, as in the game's data.
    if (m_Random.Chance(1))
        return std::to_string(m_Random.Between(257, 400));
    return TwoDigits(m_Random.Between(low, high));
}

std::string SyntheticNames::Word()
{
    return m_Random.Letters(m_Random.Between(3, 8));
}

std::string SyntheticNames::ArmorVariation()
{
    const std::string race = "P_" + m_Random.Pick(m_Tables.RaceCodes()) + m_Random.Pick(m_Tables.Genders());
    if (m_Random.Chance(12)) // heads and hair: no armor visual type, so the tool passes them over
        return race + "_" + m_Random.Pick(kHeadParts) + Variation(1, 20);
    return race + "_" + m_Random.Pick(m_Tables.VisualTypes()) + "_" + m_Random.Pick(BodyPartClasses()) + Variation(1, 60);
}

std::string SyntheticNames::ArmorPart()
{
    return "A_" + m_Random.Pick(m_Tables.RaceCodes()) + m_Random.Pick(m_Tables.Genders()) + "_" +
           m_Random.Pick(ArmorPieces()) + Variation(1, 40);
}

std::string SyntheticNames::Weapon()
{
    std::string name = m_Random.Pick(m_Tables.WeaponClasses()) + Variation(1, 99);
    const std::uint32_t part = m_Random.Below(10);
    if (part < 6)
        name += std::string("_") + "abc"[part % 3];
    else if (part == 6)
        name += "_B";
    return name;
}

std::string SyntheticNames::Creature()
{
    return "c_" + m_Random.Pick(m_Tables.CreatureNames()) + "_" + m_Random.Pick(kCreatureParts) + TwoDigits(m_Random.Between(1, 12));
}

std::string SyntheticNames::Placeable(const char* suffix)
{
    return "plc_" + m_Random.Pick(kPlaceables) + "_" + Word() + TwoDigits(m_Random.Between(1, 30)) + suffix;
}

std::string SyntheticNames::ModelName()
{
    const std::uint32_t kind = m_Random.Below(100);
    if (kind < 36)
        return ArmorVariation();
    if (kind < 62)
        return ArmorPart();
    if (kind < 78)
        return Weapon();
    if (kind < 88)
        return Creature();
    if (kind < 97)
        return Placeable("");
    // Other families (tiles, effects, NPC heads) share the folder of placeables.
    const char* prefixes[] = {"tn_", "fx_", "n_", "t_"};
    return prefixes[m_Random.Below(4)] + Word() + TwoDigits(m_Random.Between(1, 50));
}

std::string SyntheticNames::ModelFolder(const std::string& model) const
{
    switch (model[0]) {
    case 'P':
        return "NWN2_Models/Characters/Armor/" + model.substr(0, 5) + "/";
    case 'A':
        return "NWN2_Models/Characters/ArmorParts/" + model.substr(0, 5) + "/";
    case 'W':
    case 'w':
        return "NWN2_Models/Items/Weapons/";
    case 'c':
        return "NWN2_Models/Creatures/" + model.substr(2, model.find('_', 2) - 2) + "/";
    default:
        return "NWN2_Models/Placeables/";
    }
}

std::string SyntheticNames::ArchivePath(ContentKind kind, const std::string& top)
{
    const std::string serial = std::to_string(++m_Serial);
    const std::string word = Word();
    switch (kind) {
    case ContentKind::Tables:
        return top + "/" + word + serial + ".2da";
    case ContentKind::Animations:
        return top + "/Animations/" + m_Random.Pick(m_Tables.RaceCodes()) + "/" + word + "_" + m_Random.Pick(kAnimations) + serial + ".gr2";
    case ContentKind::AnimTags:
        return top + "/" + word + serial + ".xml";
    case ContentKind::Dialogs:
        return top + "/Campaign" + std::to_string(m_Random.Below(4)) + "/" + word + serial + ".dlg";
    case ContentKind::Settings:
        return top + "/" + word + serial + ".ini";
    case ContentKind::LodModels: {
        const std::string model = Placeable("_L0") + std::to_string(m_Random.Between(1, 3));
        return top + "/" + model + (m_Random.Chance(50) ? ".MDB" : ".mdb");
    }
    case ContentKind::Music:
        return top + "/mus_" + word + serial + ".bmu";
    case ContentKind::Materials:
        return top + "/Textures/" + word.substr(0, 2) + "/" + word + serial + "." + m_Random.Pick(kMaterialExtensions);
    case ContentKind::Models: {
        const std::string model = ModelName();
        return ModelFolder(model) + model + (m_Random.Chance(30) ? ".MDB" : ".mdb");
    }
    case ContentKind::Effects:
        return top + "/fx_" + word + serial + (m_Random.Chance(50) ? ".sef" : ".pfx");
    case ContentKind::Prefabs:
        return top + "/Prefabs/" + word + serial + ".pfb";
    case ContentKind::Scripts:
        return top + "/" + word + serial + (m_Random.Chance(50) ? ".nss" : ".NCS");
    case ContentKind::Sounds:
        return top + "/" + word.substr(0, 1) + "/as_" + word + serial + ".wav";
    case ContentKind::SoundSets:
        return top + "/ss_" + word + serial + ".ssf";
    case ContentKind::Trees:
        return top + "/Trees/" + word + serial + ".spt";
    case ContentKind::Templates:
        return top + "/" + word + serial + "." + m_Random.Pick(kTemplateExtensions);
    case ContentKind::Voices:
        return top + "/Campaign" + std::to_string(m_Random.Below(4)) + "/vo_" + word + serial + ".WAV";
    case ContentKind::Walkmeshes:
        return top + "/" + Placeable("_wm") + ".mdb";
    }
    return top + "/" + word + serial + ".txt";
}

std::pair<std::string, std::string> SyntheticNames::LooseResource()
{
    const std::string& extension = m_Random.Pick(kLooseExtensions);
    if (extension == "MDB")
        return {ModelName(), extension};
    return {"bb_" + Word() + std::to_string(++m_Serial), extension};
}

} // namespace brindle::bench
