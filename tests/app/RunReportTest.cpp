// The run report's pieces that the whole-run tests do not pin down case by case: shown paths,
// escaping, the fields of the tab-separated list and the warnings kept from the console.
#include "app/ChangeSummary.h"
#include "app/LookupTables.h"
#include "app/ModelRecord.h"
#include "app/ReportConflicts.h"
#include "app/ReportHtml.h"
#include "app/ReportOutput.h"
#include "app/RunReport.h"
#include "app/ScriptWriter.h"
#include "app/TeeTextOut.h"
#include "platform/SystemFamily.h"
#include "resources/ResourceTypes.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace brindle {
namespace {

TEST(RunReportTest, PathsShownBelowHomeOrInstallation)
{
    const RunReport report("m", "C:\\Games\\NWN2\\", "/g/home");
    const struct {
        const char* path;
        const char* shown;
    } cases[] = {
        {"/g/home//hak//x.hak", "home:hak/x.hak"},
        {"/g/home/Modules/m.mod", "home:Modules/m.mod"},
        {"C:\\Games\\NWN2/Data\\2DA.zip", "install:Data/2DA.zip"},
        {"/g/homely/x", "/g/homely/x"}, // a sibling that merely starts the same
        {"/g/home", "/g/home"},
        {"m", "m"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(report.ShowPath(c.path), c.shown) << c.path;

    // One folder inside the other: the deeper one names the path.
    EXPECT_EQ(RunReport("m", "/g/home/install", "/g/home").ShowPath("/g/home/install/Data/a.zip"),
              "install:Data/a.zip");
}

TEST(RunReportTest, EscapingAndTabSeparatedFields)
{
    EXPECT_EQ(EscapeHtml("<a href=\"x\">&amp;'</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;amp;&#39;&lt;/a&gt;");

    RunReport report("m", "/i", "/h");
    LoadRecord load;
    load.sources.push_back({"HAK", "ERF", "/h/hak/t\tab.hak", 2, 2, true, {}});
    report.SetLoad(load);
    report.AddIgnored("b\tc\r\nd", 0, "why\tnot");
    report.AddIgnored("a", LoadRecord::npos, "r");
    EXPECT_EQ(FormatReportTsv(report), "name\tcontainer\ttier\toutcome\tkey\tnumber\treason\n"
                                       "a\t\t\tignored\t\t\tr\n"
                                       "b c  d\thome:hak/t ab.hak\tHAK\tignored\t\t\twhy not\n");
}

TEST(RunReportTest, TabSeparatedFieldsCleanedAtAnyPosition)
{
    // A tab or line end anywhere becomes a space; other controls (ESC among them) and every byte
    // outside well-formed UTF-8 become '?', as on the console, while well-formed characters of
    // two, three and four bytes stay.
    const struct {
        std::string field;
        std::string line;
    } cases[] = {
        {"abcdefgh\tjklmnop", "abcdefgh jklmnop"},
        {"abcdefg\n", "abcdefg "},
        {"\tabcdefg\r", " abcdefg "},
        {std::string("a\x01\x0d\x0e\0b\x7f", 7), "a? ??b?"},
        {"\x1b[31mred\x1b[0m", "?[31mred?[0m"},
        {"abc\x7f" "efghijkl", "abc?efghijkl"},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80" "abc", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80" "abc"},
        {"\xff\x80\x8d" "abc", "???abc"},
        // Cut short, overlong, a surrogate, above U+10FFFF: each bad byte one mark.
        {"x\xc3", "x?"},
        {"\xe2\x82", "??"},
        {"\xc0\xaf", "??"},
        {"\xe0\x80\xaf", "???"},
        {"\xed\xa0\x80", "???"},
        {"\xf4\x90\x80\x80", "????"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string out = "x\t";
        AppendTsvField(out, c.field);
        EXPECT_EQ(out, "x\t" + c.line) << c.field;
    }
    // The page keeps the layout's tabs and line ends, and escapes after cleaning.
    EXPECT_EQ(EscapeHtml("\x1b]0;<t>\x07\xff\xc3\xa9\n"), "?]0;&lt;t&gt;??\xc3\xa9\n");
}

TEST(RunReportTest, ModelsSortedBytewiseByName)
{
    RunReport report("m", "/i", "/h");
    // Names alike in their first eight or sixteen bytes, one a prefix of another, a zero byte, a
    // byte above 0x7f, and a name given twice that keeps its order.
    const std::vector<std::string> names = {"a_aab_bhip05", "a_aab_bhip04", "a_aab_bh", "a_aab_b",
                                            "abcdefghijklmnopz", "abcdefghijklmnopa", "abcdefghijklmnop",
                                            std::string("ab\0", 3), "ab", "\xe9", "Z", "a_aab_bhip04", ""};
    for (const std::string& name : names)
        report.AddIgnored(name, LoadRecord::npos, "r");
    const std::vector<std::size_t> order = report.ModelsByName();
    ASSERT_EQ(order.size(), names.size());
    const std::vector<std::size_t> expected = {12, 10, 3, 2, 1, 11, 0, 8, 7, 6, 5, 4, 9};
    EXPECT_EQ(order, expected);

    // A model added after the order was asked for takes its place in it.
    report.AddIgnored("a", LoadRecord::npos, "r");
    const std::vector<std::size_t> more = {12, 10, 13, 3, 2, 1, 11, 0, 8, 7, 6, 5, 4, 9};
    EXPECT_EQ(report.ModelsByName(), more);
}

TEST(RunReportTest, ModelsAndTextsOrderedAsAStableSortOfManyNames)
{
    // Thousands of names from few letters, so that many share their first eight or sixteen bytes
    // or are equal, of every length up to 24, with the bytes at either end of the range.
    struct Shape {
        const char* letters;
        std::size_t longest;
        std::size_t count;
    };
    const Shape shapes[] = {{"ab", 24, 3000}, {"a_\x01\xff", 18, 3000}, {"pP_", 17, 500}, {"x", 20, 40}, {"q", 3, 1}};
    std::uint32_t seed = 20261209;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.letters);
        RunReport report("m", "/i", "/h");
        std::vector<std::string> names;
        const std::string letters = shape.letters;
        for (std::size_t i = 0; i < shape.count; ++i) {
            std::string name(next() % (shape.longest + 1), ' ');
            for (char& c : name)
                c = letters[next() % letters.size()];
            // A long shared start, as the game's model names have.
            if (i % 3 == 0 && name.size() > 10)
                name.replace(0, 10, "p_hhm_cl_b");
            names.push_back(name);
            // The name as the reason too: the report keeps each text once and ranks them.
            report.AddIgnored(name, LoadRecord::npos, name);
        }
        std::vector<std::size_t> expected(names.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = i;
        std::stable_sort(expected.begin(), expected.end(),
                         [&names](std::size_t a, std::size_t b) { return names[a] < names[b]; });
        EXPECT_EQ(report.ModelsByName(), expected);

        // Equal texts have one number, and the ranks of the numbers follow the texts' order.
        const auto& ranks = report.TextRanks();
        const auto& models = report.Models();
        for (std::size_t at = 1; at < expected.size(); ++at) {
            const ReportModel& before = models[expected[at - 1]];
            const ReportModel& after = models[expected[at]];
            ASSERT_EQ(report.Text(before.reasonText), before.name);
            if (before.name == after.name)
                EXPECT_EQ(before.reasonText, after.reasonText) << after.name;
            else
                EXPECT_LT(ranks[before.reasonText], ranks[after.reasonText]) << after.name;
        }
    }
}

TEST(RunReportTest, NamesKeptWholeAcrossTheReportsBlocks)
{
    // Enough names to fill several blocks, names that end where a block does, an empty one and
    // one longer than a block; each must read as given once the report holds them all.
    RunReport report("m", "/i", "/h");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < 9000; ++i)
        names.push_back(std::string(1 + i % 31, static_cast<char>('a' + i % 26)) + std::to_string(i));
    names.insert(names.begin() + 4000, std::string());
    names.insert(names.begin() + 5000, std::string(70 * 1024 + 3, 'L'));
    for (const std::string& name : names)
        report.AddIgnored(name, LoadRecord::npos, "r");
    ASSERT_EQ(report.Models().size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(report.Models()[i].name, names[i]) << i;
}

TEST(RunReportTest, GridColumnsWholeRangeWhenNarrowElseNumbersMet)
{
    LookupTables tables;
    tables.AddGender("M");
    tables.AddRace("P_HH?");
    tables.AppendFixedRaces();
    tables.AddArmorVisualType("CL", 0);
    tables.AddArmorVisualType("LE", 400);
    tables.AddItemClass("W_LSword");
    tables.AddItemClass("W_DAG");
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
    const auto grid = [&tables](const char* title, const std::vector<std::string>& names) {
        RunReport report("m", "/i", "/h");
        for (const std::string& name : names) {
            std::optional<ModelRecord> record;
            EXPECT_EQ(ModelRecord::TryRead(tables, name, record), nullptr) << name;
            if (record)
                report.AddCounted(name, LoadRecord::npos, *record, tables.ArmorVisualTypeIndex());
        }
        const std::string html = FormatReportHtml(report);
        const std::size_t start = html.find("<table class=\"grid\">", html.find(title));
        return html.substr(start, html.find("</table>", start) - start);
    };
    // 3 to 5: every number a column, the one no model has too.
    EXPECT_EQ(grid("Weapon model parts", {"W_LSWORD05", "W_DAG04", "W_LSWORD03", "W_LSWORD05"}),
              "<table class=\"grid\"><thead><tr><th>List</th><th>3</th><th>4</th><th>5</th></tr></thead><tbody>\n"
              "<tr><th>VK_W_DAG_A</th><td></td><td class=\"f\" title=\"W_DAG04 · \">4</td><td></td></tr>\n"
              "<tr><th>VK_W_LSWORD_A</th><td class=\"f\" title=\"W_LSWORD03 · \">3</td><td></td>"
              "<td class=\"f m\" title=\"W_LSWORD05 · &#10;W_LSWORD05 · \">5</td></tr>\n</tbody>");
    // 0 to 400 is too wide: only the numbers met are columns.
    EXPECT_EQ(grid("Armor visual types", {"P_HHM_LE_BODY02", "P_HHM_CL_BODY01"}),
              "<table class=\"grid\"><thead><tr><th>List</th><th>0</th><th>400</th></tr></thead><tbody>\n"
              "<tr><th>VK_AVT_P_HHM_BODY</th><td class=\"f\" title=\"P_HHM_CL_BODY01 · \">0</td>"
              "<td class=\"f\" title=\"P_HHM_LE_BODY02 · \">400</td></tr>\n</tbody>");
}

TEST(RunReportTest, FilesWrittenInPiecesAsTheyWouldBeWhole)
{
    // Enough models for several pieces of either file.
    RunReport report("m", "/i", "/h");
    for (int i = 0; i < 20000; ++i)
        report.AddIgnored("model_with_a_long_name_" + std::to_string(i * 7919 % 20000), LoadRecord::npos,
                          i % 3 == 0 ? "Could not parse model." : "<b>elsewhere</b>");
    for (const auto& [write, whole] :
         {std::pair{&WriteReportHtml, FormatReportHtml(report)}, std::pair{&WriteReportTsv, FormatReportTsv(report)}}) {
        std::vector<std::string> pieces;
        EXPECT_TRUE(write(report, [&pieces](std::string_view piece) {
            pieces.emplace_back(piece);
            return true;
        }));
        ASSERT_GT(pieces.size(), 2u);
        std::string joined;
        for (const std::string& piece : pieces) {
            EXPECT_LE(piece.size(), kReportPiece + 4096);
            joined += piece;
        }
        EXPECT_EQ(joined, whole);
        // A sink that fails once fails the whole file.
        int calls = 0;
        EXPECT_FALSE(write(report, [&calls](std::string_view) { return ++calls != 2; }));
    }

    // A file whose bytes could not all be made is not put in place, and nothing is left beside it.
    test::ScopedTempDir dir;
    const std::string path = dir / "r.tsv";
    EXPECT_EQ(WriteFileInPieces(path, [](const ByteSink& sink) { return sink("a") && sink("b"); }), std::error_code());
    EXPECT_EQ(test::ReadFile(path), "ab");
    EXPECT_EQ(WriteFileInPieces(path, [](const ByteSink& sink) { return sink("c") && false; }), std::errc::io_error);
    EXPECT_EQ(WriteFileInPieces(path,
                                [](const ByteSink& sink) -> bool {
                                    sink("d");
                                    throw std::bad_alloc();
                                }),
              std::errc::not_enough_memory);
    EXPECT_EQ(test::ReadFile(path), "ab");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

TEST(RunReportTest, ReportNamesUpToTheLongestThatFitsAreWrittenOthersRefused)
{
    test::ScopedTempDir dir;
    RunReport report("m", "/i", "/h");
    report.AddIgnored("a", LoadRecord::npos, "r");
    const auto files = [&dir] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    // The longest name whose ".conflicts.tsv" file still fits is written whole, with room for the
    // temporary files' random part; one more character writes nothing and says why.
    // (Windows' runtime also limits the whole path to 260 characters: that part is left to POSIX.)
    const std::string longest(255 - std::strlen(".conflicts.tsv"), 'r');
    if (BRINDLE_POSIX) {
        test::RecordingTextOut written;
        WriteReportFiles(report, longest, dir.Path(), written);
        EXPECT_EQ(written.Text(), "");
        EXPECT_EQ(files(), (std::vector<std::string>{longest + ".conflicts.tsv", longest + ".html", longest + ".tsv"}));
        for (const std::string& name : files())
            std::filesystem::remove(dir / name);
    }

    const struct {
        std::string base;
        std::string warning;
    } refused[] = {
        {longest + "r", "\nWARNING: Report name '" + longest + "r' is too long: '" + longest +
                            "r.conflicts.tsv' would have 256 characters, more than a file name may have (255); no "
                            "report was written."},
        {"../..", "\nWARNING: Report '../..' names a folder, not a file: no report was written."},
        {"sub/", "\nWARNING: Report 'sub/' names a folder, not a file: no report was written."},
        {".", "\nWARNING: Report '.' names a folder, not a file: no report was written."},
    };
    for (const auto& c : refused) {
        test::RecordingTextOut console;
        WriteReportFiles(report, c.base, dir / "sub/deeper", console);
        EXPECT_EQ(console.Text(), c.warning) << c.base;
    }
    EXPECT_EQ(files(), std::vector<std::string>{});
}

TEST(RunReportTest, ChangesSectionIsCompleteAndEscaped)
{
    RunReport report("m", "/i", "/h");
    EXPECT_EQ(FormatReportHtml(report).find("id=\"changes\""), std::string::npos);

    ScriptLists written;
    for (int i = 0; i < 50; ++i)
        written.Add("VK_" + std::to_string(10 + i), {1});
    written.Finish();
    std::string earlier = ScriptWriter::FixedText();
    earlier.insert(earlier.size() - 3, "\r\n\tSetLocalString( oModule, \"<b>&\", \"#1#\" );");
    report.SetChanges(ChangeSummary::Compare(earlier, written));
    const std::string html = FormatReportHtml(report);
    EXPECT_NE(html.find("<a href=\"#changes\">Changes</a>"), std::string::npos);
    EXPECT_NE(html.find("<pre class=\"changes\">Changes since the previous script:\n  &lt;b&gt;&amp;: gone\n"
                        "  VK_10: new\n"),
              std::string::npos);
    // Not cut at forty as on the console.
    EXPECT_NE(html.find("\n  VK_59: new\n</pre>"), std::string::npos);
    EXPECT_EQ(html.find("... and"), std::string::npos);
}

TEST(RunReportTest, ConflictsGroupedPerSourceAndListed)
{
    RunReport report("m", "/i", "/h");
    LoadRecord load;
    for (const char* name : {"a.hak", "b.hak", "c.hak"})
        load.sources.push_back({"HAK", "ERF", std::string("/h/hak/") + name, 0, 0, true, {}});
    const NWN::ResType unknown = 9999;
    load.beaten = {{"z", ResTypeMdb, 1, 2}, {"tab\there", unknown, 0, 2}, {"y", ResType2da, 1, 2},
                   {"a", ResTypeIfo, 1, 2}, {"x", ResType2da, 0, 2}, {"x", ResType2da, 0, 1}};
    report.SetLoad(load);

    const std::vector<SourceConflicts> conflicts = GroupConflicts(report.Load());
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0].source, 1u);
    EXPECT_EQ(conflicts[1].source, 2u);
    EXPECT_EQ(conflicts[1].beaten, 5u);
    // Three beaten by source 1 come before two by source 0; tables, models, then the rest by name.
    ASSERT_EQ(conflicts[1].pairs.size(), 2u);
    std::vector<std::string> names;
    for (const ConflictPair& pair : conflicts[1].pairs)
        for (const BeatenCopy* copy : pair.copies)
            names.push_back(std::to_string(pair.winner) + ":" + copy->name + "." + TypeText(copy->type));
    EXPECT_EQ(names, (std::vector<std::string>{"1:y.2da", "1:z.mdb", "1:a.ifo", "0:x.2da", "0:tab\there.9999"}));
    EXPECT_EQ(BeatenCounts(report.Load()), (std::vector<std::size_t>{0, 1, 5}));

    EXPECT_EQ(FormatConflictsTsv(report), "name\ttype\twinner\tbeaten\n"
                                          "a\tifo\thome:hak/b.hak\thome:hak/c.hak\n"
                                          "tab here\t9999\thome:hak/a.hak\thome:hak/c.hak\n"
                                          "x\t2da\thome:hak/a.hak\thome:hak/b.hak\n"
                                          "x\t2da\thome:hak/a.hak\thome:hak/c.hak\n"
                                          "y\t2da\thome:hak/b.hak\thome:hak/c.hak\n"
                                          "z\tmdb\thome:hak/b.hak\thome:hak/c.hak\n");
    const std::string html = FormatReportHtml(report);
    EXPECT_NE(html.find("<code>tab\there.9999</code>"), std::string::npos);
    EXPECT_NE(FormatReportHtml(RunReport("m", "/i", "/h")).find("beat them.</p>\n<p>None.</p></section>"),
              std::string::npos);
}

TEST(RunReportTest, TeePassesWritesOnAndKeepsWarnings)
{
    test::RecordingTextOut console;
    TeeTextOut tee(console);
    tee.WriteText("Loading '%s' ...", "m");
    tee.WriteText(12, "WARNING: %s %d\n", "x", 5);
    tee.WriteText("\nERROR: 'e'");
    tee.WriteText("\nWARNINGS are not this");
    ASSERT_EQ(console.Writes().size(), 4u);
    EXPECT_EQ(console.Writes()[1].attribute, 12);
    EXPECT_EQ(console.Text(), "Loading 'm' ...WARNING: x 5\n\nERROR: 'e'\nWARNINGS are not this");
    EXPECT_EQ(SelectWarnings(tee.Writes()), (std::vector<std::string>{"WARNING: x 5", "ERROR: 'e'"}));
}

} // namespace
} // namespace brindle
