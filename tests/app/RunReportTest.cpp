// The run report's pieces that the whole-run tests do not pin down case by case: shown paths,
// escaping, the fields of the tab-separated list and the warnings kept from the console.
#include "app/ChangeSummary.h"
#include "app/ReportConflicts.h"
#include "app/ReportHtml.h"
#include "app/ReportOutput.h"
#include "app/RunReport.h"
#include "app/ScriptWriter.h"
#include "app/TeeTextOut.h"
#include "resources/ResourceTypes.h"
#include "tests/support/RecordingTextOut.h"

#include <gtest/gtest.h>

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
