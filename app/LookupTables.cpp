// Filling of the model-name lookup lists and the fixed armor-piece table.
#include "app/LookupTables.h"

#include "platform/Ascii.h"

#include <utility>

namespace brindle {

void LookupTables::Append(std::vector<std::string>& list, LastEntryIndex& index, std::string entry)
{
    // Model names are resource names of at most 32 characters: a longer entry can never be found
    // in one, and a crafted table cell of megabytes would cost a trie node per character.
    if (entry.size() <= kMaxModelNameLength)
        index.Add(entry, list.size());
    list.push_back(std::move(entry));
}

void LookupTables::AddGender(std::string_view cell)
{
    Append(m_Genders, m_GenderIndex, ascii::ToUpper(cell));
}

void LookupTables::AddRace(std::string_view cell)
{
    // The helm model column holds the race code followed by a gender placeholder (P_HH?).
    std::string race = ascii::ToUpper(cell);
    if (!race.empty())
        race.pop_back();
    Append(m_Races, m_RaceIndex, std::move(race));
}

void LookupTables::AddArmorVisualType(std::string_view cell, std::uint32_t row)
{
    std::string prefix = ascii::ToUpper(cell);
    m_ArmorVisualTypeIndex[prefix] = row;
    Append(m_ArmorVisualTypes, m_ArmorVisualTypeLookup, std::move(prefix));
}

void LookupTables::AddItemClass(std::string_view cell)
{
    Append(m_ItemClasses, m_ItemClassIndex, ascii::ToUpper(cell));
}

void LookupTables::AppendFixedRaces()
{
    for (const char* race : {"P_HA", "P_AA", "P_GY"})
        Append(m_Races, m_RaceIndex, race);
}

void LookupTables::AppendFixedItemClasses()
{
    for (const char* itemClass : {"BELT", "BODY", "BOOTS", "CLOAK", "GLOVES", "HELM"})
        Append(m_ItemClasses, m_ItemClassIndex, itemClass);
}

void LookupTables::FillArmorPieceTable()
{
    // Keys are the piece names inside armor-part model names; values are the names the crafting
    // scripts use. "LANKEL" is how the game's models spell it.
    static const std::pair<const char*, const char*> kPieces[] = {
        {"LSHOULDER", "ACLtShoulder"}, {"RSHOULDER", "ACRtShoulder"}, {"LBRACER", "ACLtBracer"},
        {"RBRACER", "ACRtBracer"},     {"LELBOW", "ACLtElbow"},       {"RELBOW", "ACRtElbow"},
        {"LUPARM", "ACLtArm"},         {"RUPARM", "ACRtArm"},         {"LHIP", "ACLtHip"},
        {"RHIP", "ACRtHip"},           {"FHIP", "ACFtHip"},           {"BHIP", "ACBkHip"},
        {"LUPLEG", "ACLtLeg"},         {"RUPLEG", "ACRtLeg"},         {"LLOWLEG", "ACLtShin"},
        {"RLOWLEG", "ACRtShin"},       {"LKNEE", "ACLtKnee"},         {"RKNEE", "ACRtKnee"},
        {"LFOOT", "ACLtFoot"},         {"RFOOT", "ACRtFoot"},         {"LANKEL", "ACLtAnkle"},
    };
    for (const auto& [key, name] : kPieces)
        m_ArmorPieces[key] = name;
}

} // namespace brindle
