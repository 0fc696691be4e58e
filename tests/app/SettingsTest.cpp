// Reading the configuration file and the "on only when exactly 1" rule of the option accessor.
#include "app/Settings.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace brindle {
namespace {

OptionAccessor Parse(const std::string& text)
{
    std::istringstream in(text);
    return ParseSettings(in);
}

std::string TextOf(const OptionAccessor& options, const char* name)
{
    std::string text = "<absent>";
    options.GetText(name, text);
    return text;
}

TEST(SettingsTest, SectionsCommentsAndSpacing)
{
    const OptionAccessor options = Parse("# leading comment\n"
                                         "settings.module = My Module   # trailing comment\n"
                                         "[paths]\n"
                                         "nwn2-install=C:\\Games\\NWN2\n"
                                         "   nwn2-home   =   /home/me/nwn2  \n"
                                         "\n"
                                         "[invisiblemodels]\n"
                                         "variations=1\n"
                                         "[settings]\n"
                                         "ignoresingles=\n");
    EXPECT_EQ(TextOf(options, kOptionModule), "My Module");
    EXPECT_EQ(TextOf(options, kOptionInstallPath), "C:\\Games\\NWN2");
    EXPECT_EQ(TextOf(options, kOptionHomePath), "/home/me/nwn2");
    EXPECT_EQ(TextOf(options, kOptionInvisibleVariations), "1");
    EXPECT_EQ(TextOf(options, kOptionIgnoreSingles), "");
    EXPECT_EQ(TextOf(options, kOptionInvisibleModelParts), "<absent>");
    EXPECT_EQ(TextOf(options, kOptionInvisibleArmorPieces), "<absent>");
}

TEST(SettingsTest, UndeclaredNamesAreSkippedSilently)
{
    const OptionAccessor options = Parse("settings.modul=misspelt\n"
                                         "module=no section\n"
                                         "[other]\n"
                                         "settings.module=wrong section\n"
                                         "[settings]\n"
                                         "module=right\n"
                                         "colour=blue\n");
    EXPECT_EQ(TextOf(options, kOptionModule), "right");
    EXPECT_FALSE(options.Has("settings.modul"));
    EXPECT_FALSE(options.Has("settings.colour"));
}

TEST(SettingsTest, RepeatedOptionReportsMultipleOccurrences)
{
    const char* repeats[] = {
        "settings.module=a\nsettings.module=b\n",
        "settings.module=a\n[settings]\nmodule=a\n",
        "[paths]\nnwn2-home=x\n[paths]\nnwn2-home=x\n",
    };
    for (const char* text : repeats) {
        try {
            Parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()).rfind("multiple occurrences of option '", 0), 0u) << e.what();
        }
    }
    // An undeclared name may repeat: it is never stored.
    EXPECT_NO_THROW(Parse("other=1\nother=2\n"));
}

TEST(SettingsTest, UnreadableLineIsAnError)
{
    // Each refusal names the source and, where one line is at fault, that line.
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"settings.module=a\n\n  this line has no equals sign  # said so\n",
         "s.ini, line 3: neither \"name = value\", a [section] nor a comment"},
        {"[settings\nmodule=a\n", "s.ini, line 1: neither \"name = value\", a [section] nor a comment"},
        {std::string("# a comment\r\nsettings.module=a\0b\n", 33), "s.ini, line 2: holds a NUL byte"},
        {std::string("\0", 1), "s.ini, line 1: holds a NUL byte"},
        {"[paths]\nnwn2-home=x\nnwn2-home=y\n", "multiple occurrences of option 'paths.nwn2-home' in s.ini"},
        {std::string(kMaxSettingsFileSize + 1, '#'),
         "s.ini is 1048577 bytes; a settings file may hold at most 1048576 bytes"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        test::ExpectThrowText<std::runtime_error>([&] { ParseSettings(in, "s.ini"); }, c.error);
    }
    // Exactly at the limit is read.
    std::istringstream full(std::string(kMaxSettingsFileSize - 18, '#') + "\nsettings.module=m");
    EXPECT_EQ(TextOf(ParseSettings(full), kOptionModule), "m");
}

TEST(SettingsTest, MissingFileReadsAsEmpty)
{
    test::ScopedTempDir dir;
    EXPECT_FALSE(ReadSettingsFile(dir / kSettingsFileName).Has(kOptionModule));
    test::WriteFile(dir / kSettingsFileName, "[settings]\r\nmodule=crlf\r\n");
    EXPECT_EQ(TextOf(ReadSettingsFile(dir / kSettingsFileName), kOptionModule), "crlf");
}

TEST(SettingsTest, FileStateAndByteOrderMark)
{
    struct Case {
        const char* what;
        std::optional<std::string> bytes; // none: no file; a directory stands in for "unreadable"
        bool directory;
        SettingsFileState state;
        const char* module;
    } const cases[] = {
        {"missing", std::nullopt, false, SettingsFileState::Missing, "<absent>"},
        {"a directory in its place", std::nullopt, true, SettingsFileState::Unreadable, "<absent>"},
        {"saved with a byte-order mark", "\xEF\xBB\xBF[settings]\r\nmodule=bom\r\n", false,
         SettingsFileState::Read, "bom"},
        {"byte-order mark before a plain option", "\xEF\xBB\xBFsettings.module=first\n", false,
         SettingsFileState::Read, "first"},
        {"only a byte-order mark", "\xEF\xBB\xBF", false, SettingsFileState::Read, "<absent>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScopedTempDir dir;
        if (c.bytes)
            test::WriteFile(dir / kSettingsFileName, *c.bytes);
        if (c.directory)
            test::MakeDirectories(dir / kSettingsFileName);
        SettingsFileState state = SettingsFileState::Read;
        EXPECT_EQ(TextOf(ReadSettingsFile(dir / kSettingsFileName, &state), kOptionModule), c.module);
        EXPECT_EQ(state, c.state);
    }
    // A mark anywhere but at the very start is the line's own text.
    EXPECT_THROW(Parse("settings.module=a\n\xEF\xBB\xBF[paths]\n"), std::exception);
}

TEST(SettingsTest, ReportOptionIsDeclaredAfterTheOthers)
{
    ASSERT_EQ(kOptionDeclarations.size(), 8u);
    EXPECT_STREQ(kOptionDeclarations[6].name, "invisiblemodels.armorpieces");
    EXPECT_STREQ(kOptionDeclarations[7].name, "settings.report");
    EXPECT_EQ(TextOf(Parse("[settings]\nreport = out/run report\n"), kOptionReport), "out/run report");
}

TEST(OptionAccessorTest, OnOnlyWhenTheTextIsExactlyOne)
{
    const OptionAccessor options({{"a", "1"}, {"b", "0"}, {"c", ""}, {"d", "true"}, {"e", "01"}, {"f", "1 "},
                                  {"g", "yes"}, {"h", "11"}});
    EXPECT_TRUE(options.IsOn("a"));
    for (const char* name : {"b", "c", "d", "e", "f", "g", "h", "absent"})
        EXPECT_FALSE(options.IsOn(name)) << name;
    EXPECT_TRUE(Parse("[settings]\nignoresingles = 1 \n").IsOn(kOptionIgnoreSingles));
    EXPECT_FALSE(OptionAccessor().IsOn(kOptionInvisibleVariations));
}

} // namespace
} // namespace brindle
