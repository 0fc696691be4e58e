// Reading of model resource names by their three grammars.
#include "app/ModelRecord.h"

#include "app/LookupTables.h"
#include "platform/Ascii.h"
#include "platform/ByteWords.h"

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <limits>
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

void Concatenate(std::string& text, std::initializer_list<std::string_view> parts)
{
    text.clear();
    for (const std::string_view part : parts)
        text += part;
}

// The text the variation conversion fails with; reported without raising by the run's reading.
const char* LexicalCastFailure()
{
    static const boost::bad_lexical_cast failure(typeid(std::string), typeid(std::uint32_t));
    return failure.what();
}

// What the unsigned conversion accepts: an optional "+", then decimal digits (leading zeros
// allowed) whose value fits 32 bits. A minus sign is refused: the conversion would wrap the value
// (-4294967295 would read as 1), and a negative number is no variation. Returns the failure's text.
const char* ReadVariation(std::string_view text, std::uint32_t& variation)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return LexicalCastFailure();
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!ascii::IsDigit(c))
            return LexicalCastFailure();
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            return LexicalCastFailure();
    }
    if (value > kMaxModelVariation)
        return kModelVariationFailed;
    variation = static_cast<std::uint32_t>(value);
    return nullptr;
}

[[noreturn]] void Raise(const char* failure)
{
    if (failure == LexicalCastFailure())
        throw boost::bad_lexical_cast(typeid(std::string), typeid(std::uint32_t));
    if (failure == kModelNameEndsEarly)
        throw std::out_of_range(failure);
    throw std::runtime_error(failure);
}

// True when reading would go on at a position past the end of name.
bool Beyond(std::string_view name, std::size_t position)
{
    return position > name.size();
}

bool HasLowerCase(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

} // namespace

std::uint32_t ParseModelVariation(const std::string& text)
{
    std::uint32_t variation = 0;
    if (const char* failure = ReadVariation(text, variation))
        Raise(failure);
    return variation;
}

ModelRecord::ModelRecord(const LookupTables& tables, std::string name)
    : m_Tables(&tables), m_Name(std::move(name))
{
    if (const char* failure = Read())
        Raise(failure);
}

const char* ModelRecord::TryRead(const LookupTables& tables, std::string_view name, std::optional<ModelRecord>& record)
{
    record = ModelRecord(tables, std::string(name), Unread{});
    const char* failure = record->Read();
    if (failure != nullptr)
        record.reset();
    return failure;
}

const char* ModelRecord::ReasonForReport(const char* failure)
{
    return failure == LexicalCastFailure() ? kVariationNotANumber : failure;
}

bool ModelRecord::IsWritableInScript(std::string_view name)
{
    const auto refused = [](char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; };
    // Eight bytes at a time; a byte is below 0x20 when neither it nor its low seven bits plus 0x60
    // reach the top bit.
    std::size_t at = 0;
    for (; name.size() - at >= 8; at += 8) {
        const std::uint64_t word = words::Load(name.data() + at);
        const std::uint64_t control =
            ~(((word & ~words::kHighBits) + words::kEveryByte * 0x60) | word) & words::kHighBits;
        if ((control | words::BytesEqual(word, '"') | words::BytesEqual(word, '\\')) != 0)
            return false;
    }
    return std::none_of(name.begin() + static_cast<std::ptrdiff_t>(at), name.end(), refused);
}

bool ModelRecord::HasGrammar(std::string_view name)
{
    if (name.size() < 2 || name[1] != '_')
        return false;
    const char prefix = ascii::ToUpper(name[0]);
    return prefix == 'P' || prefix == 'A' || prefix == 'W';
}

const char* ModelRecord::Read()
{
    // The run passes names in upper case already; only others need an upper-case copy.
    std::string upperCopy;
    if (HasLowerCase(m_Name))
        upperCopy = ascii::ToUpper(m_Name);
    const std::string& name = upperCopy.empty() ? m_Name : upperCopy;
    // Prefixes are compared whole: only a single character before the first "_" can be one.
    if (name.find('_') != 1)
        return kModelParseFailed;
    m_Prefix = name[0];
    if (IsArmorVariation())
        return ReadArmorVariation(name);
    if (IsArmorPart())
        return ReadArmorPart(name);
    if (IsWeapon())
        return ReadWeapon(name);
    return kModelParseFailed;
}

const char* ModelRecord::ReadRace(std::string_view name, std::size_t& position)
{
    m_Race = Winner(m_Tables->Races(), m_Tables->RaceIndex().FindLastOccurring(name));
    if (!m_Race)
        return kModelRaceFailed;
    position = name.find(*m_Race);
    return nullptr;
}

