// The report's grids and groups of ignored models, worked out from its models.
#include "app/ReportGrid.h"

#include "app/RankSort.h"

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>

namespace brindle {

namespace {

/// A model of the section at its list and number. A list is known by the rank of its key among
/// the report's texts, so sorting compares numbers only.
struct Placed {
    std::uint32_t key;
    std::uint32_t number;
    std::size_t model;
    bool operator<(const Placed& other) const
    {
        return key != other.key         ? key < other.key
               : number != other.number ? number < other.number
                                        : model < other.model;
    }
};

/// The section's models in list, number and report order, and the text of each rank.
struct Section {
    std::vector<Placed> placed;
    std::vector<std::string_view> keys;
};

Section Collect(const RunReport& report, ModelOutcome outcome, bool visual)
{
    Section section;
    const auto& models = report.Models();
    const std::vector<std::uint32_t>& ranks = report.TextRanks();
    section.keys.resize(ranks.size());
    const auto textOf = [visual](const ReportModel& model) { return visual ? model.visualKeyText : model.keyText; };
    const auto inSection = [outcome](const ReportModel& model, std::uint32_t text) {
        return model.outcome == outcome && text != RunReport::kNoText;
    };
    section.placed.reserve(models.size());
    for (std::size_t i = 0; i < models.size(); ++i) {
        const ReportModel& model = models[i];
        const std::uint32_t text = textOf(model);
        if (!inSection(model, text))
            continue;
        const std::uint32_t rank = ranks[text];
        section.keys[rank] = report.Text(text);
        section.placed.push_back({rank, visual ? model.visualNumber : model.number, i});
    }
    // Most lists hold a handful of models.
    SortByRank(
        section.placed, ranks.size(), [](const Placed& placed) { return placed.key; }, std::less<>());
    return section;
}

std::vector<std::uint32_t> Columns(const std::vector<Placed>& placed)
{
    std::vector<std::uint32_t> numbers;
    if (placed.empty())
        return numbers;
    // A narrow range needs no sorting of the numbers met: the columns are all of it.
    const auto [least, most] = std::minmax_element(
        placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.number < b.number; });
    if (most->number - least->number < kMaxContiguousColumns) {
        numbers.resize(most->number - least->number + 1);
        std::iota(numbers.begin(), numbers.end(), least->number);
        return numbers;
    }
    numbers.reserve(placed.size());
    for (const Placed& one : placed)
        numbers.push_back(one.number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

/// The column of a number that has one.
std::size_t ColumnOf(const std::vector<std::uint32_t>& columns, std::uint32_t number)
{
    // Columns without a gap put a number at its distance from the first.
    if (columns.back() - columns.front() == columns.size() - 1)
        return number - columns.front();
    return static_cast<std::size_t>(std::lower_bound(columns.begin(), columns.end(), number) - columns.begin());
}

/// Adds the cell of placed[at] and the models after it with the same list and number, and moves
/// column past it; returns where the next cell starts.
std::size_t AddCell(ReportGrid& grid, const std::vector<Placed>& placed, std::size_t at, std::size_t& column)
{
    const std::uint32_t key = placed[at].key;
    const std::uint32_t number = placed[at].number;
    const std::size_t filled = ColumnOf(grid.columns, number);
    GridCell cell{filled - column, number, grid.models.size(), 0};
    for (; at < placed.size() && placed[at].key == key && placed[at].number == number; ++at)
        grid.models.push_back(placed[at].model);
    cell.modelCount = grid.models.size() - cell.firstModel;
    grid.cells.push_back(cell);
    column = filled + 1;
    return at;
}

void AddRows(ReportGrid& grid, const Section& section)
{
    const std::vector<Placed>& placed = section.placed;
    for (std::size_t at = 0; at < placed.size();) {
        const std::uint32_t key = placed[at].key;
        GridRow row{section.keys[key], grid.cells.size(), 0, 0};
        std::size_t column = 0;
        while (at < placed.size() && placed[at].key == key)
            at = AddCell(grid, placed, at, column);
        row.cellCount = grid.cells.size() - row.firstCell;
        row.emptyAfter = grid.columns.size() - column;
        grid.rows.push_back(row);
    }
}

} // namespace

ReportGrid BuildReportGrid(const RunReport& report, ModelOutcome outcome, bool visual)
{
    const Section section = Collect(report, outcome, visual);
    ReportGrid grid;
    grid.columns = Columns(section.placed);
    grid.models.reserve(section.placed.size());
    AddRows(grid, section);
    return grid;
}

std::vector<IgnoredGroup> GroupIgnoredModels(const RunReport& report)
{
    const auto& models = report.Models();
    const std::vector<std::uint32_t>& ranks = report.TextRanks();
    // By the rank of the reason; taken in name order, each group's members come sorted.
    std::map<std::uint32_t, IgnoredGroup> byReason;
    for (const std::size_t i : report.ModelsByName()) {
        const ReportModel& model = models[i];
        if (model.outcome != ModelOutcome::Ignored)
            continue;
        IgnoredGroup& group = byReason[ranks[model.reasonText]];
        if (group.models.empty())
            group.reason = report.Text(model.reasonText);
        group.models.push_back(i);
    }
    std::vector<IgnoredGroup> groups;
    groups.reserve(byReason.size());
    for (auto& [rank, group] : byReason) {
        group.folded = group.models.size() > kOpenGroupLimit;
        groups.push_back(std::move(group));
    }
    return groups;
}

} // namespace brindle
