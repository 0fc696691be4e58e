// Filling the lookup lists from game tables: skipped cells, the appearance column's trailing gender
// letter, duplicate prefixes and the fixed entries.
#include "app/TableExtraction.h"

#include "app/LookupTables.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace brindle {
namespace {

/// Tables as columns of optional cells (nullopt = no value, as "****" or a missing column gives).
class FakeTables final : public IGameTableSource {
public:
    using Column = std::vector<std::optional<std::string>>;

    void Set(const std::string& table, const std::string& column, Column cells)
    {
        m_Tables[table] = {column, std::move(cells)};
    }

    std::size_t GetRowCount(const std::string& table) override
    {
        m_Order.push_back(table);
        const auto found = m_Tables.find(table);
        return found == m_Tables.end() ? 0 : found->second.second.size();
    }

    bool GetCell(std::string& value, const std::string& table, const std::string& column,
                 std::uint32_t row) override
    {
        const auto& [name, cells] = m_Tables.at(table);
        if (name != column || row >= cells.size() || !cells[row])
            return false;
        value = *cells[row];
        return true;
    }

    const std::vector<std::string>& Order() const { return m_Order; }

private:
    std::map<std::string, std::pair<std::string, Column>> m_Tables;
    std::vector<std::string> m_Order;
};

using Texts = std::vector<std::string>;

TEST(TableExtractionTest, FillsEveryListByTheRowRules)
{
    FakeTables tables;
    tables.Set("gender", "GENDER", {"m", "*", std::nullopt, "F", "**"});
    tables.Set("appearance", "NWN2_Model_Helm", {"P_HHM", "x", std::nullopt, "*", "", "c_orcf"});
    tables.Set("armorvisualdata", "Prefix", {"cl", "le", std::nullopt, "Cl", "*"});
    tables.Set("baseitems", "ItemClass", {"w_lsword", "*", std::nullopt, "SHIELD"});
    LookupTables lists;
    ExtractGameTables(tables, lists);

    EXPECT_EQ(tables.Order(), (Texts {"gender", "appearance", "armorvisualdata", "baseitems"}));
    EXPECT_EQ(lists.Genders(), (Texts {"M", "F", "**"}));
    // The last character (a gender letter) is dropped; a one-character cell leaves an empty race,
    // and "*" is not a placeholder in this table.
    EXPECT_EQ(lists.Races(), (Texts {"P_HH", "", "", "", "C_ORC", "P_HA", "P_AA", "P_GY"}));
    EXPECT_EQ(lists.ArmorVisualTypes(), (Texts {"CL", "LE", "CL", "*"}));
    EXPECT_EQ(lists.ArmorVisualTypeIndex(), (std::map<std::string, std::uint32_t> {{"CL", 3}, {"LE", 1}, {"*", 4}}));
    EXPECT_EQ(lists.ItemClasses(), (Texts {"W_LSWORD", "SHIELD", "BELT", "BODY", "BOOTS", "CLOAK", "GLOVES", "HELM"}));
}

TEST(TableExtractionTest, WithoutTablesOnlyTheFixedEntriesRemain)
{
    FakeTables tables;
    LookupTables lists;
    ExtractGameTables(tables, lists);
    EXPECT_TRUE(lists.Genders().empty());
    EXPECT_TRUE(lists.ArmorVisualTypes().empty());
    EXPECT_TRUE(lists.ArmorVisualTypeIndex().empty());
    EXPECT_EQ(lists.Races(), (Texts {"P_HA", "P_AA", "P_GY"}));
    EXPECT_EQ(lists.ItemClasses(), (Texts {"BELT", "BODY", "BOOTS", "CLOAK", "GLOVES", "HELM"}));
    EXPECT_EQ(lists.ArmorPieces().size(), 21u);
}

} // namespace
} // namespace brindle