const char* ModelRecord::ReadGender(std::string_view name, std::size_t& position)
{
    if (Beyond(name, position))
        return kModelNameEndsEarly;
    m_Gender = Winner(m_Tables->Genders(), m_Tables->GenderIndex().FindLastAt(name, position));
    if (!m_Gender)
        return kModelGenderFailed;
    // One separator character follows the gender, whatever it is.
    position += m_Gender->size() + 1;
    return nullptr;
}

const char* ModelRecord::ReadArmorVariation(std::string_view name)
{
    // The race may stand anywhere; reading goes on right after its first occurrence.
    std::size_t position = 0;
    if (const char* failure = ReadRace(name, position))
        return failure;
    position += m_Race->size();
    if (const char* failure = ReadGender(name, position))
        return failure;

    if (Beyond(name, position))
        return kModelNameEndsEarly;
    m_Visual = Winner(m_Tables->ArmorVisualTypes(), m_Tables->ArmorVisualTypeLookup().FindLastAt(name, position));
    if (!m_Visual)
        return kModelArmorVisualTypeFailed;
    position += m_Visual->size() + 1;

    if (Beyond(name, position))
        return kModelNameEndsEarly;
    m_ItemClass = Winner(m_Tables->ItemClasses(), m_Tables->ItemClassIndex().FindLastAt(name, position));
    if (!m_ItemClass)
        return kModelItemClassFailed;
    position += m_ItemClass->size();

    return ReadVariation(name.substr(position), m_Variation);
}

const char* ModelRecord::ReadArmorPart(std::string_view original)
{
    // Armor parts share the race codes of the body models (P_HH), so read them as such. The race
    // is taken to open the name, wherever the match was found.
    std::string copy(original);
    copy[0] = 'P';
    const std::string_view name = copy;
    std::size_t position = 0;
    if (const char* failure = ReadRace(name, position))
        return failure;
    position = m_Race->size();
    if (const char* failure = ReadGender(name, position))
        return failure;

    if (Beyond(name, position))
        return kModelNameEndsEarly;
    const std::string_view rest = std::string_view(name).substr(position);
    // The greatest piece name the rest begins with wins. No name greater than the rest can begin
    // it, so the search goes down from there.
    const auto& pieces = m_Tables->ArmorPieces();
    for (auto piece = std::make_reverse_iterator(pieces.upper_bound(rest)); piece != pieces.rend(); ++piece) {
        if (rest.starts_with(piece->first)) {
            m_Visual = &piece->second;
            position += piece->first.size();
            break;
        }
    }
    if (!m_Visual || m_Visual->empty())
        return kModelArmorVisualTypeFailed;

    return ReadVariation(name.substr(position), m_Variation);
}

const char* ModelRecord::ReadWeapon(std::string_view name)
{
    m_ItemClass = Winner(m_Tables->ItemClasses(), m_Tables->ItemClassIndex().FindLastAt(name, 0));
    if (!m_ItemClass)
        return kModelItemClassFailed;
    const std::size_t classEnd = m_ItemClass->size();

    // W_LSWORD03 has no model part letter; W_LSWORD03_B names part B.
    const std::size_t separator = name.find('_', classEnd);
    std::string_view variation;
    if (separator == std::string::npos) {
        m_ModelPart = 'A';
        variation = name.substr(classEnd);
    } else {
        if (separator + 1 >= name.size())
            return kModelNameEndsEarly;
        m_ModelPart = name[separator + 1];
        // Reaching here means the name holds at least two characters past the item class.
        variation = name.substr(classEnd, name.size() - 2 - classEnd);
    }
    return ReadVariation(variation, m_Variation);
}

std::string ModelRecord::ToIndex() const
{
    std::string key;
    WriteIndex(key);
    return key;
}

std::string ModelRecord::ToAVTIndex() const
{
    std::string key;
    WriteAVTIndex(key);
    return key;
}

void ModelRecord::WriteIndex(std::string& out) const
{
    if (IsArmorVariation())
        Concatenate(out, {"VK_", *m_Race, *m_Gender, "_", *m_Visual, "_", *m_ItemClass});
    else if (IsArmorPart())
        Concatenate(out, {"VK_A", std::string_view(*m_Race).substr(1), *m_Gender, "_", *m_Visual});
    else if (IsWeapon())
        Concatenate(out, {"VK_", *m_ItemClass, "_", ModelPart()});
    else
        throw std::runtime_error(kModelToIndexFailed);
}

void ModelRecord::WriteAVTIndex(std::string& out) const
{
    if (!IsArmorVariation())
        throw std::runtime_error(kModelToAVTIndexFailed);
    Concatenate(out, {"VK_AVT_", *m_Race, *m_Gender, "_", *m_ItemClass});
}

} // namespace brindle
