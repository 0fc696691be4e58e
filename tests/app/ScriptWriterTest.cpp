// The constants script, byte for byte against checked-in files, and the console statistics.
#include "app/IDebugTextOut.h"
#include "app/LookupTables.h"
#include "app/ModelRecord.h"
#include "app/ScriptBoxes.h"
#include "app/ScriptLists.h"
#include "app/ScriptWriter.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace brindle {
namespace {

class CapturingTextOut : public IDebugTextOut {
public:
    void WriteText(std::uint16_t, const char* format, ...) override
    {
        va_list args;
        va_start(args, format);
        WriteTextV(format, args);
        va_end(args);
    }
    void WriteText(const char* format, ...) override
    {
        va_list args;
        va_start(args, format);
        WriteTextV(format, args);
        va_end(args);
    }
    void WriteTextV(std::uint16_t, const char* format, va_list args) override { WriteTextV(format, args); }
    void WriteTextV(const char* format, va_list args) override
    {
        char buffer[256];
        std::vsnprintf(buffer, sizeof buffer, format, args);
        m_Lines.emplace_back(buffer);
    }

    std::vector<std::string> m_Lines;
};

/// Options given by name; every other option is absent. Records which were asked.
struct Options {
    std::map<std::string, bool> values;
    std::multiset<std::string> asked;

    OptionTest Test()
    {
        return [this](const std::string& name) {
            asked.insert(name);
            const auto found = values.find(name);
            return found != values.end() && found->second;
        };
    }
};

struct Records {
    LookupTables tables;
    std::vector<ModelRecord> weapons, variations, parts;

