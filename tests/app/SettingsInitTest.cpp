// The first configuration --init writes: which modules it offers, and that its text reads as the
// example configuration does.
#include "app/IFolderSearchSystem.h"
#include "app/ReportOutput.h"
#include "app/Settings.h"
#include "app/SettingsInit.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>

namespace brindle {
namespace {

using test::MakeDirectories;
using test::WriteFile;

/// Sets the file's time hours ago (negative: ahead). Wine cannot set a folder's time: that folder
/// then keeps the time it was made, which the cases below allow for.
void Age(const std::string& path, int hours)
{
    std::error_code ignored;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(hours),
                                     ignored);
}

TEST(SettingsInitTest, ModulesNewestFirstPackedOrUnpacked)
{
    test::ScopedTempDir home;
    const std::string modules = home / "Modules";
    WriteFile(modules + "/Old.mod", "m");
    WriteFile(modules + "/Newest.MOD", "m");
    WriteFile(modules + "/Unpacked/module.IFO", "ifo");
    WriteFile(modules + "/notes.txt", "not a module");
    MakeDirectories(modules + "/NoInformation");
    WriteFile(modules + "/Has#Hash.mod", "a name the file cannot hold");
    WriteFile(modules + "/Same1.mod", "m");
    WriteFile(modules + "/Same2.mod", "m");
    Age(modules + "/Old.mod", 48);
    Age(modules + "/Newest.MOD", -1);
    // The unpacked module's folder is older than its information file, which counts.
    Age(modules + "/Unpacked/module.IFO", 2);
    Age(modules + "/Unpacked", 30);
    std::filesystem::last_write_time(modules + "/Same2.mod", std::filesystem::last_write_time(modules + "/Old.mod") -
                                                                 std::chrono::hours(1));
    std::filesystem::last_write_time(modules + "/Same1.mod", std::filesystem::last_write_time(modules + "/Same2.mod"));
    EXPECT_EQ(ListModules(home.Path()),
              (std::vector<std::string>{"Newest", "Unpacked", "Old", "Same1", "Same2"}));
    EXPECT_TRUE(ListModules(home / "missing").empty());
}

TEST(SettingsInitTest, TextReadsAsTheExampleConfiguration)
{
    InitFindings findings;
    findings.install = FoundFolder{"/games/NWN2 EE", "Steam library, Enhanced Edition"};
    findings.modules = {"Newest", "Other"};
    const std::string text = InitialSettingsText(findings);
    std::istringstream in(text);
    const OptionAccessor options = ParseSettings(in);
    const std::pair<const char*, const char*> expected[] = {
        {kOptionModule, "Newest"},          {kOptionIgnoreSingles, "0"},
        {kOptionReport, "brindlewhistler-report"}, {kOptionInstallPath, "/games/NWN2 EE"},
        {kOptionHomePath, "auto"},          {kOptionInvisibleModelParts, "1"},
        {kOptionInvisibleVariations, "1"},  {kOptionInvisibleArmorPieces, "1"},
    };
    for (const auto& [name, value] : expected) {
        std::string given;
        EXPECT_TRUE(options.GetText(name, given)) << name;
        EXPECT_EQ(given, value) << name;
    }
    EXPECT_NE(text.find("\n#module = Other\n"), std::string::npos);
    EXPECT_NE(text.find("# auto found no home folder"), std::string::npos);
    EXPECT_NE(text.find("# Found by auto (Steam library, Enhanced Edition).\nnwn2-install = "), std::string::npos);

    // Every comment of the example configuration that explains an option is carried over.
    std::istringstream example(test::ReadFile(std::string(BRINDLE_SOURCE_DIR) + "/doc/Brindlewhistler.ini.in"));
    int carried = 0;
    for (std::string line; std::getline(example, line);) {
        if (line.rfind("# ", 0) != 0 || line.find("Brindlewhistler.ini:") != std::string::npos)
            continue;
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line;
        ++carried;
    }
    EXPECT_GE(carried, 12);

    // No module at all: an empty name, which a run refuses, and a comment saying why.
    const std::string empty = InitialSettingsText(InitFindings{});
    EXPECT_NE(empty.find("\nmodule =\n"), std::string::npos);
    EXPECT_NE(empty.find("\nnwn2-install = auto\n"), std::string::npos);
}

TEST(SettingsInitTest, OnlyNewPlacementNeverReplaces)
{
    test::ScopedTempDir dir;
    const std::string path = dir / "Brindlewhistler.ini";
    EXPECT_EQ(WriteFileAtomically(path, "first", Placement::OnlyNew), std::error_code());
    EXPECT_NE(WriteFileAtomically(path, "second", Placement::OnlyNew), std::error_code());
    EXPECT_EQ(test::ReadFile(path), "first");
    // Nothing left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

/// A system with no home, no Documents, no variables and no registry: the search finds nothing.
class NothingSystem final : public IFolderSearchSystem {
public:
    std::string UserHome() const override { return {}; }
    std::string DocumentsFolder() const override { return {}; }
    std::string Variable(const char*) const override { return {}; }
    bool RegistryText(platform::RegistryRoot, const std::string&, const std::string&, std::string&) const override
    {
        return false;
    }
};

TEST(SettingsInitTest, AFileThatCannotBeWrittenIsNamedWithTheSystemsReason)
{
    test::ScopedTempDir dir;
    test::RecordingTextOut console;
    EXPECT_EQ(WriteInitialSettings(console, NothingSystem(), SearchPlaces::Linux, dir / "missing"), 1);
    const std::string text = console.Text();
    const std::string start = "ERROR: 'Failed to write Brindlewhistler.ini: ";
    ASSERT_EQ(text.substr(0, start.size()), start) << text;
    EXPECT_GT(text.size(), start.size() + 3) << text; // a reason, then "'\n"
    EXPECT_EQ(text.substr(text.size() - 2), "'\n");
}

} // namespace
} // namespace brindle
