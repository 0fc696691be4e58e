// The command line: which argument asks for what, the texts shown, writing them, and that the
// usage text, the manual page and the README name the same options.
#include "app/CommandLine.h"
#include "app/Settings.h"
#include "app/Version.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace brindle {
namespace {

CommandLineRequest Read(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "brindlewhistler");
    return ReadCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLineTest, RequestsAndIgnoredArguments)
{
    struct Case {
        std::vector<const char*> arguments;
        CommandLineRequest request;
    };
    const Case cases[] = {
        {{}, CommandLineRequest::Run},
        {{"--help"}, CommandLineRequest::Help},
        {{"-h"}, CommandLineRequest::Help},
        {{"--version"}, CommandLineRequest::Version},
        {{"--check"}, CommandLineRequest::Check},
        {{"--check", "--help"}, CommandLineRequest::Check},
        {{"-check"}, CommandLineRequest::Run},
        // Anything else is ignored, as it always was, and starts a run.
        {{"Brindlewhistler.ini"}, CommandLineRequest::Run},
        {{"-help"}, CommandLineRequest::Run},
        {{"--HELP"}, CommandLineRequest::Run},
        {{"--version=2"}, CommandLineRequest::Run},
        {{"-v"}, CommandLineRequest::Run},
        {{""}, CommandLineRequest::Run},
        // A request among ignored arguments counts; the first request wins.
        {{"x", "--version", "y"}, CommandLineRequest::Version},
        {{"--version", "--help"}, CommandLineRequest::Version},
        {{"-h", "--version"}, CommandLineRequest::Help},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const char* argument : c.arguments)
            shown += std::string(" '") + argument + "'";
        EXPECT_EQ(Read(c.arguments), c.request) << shown;
    }
}

TEST(CommandLineTest, NoArgumentsAtAll)
{
    // An empty argument vector (allowed by the C standard) is a run.
    const char* none[] = {nullptr};
    EXPECT_EQ(ReadCommandLine(0, none), CommandLineRequest::Run);
}

TEST(CommandLineTest, VersionLine)
{
    EXPECT_EQ(VersionText(), std::string("brindlewhistler ") + kVersion + "\n");
    EXPECT_TRUE(std::regex_match(kVersion, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << kVersion;
}

TEST(CommandLineTest, UsageListsEveryOptionOnALineOfItsOwnWithin80Columns)
{
    const std::string usage = UsageText();
    std::vector<std::string> lines;
    std::istringstream in(usage);
    for (std::string line; std::getline(in, line);) {
        EXPECT_LE(line.size(), 80u) << line;
        lines.push_back(line);
    }
    std::vector<std::string> names;
    for (const OptionDeclaration& option : kOptionDeclarations)
        names.emplace_back(option.name);
    names.emplace_back("settings.report");
    for (const std::string& name : names) {
        int count = 0;
        for (const std::string& line : lines)
            count += line.rfind("  " + name + " ", 0) == 0;
        EXPECT_EQ(count, 1) << name;
    }
    for (const char* text : {"Brindlewhistler.ini", "zorvmantle_set_constants.NSS", "--help", "--version", "-h,",
                             "--check", "brindlewhistler(1)"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
}

TEST(CommandLineTest, AnswersAreWrittenOrReportedAsFailed)
{
    test::ScopedTempDir dir;
    const std::string path = dir / "out";
    for (const CommandLineRequest request : {CommandLineRequest::Help, CommandLineRequest::Version}) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(AnswerRequest(request, out), 0);
        std::fclose(out);
        EXPECT_EQ(test::ReadFile(path), request == CommandLineRequest::Help ? UsageText() : VersionText());

        // A stream that cannot be written to: the failure shows in the exit status.
        std::FILE* readOnly = std::fopen(path.c_str(), "rb");
        ASSERT_NE(readOnly, nullptr);
        EXPECT_EQ(AnswerRequest(request, readOnly), 1);
        std::fclose(readOnly);
    }
}

/// The option names a document mentions, from the fixed list below.
std::vector<std::string> MentionedOptions(std::string text)
{
    // The manual page writes a literal hyphen as \-.
    text = std::regex_replace(text, std::regex("\\\\-"), "-");
    std::vector<std::string> found;
    std::istringstream usage(UsageText());
    const std::regex optionLine("  ([a-z0-9.-]+\\.[a-z0-9-]+) .*");
    std::smatch match;
    for (std::string line; std::getline(usage, line);) {
        if (std::regex_match(line, match, optionLine) && text.find(match[1].str()) != std::string::npos)
            found.push_back(match[1].str());
    }
    return found;
}

TEST(CommandLineTest, ManualPageAndReadmeNameEveryOptionOfTheUsage)
{
    const std::vector<std::string> all = MentionedOptions(UsageText());
    ASSERT_EQ(all.size(), kOptionDeclarations.size());
    for (const char* document : {"/doc/brindlewhistler.1.in", "/README.md", "/doc/Brindlewhistler.ini.in"}) {
        const std::string text = test::ReadFile(std::string(BRINDLE_SOURCE_DIR) + document);
        ASSERT_FALSE(text.empty()) << document;
        std::string plain = text;
        // The example configuration names options by section: "[paths]" then "nwn2-install =".
        std::string section;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            if (std::regex_match(line, match, std::regex("\\[([a-z]+)\\]\\s*")))
                section = match[1].str();
            else if (std::regex_match(line, match, std::regex("#?([a-z0-9-]+) = .*")))
                plain += "\n" + section + "." + match[1].str();
        }
        EXPECT_EQ(MentionedOptions(plain), all) << document;
    }
}

TEST(CommandLineTest, ManualPageAndReadmeShowTheCheckInContinuousIntegration)
{
    const std::string step = "brindlewhistler --check || { echo \"run brindlewhistler and commit the script\"; exit 1; }";
    for (const char* document : {"/doc/brindlewhistler.1.in", "/README.md"}) {
        const std::string text = std::regex_replace(test::ReadFile(std::string(BRINDLE_SOURCE_DIR) + document),
                                                    std::regex("\\\\-"), "-");
        EXPECT_NE(text.find(step), std::string::npos) << document;
    }
}

TEST(CommandLineTest, ManualPageCarriesEveryMessageOfTheReadme)
{
    const std::string readme = test::ReadFile(std::string(BRINDLE_SOURCE_DIR) + "/README.md");
    std::string manual = test::ReadFile(std::string(BRINDLE_SOURCE_DIR) + "/doc/brindlewhistler.1.in");
    manual = std::regex_replace(manual, std::regex("\\\\\\(aq"), "'");
    manual = std::regex_replace(manual, std::regex("\\\\-"), "-");
    const std::size_t table = readme.find("## Messages");
    ASSERT_NE(table, std::string::npos);
    std::istringstream in(readme.substr(table, readme.find("\n## ", table + 1) - table));
    // Each row starts with the message in backticks.
    const std::regex row("\\| `([^`]+)`.*");
    int messages = 0;
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (!std::regex_match(line, match, row))
            continue;
        ++messages;
        EXPECT_NE(manual.find(match[1].str()), std::string::npos) << match[1].str();
    }
    EXPECT_GE(messages, 12);
}

} // namespace
} // namespace brindle
