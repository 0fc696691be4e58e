// The code lists that model names are read against, filled once from the game tables.
#pragma once

#include "app/LastEntryIndex.h"
#include "resources/ResRef.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

/// The longest model name there is (a resource name); longer list entries stay out of the indexes.
inline constexpr std::size_t kMaxModelNameLength = sizeof(NWN::ResRef32::RefStr);

/// Race, gender, armor-visual-type and item-class codes (upper case, insertion order, duplicates
/// kept), the armor-visual-type row map and the armor-piece table. Fill it completely before the
/// first ModelRecord is built: records point into the lists.
class LookupTables {
public:
    using ArmorVisualTypeIndexMap = std::map<std::string, std::uint32_t>;
    using ArmorPieceTable = std::map<std::string, std::string, std::less<>>;

    /// A "gender" table cell: appended upper-cased.
    void AddGender(std::string_view cell);
    /// An "appearance" helm-model cell: upper-cased, its last character dropped (an empty cell
    /// stays empty), appended.
    void AddRace(std::string_view cell);
    /// An "armorvisualdata" prefix cell of table row `row`: appended upper-cased; the index map's
    /// entry for it becomes `row` (a later row with the same prefix wins).
    void AddArmorVisualType(std::string_view cell, std::uint32_t row);
    /// A "baseitems" item-class cell: appended upper-cased.
    void AddItemClass(std::string_view cell);

    /// Appends the races the appearance table does not name: P_HA, P_AA, P_GY.
    void AppendFixedRaces();
    /// Appends the equipment classes without a base item row: BELT, BODY, BOOTS, CLOAK, GLOVES, HELM.
    void AppendFixedItemClasses();
    /// Fills the armor-piece table with its 21 fixed entries.
    void FillArmorPieceTable();

    const std::vector<std::string>& Races() const { return m_Races; }
    const std::vector<std::string>& Genders() const { return m_Genders; }
    const std::vector<std::string>& ArmorVisualTypes() const { return m_ArmorVisualTypes; }
    const std::vector<std::string>& ItemClasses() const { return m_ItemClasses; }
    const ArmorVisualTypeIndexMap& ArmorVisualTypeIndex() const { return m_ArmorVisualTypeIndex; }
    const ArmorPieceTable& ArmorPieces() const { return m_ArmorPieces; }

    /// Indexes answering "last entry that qualifies" for each list (kept in step with the lists),
    /// for model names of up to kMaxModelNameLength characters.
    const LastEntryIndex& RaceIndex() const { return m_RaceIndex; }
    const LastEntryIndex& GenderIndex() const { return m_GenderIndex; }
    const LastEntryIndex& ArmorVisualTypeLookup() const { return m_ArmorVisualTypeLookup; }
    const LastEntryIndex& ItemClassIndex() const { return m_ItemClassIndex; }

private:
    static void Append(std::vector<std::string>& list, LastEntryIndex& index, std::string entry);

    std::vector<std::string> m_Races;
    std::vector<std::string> m_Genders;
    std::vector<std::string> m_ArmorVisualTypes;
    std::vector<std::string> m_ItemClasses;
    ArmorVisualTypeIndexMap m_ArmorVisualTypeIndex;
    ArmorPieceTable m_ArmorPieces;

    LastEntryIndex m_RaceIndex;
    LastEntryIndex m_GenderIndex;
    LastEntryIndex m_ArmorVisualTypeLookup;
    LastEntryIndex m_ItemClassIndex;
};

} // namespace brindle
