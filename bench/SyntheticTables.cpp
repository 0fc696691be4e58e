// Made-up game tables in the shapes of the real ones: mostly empty cells ("****"), a few columns
// the tool reads among many it does not, mixed-case codes, duplicate codes.
#include "bench/SyntheticTables.h"

#include <cstddef>

namespace brindle::bench {

namespace {

constexpr std::size_t kAppearanceRows = 5000;
constexpr std::uint32_t kHelmPercent = 20;        // about 1,000 rows carry a helm model
constexpr std::uint32_t kPlayableHelmPercent = 35; // of those, the share naming a playable race
constexpr std::size_t kBaseItemRows = 250;
constexpr std::size_t kArmorVisualRows = 30;
constexpr std::size_t kCreatureNames = 360;
const std::string kEmpty = "****";

const std::vector<std::string> kRaceCodes = {
    "HH", "EE", "DD", "GG", "OO", "AA", "HA", "GY", "NL", "PX", "OG", "AS", "TT",
    "YG", "ES", "EW", "ED", "GD", "GS", "HE", "HO", "KO", "LZ", "SV", "WF"};
const std::vector<std::string> kGenders = {"M", "F", "B", "O", "N"};
// Rows of armorvisualdata; the empty ones are rows the game keeps free.
const std::vector<std::string> kArmorVisualPrefixes = {
    "CL", "CP", "LE", "LS", "CH", "SC", "BA", "PH", "PF", "HD", "NK", "", "", "RG", "MW",
    "ST", "DR", "VL", "GL", "FR", "KN", "BD", "WZ", "MK", "SP", "RN", "TM", "BT", "JN", "QR"};
const std::vector<std::string> kWeaponClasses = {
    "W_LSword", "W_SSword", "W_GSword", "W_BSword", "w_axe", "W_GAxe", "w_Haxe", "w_club", "W_Mace",
    "w_flail", "W_Staff", "w_spear", "w_dagger", "w_Lbow", "w_Sbow", "w_xbowH", "w_xbowL", "w_sling",
    "w_whip", "w_scythe", "w_sickle", "W_WHammer", "W_Maul", "W_Pick", "W_Lance", "w_trident",
    "W_Katana", "w_Rapier", "w_falchion", "w_kukri", "w_kama", "w_torch", "w_shield_small",
    "w_shield_large", "w_shield_tower", "W_Glaive", "W_Halberd", "W_MStar", "W_DAxe", "w_scimitar",
    "W_Waraxe", "w_dart", "w_shuriken", "w_tkrock"};
const std::vector<std::string> kArmorPieces = {
    "LShoulder", "RShoulder", "LBracer", "RBracer", "LElbow", "RElbow", "LUpArm", "RUpArm", "LHip", "RHip",
    "FHip", "BHip", "LUpLeg", "RUpLeg", "LLowLeg", "RLowLeg", "LKnee", "RKnee", "LFoot", "RFoot", "LAnkel"};
const std::vector<std::string> kBodyPartClasses = {"Body", "Boots", "Gloves", "Helm", "Cloak", "Belt"};

const std::vector<std::string> kSyllables = {
    "ar", "bel", "cor", "dra", "el", "fen", "gor", "hal", "ith", "jor", "kal", "lor", "mor", "nar",
    "oth", "pel", "quar", "ras", "sil", "tor", "ul", "vas", "wyn", "xan", "yor", "zel"};

std::string Number(std::size_t value)
{
    return std::to_string(value);
}

std::string Decimal(SeededRandom& random)
{
    return Number(random.Between(0, 2)) + "." + Number(random.Between(10, 99));
}

std::string CreatureName(SeededRandom& random)
{
    std::string name;
    const std::uint32_t parts = random.Between(2, 4);
    for (std::uint32_t i = 0; i < parts; ++i)
        name += random.Pick(kSyllables);
    return name;
}

} // namespace

std::string Build2da(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows)
{
    std::string text = "2DA V2.0\r\n\r\n";
    for (const std::string& column : columns)
        text += "\t" + column;
    text += "\r\n";
    for (std::size_t row = 0; row < rows.size(); ++row) {
        text += Number(row);
        for (const std::string& cell : rows[row])
            text += "\t" + cell;
        text += "\r\n";
    }
    return text;
}

const std::vector<std::string>& ArmorPieces()
{
    return kArmorPieces;
}

const std::vector<std::string>& BodyPartClasses()
{
    return kBodyPartClasses;
}

SyntheticTables::SyntheticTables(SeededRandom& random)
    : m_RaceCodes(kRaceCodes), m_Genders(kGenders), m_WeaponClasses(kWeaponClasses)
{
    for (const std::string& prefix : kArmorVisualPrefixes) {
        if (!prefix.empty())
            m_VisualTypes.push_back(prefix);
    }
    for (std::size_t i = 0; i < kCreatureNames; ++i)
        m_CreatureNames.push_back(CreatureName(random));
    DrawAppearance(random);
    DrawBaseItems(random);
}

std::string SyntheticTables::Gender() const
{
    std::vector<std::vector<std::string>> rows;
    const std::vector<std::string> constants = {"GENDER_MALE", "GENDER_FEMALE", "GENDER_BOTH", "GENDER_OTHER", "GENDER_NONE"};
    for (std::size_t i = 0; i < m_Genders.size(); ++i)
        rows.push_back({Number(150 + i), m_Genders[i], kEmpty, constants[i]});
    return Build2da({"NAME", "GENDER", "GRAPHIC", "CONSTANT"}, rows);
}

std::string SyntheticTables::ArmorVisualData() const
{
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < kArmorVisualRows; ++i) {
        const std::string& prefix = kArmorVisualPrefixes[i % kArmorVisualPrefixes.size()];
        const std::string label = prefix.empty() ? "Unused" + Number(i) : "Visual_" + prefix;
        // One toolset name with a blank, quoted as the game writes it.
        const std::string toolsetName = i == 7 ? "\"Costume Barrel\"" : Number(6000 + i);
        rows.push_back({label, toolsetName, prefix.empty() ? kEmpty : prefix, i == 0 ? kEmpty : Number(i / 4)});
    }
    return Build2da({"Label", "ToolsetName", "Prefix", "Parent"}, rows);
}

