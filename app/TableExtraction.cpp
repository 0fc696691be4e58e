// Game table extraction.
#include "app/TableExtraction.h"

#include "formats/TwoDAFileReader.h"
#include "platform/Ascii.h"
#include "resources/ResourceManager.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace brindle {

namespace {

/// Race codes of the playable models that no appearance row names.
constexpr const char* kFixedRaces[] = {"P_HA", "P_AA", "P_GY"};
/// Item classes of the armor parts, which baseitems does not list.
constexpr const char* kFixedItemClasses[] = {"BELT", "BODY", "BOOTS", "CLOAK", "GLOVES", "HELM"};
/// A cell holding only this is a placeholder row in the gender and baseitems tables.
constexpr const char* kPlaceholderCell = "*";

class ManagerTableSource final : public IGameTableSource {
public:
    explicit ManagerTableSource(ResourceManager& manager) : m_Manager(manager) {}

    std::size_t GetRowCount(const std::string& table) override
    {
        const TwoDAFileReader* reader = m_Manager.Get2DA(table);
        return reader == nullptr ? 0 : reader->GetRowCount();
    }

    bool GetCell(std::string& value, const std::string& table, const std::string& column,
                 std::uint32_t row) override
    {
        return m_Manager.Get2DAString(value, table, column, row);
    }

private:
    ResourceManager& m_Manager;
};

/// Calls take(upper-cased text, row) for every row of the column that has a value, skipping
/// placeholder cells when asked to.
void ForEachCell(IGameTableSource& source, const std::string& table, const std::string& column,
                 bool skipPlaceholder, const std::function<void(std::string, std::uint32_t)>& take)
{
    const std::size_t rows =
        std::min<std::size_t>(source.GetRowCount(table), std::numeric_limits<std::uint32_t>::max());
    for (std::uint32_t row = 0; row < rows; ++row) {
        std::string value;
        if (!source.GetCell(value, table, column, row))
            continue;
        if (skipPlaceholder && value == kPlaceholderCell)
            continue;
        take(ascii::ToUpper(value), row);
    }
}

} // namespace

void ExtractGameTables(IGameTableSource& source, GameTableLists& lists)
{
    ForEachCell(source, "gender", "GENDER", true,
                [&](std::string text, std::uint32_t) { lists.genders.push_back(std::move(text)); });

    // The helmet model column holds the race code followed by one gender letter.
    ForEachCell(source, "appearance", "NWN2_Model_Helm", false, [&](std::string text, std::uint32_t) {
        if (!text.empty())
            text.pop_back();
        lists.races.push_back(std::move(text));
    });
    lists.races.insert(lists.races.end(), std::begin(kFixedRaces), std::end(kFixedRaces));

    ForEachCell(source, "armorvisualdata", "Prefix", false, [&](std::string text, std::uint32_t row) {
        lists.armorVisualTypePrefixes.push_back(text);
        lists.armorVisualTypeIndex[text] = row; // a later row with the same prefix wins
    });

    ForEachCell(source, "baseitems", "ItemClass", true,
                [&](std::string text, std::uint32_t) { lists.itemClasses.push_back(std::move(text)); });
    lists.itemClasses.insert(lists.itemClasses.end(), std::begin(kFixedItemClasses), std::end(kFixedItemClasses));
}

void ExtractGameTables(ResourceManager& manager, GameTableLists& lists)
{
    ManagerTableSource source(manager);
    ExtractGameTables(source, lists);
}

} // namespace brindle
