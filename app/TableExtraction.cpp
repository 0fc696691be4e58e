// Game table extraction.
#include "app/TableExtraction.h"

#include "app/LookupTables.h"
#include "formats/TwoDAFileReader.h"
#include "resources/ResourceManager.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace brindle {

namespace {

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

    // The table and the column are looked up once, not once per row.
    void ForEachCell(const std::string& table, const std::string& column,
                     const std::function<void(std::string_view, std::uint32_t)>& take) override
    {
        m_Manager.ForEach2DAString(table, column, take);
    }

private:
    ResourceManager& m_Manager;
};

/// Calls take(text, row) for every row of the column that has a value, skipping
/// placeholder cells when asked to.
void ForEachCell(IGameTableSource& source, const std::string& table, const std::string& column, bool skipPlaceholder,
                 const std::function<void(std::string_view, std::uint32_t)>& take)
{
    source.ForEachCell(table, column, [&](std::string_view value, std::uint32_t row) {
        if (!skipPlaceholder || value != kPlaceholderCell)
            take(value, row);
    });
}

} // namespace

void IGameTableSource::ForEachCell(const std::string& table, const std::string& column,
                                   const std::function<void(std::string_view, std::uint32_t)>& take)
{
    const std::size_t rows = std::min<std::size_t>(GetRowCount(table), std::numeric_limits<std::uint32_t>::max());
    std::string value;
    for (std::uint32_t row = 0; row < rows; ++row)
        if (GetCell(value, table, column, row))
            take(value, row);
}

void ExtractGameTables(IGameTableSource& source, LookupTables& tables)
{
    ForEachCell(source, "gender", "GENDER", true,
                [&](std::string_view cell, std::uint32_t) { tables.AddGender(cell); });
    ForEachCell(source, "appearance", "NWN2_Model_Helm", false,
                [&](std::string_view cell, std::uint32_t) { tables.AddRace(cell); });
    tables.AppendFixedRaces();
    ForEachCell(source, "armorvisualdata", "Prefix", false,
                [&](std::string_view cell, std::uint32_t row) { tables.AddArmorVisualType(cell, row); });
    ForEachCell(source, "baseitems", "ItemClass", true,
                [&](std::string_view cell, std::uint32_t) { tables.AddItemClass(cell); });
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
}

void ExtractGameTables(ResourceManager& manager, LookupTables& tables)
{
    ManagerTableSource source(manager);
    ExtractGameTables(source, tables);
}

} // namespace brindle
