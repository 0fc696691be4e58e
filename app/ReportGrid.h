// The report's grids as plain data, worked out before the page writes them: per script list a row,
// per number a column, and each row's filled cells with the empty columns between them; and the
// ignored models grouped by reason.
#pragma once

#include "app/RunReport.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace brindle {

/// Grid columns are the whole range of numbers while it stays this narrow, else the numbers met.
inline constexpr std::uint32_t kMaxContiguousColumns = 300;
/// Groups of ignored models larger than this start folded.
inline constexpr std::size_t kOpenGroupLimit = 200;

/// The models of one list that carry one number.
struct GridCell {
    std::size_t emptyBefore = 0; ///< empty columns between this cell and the one before (or the row's start)
    std::uint32_t number = 0;
    std::size_t firstModel = 0; ///< where its models start in ReportGrid::models
    std::size_t modelCount = 0;
};

/// One list: its filled cells in column order.
struct GridRow {
    std::string_view key;
    std::size_t firstCell = 0; ///< where its cells start in ReportGrid::cells
    std::size_t cellCount = 0;
    std::size_t emptyAfter = 0; ///< empty columns after its last filled cell
};

/// One section's grid. A large game has tens of thousands of lists with a few models each, so the
/// cells and models are kept in one vector each rather than one per row.
struct ReportGrid {
    std::vector<std::uint32_t> columns; ///< the number of each column, ascending
    std::vector<GridRow> rows;          ///< by key, bytewise
    std::vector<GridCell> cells;        ///< row after row
    std::vector<std::size_t> models;    ///< numbers in the report's Models(), cell after cell, in report order

    std::span<const GridCell> CellsOf(const GridRow& row) const
    {
        return std::span<const GridCell>(cells).subspan(row.firstCell, row.cellCount);
    }
    std::span<const std::size_t> ModelsOf(const GridCell& cell) const
    {
        return std::span<const std::size_t>(models).subspan(cell.firstModel, cell.modelCount);
    }
};

/// The grid of the models with this outcome, by their list key and number, or (visual) by their
/// armor-visual-type key and number. Points into the report, which must outlive it.
ReportGrid BuildReportGrid(const RunReport& report, ModelOutcome outcome, bool visual);

/// The ignored models that share a reason.
struct IgnoredGroup {
    std::string_view reason;
    std::vector<std::size_t> models; ///< numbers in the report's Models(), sorted by name
    bool folded = false;             ///< more than kOpenGroupLimit members
};

/// The ignored models by reason, the reasons sorted bytewise. Points into the report.
std::vector<IgnoredGroup> GroupIgnoredModels(const RunReport& report);

} // namespace brindle