    void Add(const std::string& name)
    {
        ModelRecord record(tables, name);
        (record.IsWeapon() ? weapons : record.IsArmorVariation() ? variations : parts).push_back(std::move(record));
    }
};

void FillTables(LookupTables& tables)
{
    tables.AddGender("M");
    tables.AddGender("F");
    tables.AddRace("P_HH?");
    tables.AddRace("P_EE?");
    tables.AppendFixedRaces();
    // Rows chosen so that numeric and text order differ (9 before 10).
    tables.AddArmorVisualType("CL", 4);
    tables.AddArmorVisualType("LE", 10);
    tables.AddArmorVisualType("CH", 9);
    for (const char* itemClass : {"W_LSWORD", "W_DAG", "W_SSWORD"})
        tables.AddItemClass(itemClass);
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
}

// A record set that puts something in every section: repeated numbers, lists already holding 0,
// single-number lists, 10 after 9, and keys whose byte order differs from the walk order.
void AddEverySection(Records& records)
{
    for (const char* name : {
             "W_LSWORD10_B", "W_LSWORD09_B", "W_LSWORD01_B", "W_LSWORD09_B", "W_LSWORD03", "W_DAG02", "W_DAG00",
             "W_SSWORD00",
             "P_HHM_CL_BODY10", "P_HHM_CL_BODY09", "P_HHM_CL_BODY9", "P_HHF_CL_BODY05", "P_HHM_LE_BODY02",
             "P_HHM_CH_BODY01", "P_HHM_CL_BOOTS00", "P_EEF_CH_HELM256",
             "A_HHM_RUPARM01", "A_HHM_LSHOULDER02", "A_HHM_LUPARM03", "A_HHM_LSHOULDER10", "A_HHM_LSHOULDER09",
             "A_EEF_LANKEL00",
         })
        records.Add(name);
}

std::string GoldenPath(const std::string& file)
{
    return std::string(BRINDLE_SOURCE_DIR) + "/tests/app/golden/" + file;
}

// Compares with the checked-in file; BRINDLE_UPDATE_GOLDEN=1 rewrites it instead (review the diff).
void ExpectGolden(const std::string& actual, const std::string& file)
{
    const std::string path = GoldenPath(file);
    if (const char* update = std::getenv("BRINDLE_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing golden file " << path;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << "differs from " << path;
}

std::string WriteScript(Records& records, Options& options, CapturingTextOut& console, std::uint32_t ignored)
{
    std::ostringstream out(std::ios::binary);
    ScriptWriter writer(out, console, options.Test());
    writer.Write(records.weapons, records.variations, records.parts, ignored, records.tables.ArmorVisualTypeIndex());
    return out.str();
}

TEST(ScriptWriterTest, EverySectionWithOptionsOff)
{
    Records records;
    FillTables(records.tables);
    AddEverySection(records);
    Options options;  // all absent: off
    CapturingTextOut console;
    ExpectGolden(WriteScript(records, options, console, 3), "constants_options_off.nss");
    EXPECT_EQ(console.m_Lines, (std::vector<std::string>{"\n\nStatistics:", "\nWeapon Models: 8",
                                                         "\nArmor Variations: 8", "\nArmor Parts: 6",
                                                         "\nIgnored Models: 3"}));
}

TEST(ScriptWriterTest, EverySectionWithOptionsOn)
{
    Records records;
    FillTables(records.tables);
    AddEverySection(records);
    Options options;
    for (const char* name : {"invisiblemodels.modelparts", "invisiblemodels.variations", "invisiblemodels.armorpieces",
                             "settings.ignoresingles"})
        options.values[name] = true;
    CapturingTextOut console;
    ExpectGolden(WriteScript(records, options, console, 0), "constants_options_on.nss");
    // Each option is asked once per section with lists, not per line; the armor visual type lists
    // ask none.
    EXPECT_EQ(options.asked.count("invisiblemodels.modelparts"), 1u);
    EXPECT_EQ(options.asked.count("invisiblemodels.variations"), 1u);
    EXPECT_EQ(options.asked.count("invisiblemodels.armorpieces"), 1u);
    EXPECT_EQ(options.asked.count("settings.ignoresingles"), 3u);
}

TEST(ScriptWriterTest, SinglesAloneCommentedAndInvisibleValueCounts)
{
    Records records;
    FillTables(records.tables);
    for (const char* name : {"W_DAG05", "W_LSWORD00", "W_SSWORD03", "W_SSWORD04"})
        records.Add(name);
    Options options;
    options.values["settings.ignoresingles"] = true;
    CapturingTextOut console;
    std::string script = WriteScript(records, options, console, 0);
    EXPECT_NE(script.find("\r\n//\tSetLocalString( oModule, \"VK_W_DAG_A\", \"#5#\" );"), std::string::npos);
    EXPECT_NE(script.find("\r\n\tSetLocalString( oModule, \"VK_W_SSWORD_A\", \"#3#4#\" );"), std::string::npos);

    // The invisible value makes a single number two; a list already holding 0 stays single.
    options.values["invisiblemodels.modelparts"] = true;
    script = WriteScript(records, options, console, 0);
    EXPECT_NE(script.find("\r\n\tSetLocalString( oModule, \"VK_W_DAG_A\", \"#0#5#\" );"), std::string::npos);
    EXPECT_NE(script.find("\r\n//\tSetLocalString( oModule, \"VK_W_LSWORD_A\", \"#0#\" );"), std::string::npos);
}

TEST(ScriptWriterTest, NoModels)
{
    Records records;
    Options options;
    CapturingTextOut console;
    ExpectGolden(WriteScript(records, options, console, 0), "constants_empty.nss");
    EXPECT_TRUE(options.asked.empty());
    EXPECT_EQ(console.m_Lines, (std::vector<std::string>{"\n\nStatistics:", "\nWeapon Models: 0",
                                                         "\nArmor Variations: 0", "\nArmor Parts: 0",
                                                         "\nIgnored Models: 0"}));
}

TEST(ScriptWriterTest, EveryLineEndIsCarriageReturnLineFeed)
{
    Records records;
    FillTables(records.tables);
    AddEverySection(records);
    Options options;
    CapturingTextOut console;
    const std::string script = WriteScript(records, options, console, 0);
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\n') {
            ASSERT_TRUE(i > 0 && script[i - 1] == '\r') << "bare line feed at " << i;
            ++lineEnds;
        }
    }
    EXPECT_GT(lineEnds, 100u);
    EXPECT_TRUE(script.ends_with("\" );\r\n}"));
}

TEST(ScriptWriterTest, ScriptsReadBackWithTheirActiveLists)
{
    Records records;
    FillTables(records.tables);
    AddEverySection(records);
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "options on" : "options off");
        Options options;
        for (const char* name : {"invisiblemodels.modelparts", "invisiblemodels.variations",
                                 "invisiblemodels.armorpieces", "settings.ignoresingles"})
            options.values[name] = on;
        CapturingTextOut console;
        std::ostringstream out(std::ios::binary);
        ScriptWriter writer(out, console, options.Test());
        writer.Write(records.weapons, records.variations, records.parts, 0, records.tables.ArmorVisualTypeIndex());

        const std::optional<ScriptLists> read = ScriptLists::Parse(out.str());
        ASSERT_TRUE(read.has_value());
        // Lists behind "//" assign nothing, so with ignoresingles on fewer are read.
        EXPECT_EQ(read->Lists().size(), on ? 15u : 18u);
        for (const ScriptLists::List& list : read->Lists()) {
            EXPECT_NE(out.str().find("\tSetLocalString( oModule, \"" + list.key + "\""), std::string::npos) << list.key;
        }
    }
    EXPECT_EQ(ScriptWriter::FixedText(), test::ReadFile(GoldenPath("constants_empty.nss")));
}

TEST(ScriptWriterTest, BoxLinesAreEightyCharactersWide)
{
    const auto check = [](const auto& box, std::size_t lines) {
        EXPECT_EQ(box.size(), lines);
        for (const std::string_view line : box)
            EXPECT_EQ(line.size(), script::kBoxLineWidth) << line;
        EXPECT_TRUE(box.front().starts_with("  /*---"));
        EXPECT_TRUE(box.back().starts_with("  \\*---"));
    };
    check(script::kBannerBox, 14);
    check(script::kModelPartsBox, 14);
    check(script::kVariationsBox, 26);
    check(script::kArmorPartsBox, 35);
    check(script::kArmorVisualTypesBox, 13);
}

} // namespace
} // namespace brindle
