// The four game tables of the synthetic game (gender, appearance, armorvisualdata, baseitems) and
// the codes they define, which the synthetic model names are built from.
#pragma once

#include "bench/SeededRandom.h"

#include <string>
#include <vector>

namespace brindle::bench {

class SyntheticTables {
public:
    /// Draws the tables' contents; the same random state gives the same tables.
    explicit SyntheticTables(SeededRandom& random);

    /// Two-letter race codes: model names carry them as P_<code><gender>_...
    const std::vector<std::string>& RaceCodes() const { return m_RaceCodes; }
    /// Gender letters of the gender table.
    const std::vector<std::string>& Genders() const { return m_Genders; }
    /// Armor visual type prefixes of armorvisualdata (without the rows that have none).
    const std::vector<std::string>& VisualTypes() const { return m_VisualTypes; }
    /// Weapon item classes of baseitems (W_...), without duplicates.
    const std::vector<std::string>& WeaponClasses() const { return m_WeaponClasses; }
    /// Creature and character names that appearance lists as helm models (c_..., N_...).
    const std::vector<std::string>& CreatureNames() const { return m_CreatureNames; }

    /// The tables as 2DA V2.0 text with CR LF line ends.
    std::string Gender() const;
    std::string Appearance() const { return m_Appearance; }
    std::string ArmorVisualData() const;
    std::string BaseItems() const { return m_BaseItems; }

private:
    void DrawAppearance(SeededRandom& random);
    void DrawBaseItems(SeededRandom& random);

    std::vector<std::string> m_RaceCodes;
    std::vector<std::string> m_Genders;
    std::vector<std::string> m_VisualTypes;
    std::vector<std::string> m_WeaponClasses;
    std::vector<std::string> m_CreatureNames;
    std::string m_Appearance;
    std::string m_BaseItems;
};

/// One 2DA V2.0 file: version line, a blank line, the column line, then one numbered line per row.
std::string Build2da(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows);

/// Model piece names of armor-part models (A_<race><gender>_<piece><number>), in the game's spelling.
const std::vector<std::string>& ArmorPieces();
/// Item classes that the tool adds itself and that body-part models carry.
const std::vector<std::string>& BodyPartClasses();

} // namespace brindle::bench
