// The report's grids and ignored groups as data: which numbers are columns, where empty runs fall,
// which models share a cell, and which groups start folded.
#include "app/KeyIdentity.h"
#include "app/LookupTables.h"
#include "app/ModelRecord.h"
#include "app/ReportGrid.h"
#include "app/RunReport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace brindle {
namespace {

/// Tables that read W_LSWORD03, W_DAG04_B and P_HHM_<type>_BODY01 / _BOOTS01, the armor visual
/// types standing at rows far enough apart to make a grid too wide.
void FillTables(LookupTables& tables)
{
    tables.AddGender("M");
    tables.AddRace("P_HH?");
    tables.AppendFixedRaces();
    const std::pair<const char*, std::uint32_t> types[] = {{"CL", 0}, {"CH", 150}, {"LE", 299}, {"PL", 300}};
    for (const auto& [type, row] : types)
        tables.AddArmorVisualType(type, row);
    tables.AddItemClass("W_LSword");
    tables.AddItemClass("W_DAG");
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
}

/// A grid written out: "columns | key: _<empty> <number>[<model>,...] ... _<empty> | ...". Checks
/// on the way that every row covers every column once.
std::string Describe(const RunReport& report, const ReportGrid& grid)
{
    std::string text;
    for (const std::uint32_t number : grid.columns)
        text += (text.empty() ? "" : ",") + std::to_string(number);
    for (const GridRow& row : grid.rows) {
        text += " | " + std::string(row.key) + ":";
        std::size_t covered = row.emptyAfter;
        for (const GridCell& cell : grid.CellsOf(row)) {
            covered += cell.emptyBefore + 1;
            text += " _" + std::to_string(cell.emptyBefore) + " " + std::to_string(cell.number) + "[";
            for (const std::size_t model : grid.ModelsOf(cell))
                text += std::string(report.Models()[model].name) + (model == grid.ModelsOf(cell).back() ? "]" : ",");
        }
        text += " _" + std::to_string(row.emptyAfter);
        EXPECT_EQ(covered, grid.columns.size()) << row.key;
    }
    return text;
}

std::string Columns(std::uint32_t first, std::uint32_t last)
{
    std::string text;
    for (std::uint32_t number = first; number <= last; ++number)
        text += (number == first ? "" : ",") + std::to_string(number);
    return text;
}

TEST(ReportGridTest, ColumnsRowsAndCellsFromTheModels)
{
    LookupTables tables;
    FillTables(tables);
    const struct {
        std::vector<std::string> names;
        ModelOutcome outcome;
        bool visual;
        std::string grid;
    } cases[] = {
        // Every number from the least to the most is a column, those no model has too; lists by
        // key, not in the order met; a cell's models in report order.
        {{"W_LSWORD05_A", "W_DAG04", "W_LSWORD03", "W_LSWORD05", "W_DAG04_B"},
         ModelOutcome::Weapon,
         false,
         "3,4,5 | VK_W_DAG_A: _1 4[W_DAG04] _1 | VK_W_DAG_B: _1 4[W_DAG04_B] _1"
         " | VK_W_LSWORD_A: _0 3[W_LSWORD03] _1 5[W_LSWORD05_A,W_LSWORD05] _0"},
        // 0 to 299 is narrow enough: three hundred columns.
        {{"P_HHM_LE_BODY01", "P_HHM_CL_BODY01"},
         ModelOutcome::ArmorVariation,
         true,
         Columns(0, 299) + " | VK_AVT_P_HHM_BODY: _0 0[P_HHM_CL_BODY01] _298 299[P_HHM_LE_BODY01] _0"},
        // 0 to 300 is not: only the numbers met, and what lies between them spans nothing.
        {{"P_HHM_PL_BODY01", "P_HHM_CL_BODY01", "P_HHM_CH_BOOTS01"},
         ModelOutcome::ArmorVariation,
         true,
         "0,150,300 | VK_AVT_P_HHM_BODY: _0 0[P_HHM_CL_BODY01] _1 300[P_HHM_PL_BODY01] _0"
         " | VK_AVT_P_HHM_BOOTS: _1 150[P_HHM_CH_BOOTS01] _1"},
        // The same models by variation, and only those of the section.
        {{"P_HHM_PL_BODY01", "P_HHM_CL_BODY03", "W_DAG02"},
         ModelOutcome::ArmorVariation,
         false,
         "1,2,3 | VK_P_HHM_CL_BODY: _2 3[P_HHM_CL_BODY03] _0 | VK_P_HHM_PL_BODY: _0 1[P_HHM_PL_BODY01] _2"},
        {{"W_DAG02"}, ModelOutcome::ArmorPart, false, ""},
    };
    for (const auto& c : cases) {
        RunReport report("m", "/i", "/h");
        for (const std::string& name : c.names) {
            std::optional<ModelRecord> record;
            ASSERT_EQ(ModelRecord::TryRead(tables, name, record), nullptr) << name;
            report.AddCounted(name, LoadRecord::npos, *record, tables.ArmorVisualTypeIndex());
        }
        report.AddIgnored("W_DAG09", LoadRecord::npos, "r");
        EXPECT_EQ(Describe(report, BuildReportGrid(report, c.outcome, c.visual)), c.grid) << c.names.front();
    }
}

TEST(ReportGridTest, KeysNumberedOncePerTextWhateverTheirIdentity)
{
    LookupTables tables;
    FillTables(tables);
    // W_DAG04 has no part letter, so part A as W_DAG05_A; the two body models differ in their
    // visual type but feed one armor-visual-type list.
    const char* names[] = {"W_DAG04",         "W_DAG05_A",       "W_DAG04_B", "P_HHM_CL_BODY03",
                           "P_HHM_PL_BODY01", "P_HHM_CL_BODY01", "W_LSWORD03"};
    RunReport report("m", "/i", "/h");
    std::vector<std::optional<ModelRecord>> records(std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) {
        ASSERT_EQ(ModelRecord::TryRead(tables, names[i], records[i]), nullptr) << names[i];
        report.AddCounted(names[i], LoadRecord::npos, *records[i], tables.ArmorVisualTypeIndex());
    }
    const auto& models = report.Models();
    for (std::size_t a = 0; a < models.size(); ++a) {
        EXPECT_EQ(models[a].name, names[a]);
        EXPECT_EQ(report.Text(models[a].keyText), records[a]->ToIndex()) << names[a];
        for (std::size_t b = 0; b < models.size(); ++b) {
            SCOPED_TRACE(std::string(names[a]) + " / " + names[b]);
            // Equal identities make equal keys (and hashes); equal texts have one number.
            const bool sameIdentity = IndexIdentity(*records[a]) == IndexIdentity(*records[b]);
            if (sameIdentity) {
                EXPECT_EQ(HashOf(IndexIdentity(*records[a])), HashOf(IndexIdentity(*records[b])));
            }
            const auto text = [&report](std::uint32_t number) { return report.Text(number); };
            EXPECT_EQ(sameIdentity, text(models[a].keyText) == text(models[b].keyText));
            EXPECT_EQ(models[a].keyText == models[b].keyText, text(models[a].keyText) == text(models[b].keyText));
            EXPECT_EQ(models[a].visualKeyText == models[b].visualKeyText,
                      text(models[a].visualKeyText) == text(models[b].visualKeyText));
        }
    }
    EXPECT_EQ(models[0].keyText, models[1].keyText);
    EXPECT_NE(models[0].keyText, models[2].keyText);
    EXPECT_EQ(report.Text(models[3].visualKeyText), "VK_AVT_P_HHM_BODY");
    EXPECT_EQ(report.Text(RunReport::kNoText), "");
    EXPECT_EQ(models[3].visualKeyText, models[4].visualKeyText);
    EXPECT_EQ(models[0].visualKeyText, RunReport::kNoText);
    EXPECT_EQ(ArmorVisualTypeIdentity(*records[3]), ArmorVisualTypeIdentity(*records[4]));
}

TEST(ReportGridTest, IgnoredGroupedByReasonLargeGroupsFolded)
{
    RunReport report("m", "/i", "/h");
    EXPECT_TRUE(GroupIgnoredModels(report).empty());
    // A group of exactly the limit stays open; one more folds it.
    for (std::size_t i = 0; i < kOpenGroupLimit; ++i)
        report.AddIgnored("open" + std::to_string(999 - i), LoadRecord::npos, "b");
    for (std::size_t i = 0; i <= kOpenGroupLimit; ++i)
        report.AddIgnored("folded" + std::to_string(i), LoadRecord::npos, "a");
    report.AddIgnored("z", LoadRecord::npos, "B");
    LookupTables tables;
    FillTables(tables);
    std::optional<ModelRecord> record;
    ASSERT_EQ(ModelRecord::TryRead(tables, "W_DAG02", record), nullptr);
    report.AddCounted("W_DAG02", LoadRecord::npos, *record, tables.ArmorVisualTypeIndex());

    const std::vector<IgnoredGroup> groups = GroupIgnoredModels(report);
    ASSERT_EQ(groups.size(), 3u);
    const struct {
        const char* reason;
        std::size_t size;
        bool folded;
        const char* first;
    } expected[] = {{"B", 1, false, "z"}, {"a", 201, true, "folded0"}, {"b", 200, false, "open800"}};
    for (std::size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(groups[g].reason, expected[g].reason);
        ASSERT_EQ(groups[g].models.size(), expected[g].size) << expected[g].reason;
        EXPECT_EQ(groups[g].folded, expected[g].folded) << expected[g].reason;
        EXPECT_EQ(report.Models()[groups[g].models.front()].name, expected[g].first);
        for (std::size_t i = 1; i < groups[g].models.size(); ++i)
            EXPECT_LT(report.Models()[groups[g].models[i - 1]].name, report.Models()[groups[g].models[i]].name);
    }
}

} // namespace
} // namespace brindle
