// Reading of model resource names by their three grammars.
#include "app/ModelRecord.h"

#include "app/LookupTables.h"
#include "platform/Ascii.h"

#include <boost/lexical_cast.hpp>

#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <typeinfo>
#include <utility>

namespace brindle {

namespace {

constexpr const char* kModelRaceFailed = "Could not gather race from model.";
constexpr const char* kModelGenderFailed = "Could not gather gender from model.";
constexpr const char* kModelArmorVisualTypeFailed = "Could not gather Armor Visual Type from model.";
constexpr const char* kModelItemClassFailed = "Could not gather Item Class from model.";
constexpr const char* kModelVariationFailed = "Could not gather variation from model.";
constexpr const char* kModelToIndexFailed = "Could not convert VDRK to index.";
constexpr const char* kModelToAVTIndexFailed = "Invalid call of ToAVTIndex().";

// The list entry a last-entry lookup picked, or nullptr when it picked none or an empty one: an
// empty code "matches" everywhere but identifies nothing.
const std::string* Winner(const std::vector<std::string>& list, std::size_t index)
{
    if (index == LastEntryIndex::npos || list[index].empty())
        return nullptr;
    return &list[index];
}

std::string Concatenate(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (const std::string_view part : parts)
        text += part;
    return text;
}

} // namespace

std::uint32_t ParseModelVariation(const std::string& text)
{
    // The unsigned conversion accepts a minus sign and wraps the value (-4294967295 reads as 1);
    // a negative number is no variation, so refuse it the way the conversion refuses other text.
    if (!text.empty() && text.front() == '-')
        throw boost::bad_lexical_cast(typeid(std::string), typeid(std::uint32_t));
    const auto variation = boost::lexical_cast<std::uint32_t>(text);
    if (variation > kMaxModelVariation)
        throw std::runtime_error(kModelVariationFailed);
    return variation;
}

ModelRecord::ModelRecord(const LookupTables& tables, std::string name)
    : m_Tables(&tables), m_Name(std::move(name))
{
    if (!Read(m_Name))
        throw std::runtime_error(kModelParseFailed);
}

bool ModelRecord::HasGrammar(std::string_view name)
{
    if (name.size() < 2 || name[1] != '_')
        return false;
    const char prefix = ascii::ToUpper(name[0]);
    return prefix == 'P' || prefix == 'A' || prefix == 'W';
}

bool ModelRecord::Read(std::string name)
{
    name = ascii::ToUpper(name);
    const std::size_t underscore = name.find('_');
    if (underscore == std::string::npos)
        return false;
    m_Prefix = name.substr(0, underscore);
    if (IsArmorVariation())
        ReadArmorVariation(name);
    else if (IsArmorPart())
        ReadArmorPart(std::move(name));
    else if (IsWeapon())
        ReadWeapon(name);
    else
        return false;
    return true;
}

std::size_t ModelRecord::ReadRace(const std::string& name)
{
    m_Race = Winner(m_Tables->Races(), m_Tables->RaceIndex().FindLastOccurring(name));
    if (!m_Race)
        throw std::runtime_error(kModelRaceFailed);
    return name.find(*m_Race);
}

std::size_t ModelRecord::ReadGender(const std::string& name, std::size_t position)
{
    m_Gender = Winner(m_Tables->Genders(), m_Tables->GenderIndex().FindLastAt(name, position));
    if (!m_Gender)
        throw std::runtime_error(kModelGenderFailed);
    // One separator character follows the gender, whatever it is.
    return position + m_Gender->size() + 1;
}

void ModelRecord::ReadArmorVariation(const std::string& name)
{
    // The race may stand anywhere; reading goes on right after its first occurrence.
    std::size_t position = ReadRace(name) + m_Race->size();
    position = ReadGender(name, position);

    m_Visual = Winner(m_Tables->ArmorVisualTypes(), m_Tables->ArmorVisualTypeLookup().FindLastAt(name, position));
    if (!m_Visual)
        throw std::runtime_error(kModelArmorVisualTypeFailed);
    position += m_Visual->size() + 1;

    m_ItemClass = Winner(m_Tables->ItemClasses(), m_Tables->ItemClassIndex().FindLastAt(name, position));
    if (!m_ItemClass)
        throw std::runtime_error(kModelItemClassFailed);
    position += m_ItemClass->size();

    m_Variation = ParseModelVariation(name.substr(position));
}

void ModelRecord::ReadArmorPart(std::string name)
{
    // Armor parts share the race codes of the body models (P_HH), so read them as such. The race
    // is taken to open the name, wherever the match was found.
    name[0] = 'P';
    ReadRace(name);
    std::size_t position = ReadGender(name, m_Race->size());

    const std::string_view rest = std::string_view(name).substr(position);
    const auto& pieces = m_Tables->ArmorPieces();
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        if (rest.starts_with(piece->first)) {
            m_Visual = &piece->second;
            position += piece->first.size();
            break;
        }
    }
    if (!m_Visual || m_Visual->empty())
        throw std::runtime_error(kModelArmorVisualTypeFailed);

    m_Variation = ParseModelVariation(name.substr(position));
}

void ModelRecord::ReadWeapon(const std::string& name)
{
    m_ItemClass = Winner(m_Tables->ItemClasses(), m_Tables->ItemClassIndex().FindLastAt(name, 0));
    if (!m_ItemClass)
        throw std::runtime_error(kModelItemClassFailed);
    const std::size_t classEnd = m_ItemClass->size();

    // W_LSWORD03 has no model part letter; W_LSWORD03_B names part B.
    const std::size_t separator = name.find('_', classEnd);
    std::string variation;
    if (separator == std::string::npos) {
        m_ModelPart.assign(1, 'A');
        variation = name.substr(classEnd);
    } else {
        m_ModelPart.assign(1, name.at(separator + 1));
        // Reaching here means the name holds at least two characters past the item class.
        variation = name.substr(classEnd, name.size() - 2 - classEnd);
    }
    m_Variation = ParseModelVariation(variation);
}

std::string ModelRecord::ToIndex() const
{
    if (IsArmorVariation())
        return Concatenate({"VK_", *m_Race, *m_Gender, "_", *m_Visual, "_", *m_ItemClass});
    if (IsArmorPart())
        return Concatenate({"VK_A", std::string_view(*m_Race).substr(1), *m_Gender, "_", *m_Visual});
    if (IsWeapon())
        return Concatenate({"VK_", *m_ItemClass, "_", m_ModelPart});
    throw std::runtime_error(kModelToIndexFailed);
}

std::string ModelRecord::ToAVTIndex() const
{
    if (!IsArmorVariation())
        throw std::runtime_error(kModelToAVTIndexFailed);
    return Concatenate({"VK_AVT_", *m_Race, *m_Gender, "_", *m_ItemClass});
}

} // namespace brindle