void SyntheticTables::DrawAppearance(SeededRandom& random)
{
    // A wide table: the tool reads one column of about forty.
    const std::vector<std::string> columns = {
        "LABEL", "STRING_REF", "BodyType", "Segments", "NWN2_Scale_X", "NWN2_Scale_Y", "NWN2_Scale_Z",
        "AnimationSpeed", "NWN2_Model_Body", "NWN2_Model_Helm", "NWN2_Model_Head", "NWN2_Model_Hair",
        "NWN2_Head_Skeleton", "NWN2_Skeleton_File", "NWN2_AccessorySize", "NWN2_AccessoryType",
        "ToolsetUseStubModel", "Mount", "NAME", "RACE", "ENVMAP", "BLOODTYPE", "MODELTYPE",
        "WEAPONSCALE", "ATTACKDISTSCALE", "WINGTAILSCALE", "HELMSCALE_M", "HELMSCALE_F", "MOVERATE",
        "WALKDIST", "RUNDIST", "PERSPACE", "CREPERSPACE", "HEIGHT", "HITDIST", "PREFATCKDIST",
        "TARGETHEIGHT", "ABORTONPARRY", "RACIALTYPE", "HASLEGS", "HASARMS", "PORTRAIT", "SIZECATEGORY"};
    std::vector<std::vector<std::string>> rows;
    rows.reserve(kAppearanceRows);
    for (std::size_t i = 0; i < kAppearanceRows; ++i) {
        std::string model = kEmpty;
        std::string helm = kEmpty;
        if (random.Chance(kHelmPercent)) {
            if (random.Chance(kPlayableHelmPercent)) {
                // The last letter is the gender slot: "?" for either, or M or F.
                const std::string slot[] = {"?", "M", "F"};
                model = "P_" + random.Pick(m_RaceCodes) + slot[random.Below(3)];
            } else {
                const std::string& creature = random.Pick(m_CreatureNames);
                model = (random.Chance(70) ? "c_" : "N_") + creature;
            }
            helm = model;
        } else if (random.Chance(30)) {
            model = "c_" + random.Pick(m_CreatureNames);
        }
        std::vector<std::string> row = {
            "Row_" + Number(i), Number(1900 + i), random.Chance(50) ? "1" : kEmpty, Number(random.Below(3)),
            Decimal(random), Decimal(random), Decimal(random), "1", model, helm,
            model == kEmpty ? kEmpty : model + "_Head", model == kEmpty ? kEmpty : model + "_Hair",
            model == kEmpty ? kEmpty : model + "_Skel", model == kEmpty ? kEmpty : model + "_Skel",
            "1", Number(random.Below(40)), "0", Number(random.Below(3)), "Character_model", "D",
            "default", "1", "P", "1", "1", "1", Decimal(random), Decimal(random), "NORM", Decimal(random),
            Decimal(random), "0.3", "0.3", Decimal(random), "0.5", Decimal(random), "H", "1",
            Number(random.Below(30)), "1", "1", kEmpty, Number(random.Below(6))};
        rows.push_back(std::move(row));
    }
    m_Appearance = Build2da(columns, rows);
}

void SyntheticTables::DrawBaseItems(SeededRandom& random)
{
    std::vector<std::string> columns = {"Name", "label", "InvSlotWidth", "InvSlotHeight", "EquipableSlots",
                                        "CanRotateIcon", "ModelType", "NWN2_Anim", "ItemClass", "GenderSpecific"};
    // Many further columns the tool never reads.
    for (std::size_t i = 0; i < 50; ++i)
        columns.push_back("Stat" + Number(i));
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < kBaseItemRows; ++i) {
        std::string itemClass = kEmpty;
        if (i < m_WeaponClasses.size())
            itemClass = m_WeaponClasses[i];
        else if (random.Chance(30))
            itemClass = random.Chance(80) ? random.Pick(m_WeaponClasses) : "it_" + random.Letters(5);
        else if (random.Chance(5))
            itemClass = "*"; // a placeholder the tool skips
        std::vector<std::string> row = {Number(100 + i), "item" + Number(i), Number(random.Between(1, 2)),
                                        Number(random.Between(1, 4)), "0x1C030", "1", Number(random.Below(4)), "0",
                                        itemClass, "0"};
        for (std::size_t c = 10; c < columns.size(); ++c)
            row.push_back(random.Chance(40) ? kEmpty : Number(random.Below(2000)));
        rows.push_back(std::move(row));
    }
    m_BaseItems = Build2da(columns, rows);
}

} // namespace brindle::bench
