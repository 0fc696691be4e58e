// The run report's pieces that the whole-run tests do not pin down case by case: shown paths,
// escaping, the fields of the tab-separated list and the warnings kept from the console.
#include "app/ReportHtml.h"
#include "app/ReportOutput.h"
#include "app/RunReport.h"
#include "app/TeeTextOut.h"
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
