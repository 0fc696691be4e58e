// Fills the lists that model names are matched against from the game's own tables (gender,
// appearance, armorvisualdata, baseitems), so that races, armor visual types and item classes
// added by a module are picked up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brindle {

class LookupTables;
class ResourceManager;

/// Where the tables come from: row counts and single cells by table, column and row.
class IGameTableSource {
public:
    /// The table's number of rows; 0 when the table cannot be had.
    virtual std::size_t GetRowCount(const std::string& table) = 0;
    /// The cell's text; false when there is no value (no such row or column, or "****").
    virtual bool GetCell(std::string& value, const std::string& table, const std::string& column,
                         std::uint32_t row) = 0;
    /// Calls take(text, row) for each row, in order, whose cell in column has a value. By default
    /// row by row through GetRowCount and GetCell.
    virtual void ForEachCell(const std::string& table, const std::string& column,
                             const std::function<void(std::string_view, std::uint32_t)>& take);

protected:
    ~IGameTableSource() = default;
};

/// Reads gender, appearance, armorvisualdata and baseitems, in that order, appends the fixed race
/// and item-class entries and fills the armor-piece table. Missing tables contribute nothing;
/// nothing here fails.
void ExtractGameTables(IGameTableSource& source, LookupTables& tables);
/// The same through the manager's table access.
void ExtractGameTables(ResourceManager& manager, LookupTables& tables);

} // namespace brindle
