// Model-name grammars: accepted names with their keys, every failure, and the real model names read
// against lists built from real game tables.
#include "app/LookupTables.h"
#include "app/ModelRecord.h"
#include "platform/Ascii.h"
#include "tests/support/NaiveLastEntry.h"
#include "tests/support/RealData.h"

#include <gtest/gtest.h>

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace brindle {
namespace {

constexpr const char* kLexicalCastMessage = "bad lexical cast: source type value could not be interpreted as target";
/// Marks a row whose reading must fail with the library's out-of-range error (its text is the library's).
constexpr const char* kOutOfRange = "<out of range>";

struct Row {
    std::string name;
    std::string key;         ///< expected ToIndex, or the expected failure text
    std::uint32_t variation = 0;
};

LookupTables StandardTables()
{
    LookupTables tables;
    for (const char* gender : {"M", "F"})
        tables.AddGender(gender);
    for (const char* helm : {"P_HH?", "P_EE?", "p_dd?"})
        tables.AddRace(helm);
    tables.AppendFixedRaces();
    std::uint32_t row = 0;
    for (const char* prefix : {"CL", "LE", "ch"})
        tables.AddArmorVisualType(prefix, row++);
    for (const char* itemClass : {"W_LSword", "W_SSWORD", "W_DAG", "W_SHE_LARGE"})
        tables.AddItemClass(itemClass);
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
    return tables;
}

// Builds each row's record and checks its key and variation, or the failure it must raise.
void CheckRows(const LookupTables& tables, const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The run passes over names without a grammar on this test alone.
        EXPECT_EQ(ModelRecord::HasGrammar(row.name), row.key != kModelParseFailed);
        // The run's reading reports the same outcome without raising it.
        if (row.key != kOutOfRange) {
            std::optional<ModelRecord> tried;
            const char* failure = ModelRecord::TryRead(tables, row.name, tried);
            EXPECT_EQ(failure ? std::string(failure) : tried->ToIndex(), row.key);
            EXPECT_EQ(failure == nullptr, tried.has_value());
        }
        if (row.key.starts_with("VK_")) {
            const ModelRecord record(tables, row.name);
            EXPECT_EQ(record.ToIndex(), row.key);
            EXPECT_EQ(record.Variation(), row.variation);
            EXPECT_EQ(record.Name(), row.name);
        } else if (row.key == kOutOfRange) {
            EXPECT_THROW(ModelRecord(tables, row.name), std::out_of_range);
            std::optional<ModelRecord> tried;
            EXPECT_STREQ(ModelRecord::TryRead(tables, row.name, tried), kModelNameEndsEarly);
            EXPECT_FALSE(tried.has_value());
        } else {
            try {
                ModelRecord record(tables, row.name);
                ADD_FAILURE() << "accepted with key " << record.ToIndex();
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), row.key.c_str());
            }
        }
    }
}

TEST(ModelRecordTest, ArmorVariationGrammar)
{
    const std::vector<Row> rows = {
        {"P_HHM_CL_BODY01", "VK_P_HHM_CL_BODY", 1},
        {"P_HHF_LE_BOOTS256", "VK_P_HHF_LE_BOOTS", 256},
        {"P_DDM_CH_GLOVES00", "VK_P_DDM_CH_GLOVES", 0},
        {"p_eef_cl_helm7", "VK_P_EEF_CL_HELM", 7},
        {"P_GYM_CL_CLOAK12", "VK_P_GYM_CL_CLOAK", 12},
        // Separators are skipped whatever they are.
        {"P_HHMXCLYBODY05", "VK_P_HHM_CL_BODY", 5},
        // The race may stand anywhere; reading continues right after it.
        {"P_ZZ_P_EEF_CL_BODY03", "VK_P_EEF_CL_BODY", 3},
        // A plus sign is read by the conversion as part of the number.
        {"P_HHM_CL_BODY+7", "VK_P_HHM_CL_BODY", 7},
        {"P_HHM_CL_BODY257", "Could not gather variation from model."},
        {"P_HHM_CL_BODY4294967295", "Could not gather variation from model."},
        {"P_HHM_CL_BODY4294967296", kLexicalCastMessage},
        {"P_HHM_CL_BODY", kLexicalCastMessage},
        {"P_HHM_CL_BODY1A", kLexicalCastMessage},
        {"P_HHM_CL_BODY_1", kLexicalCastMessage},
        {"P_HHM_CL_BODY 1", kLexicalCastMessage},
        // Negative numbers are no variations (the bare conversion would wrap them).
        {"P_HHM_CL_BODY-1", kLexicalCastMessage},
        {"P_HHM_CL_BODY-4294967295", kLexicalCastMessage},
        {"P_HHM_CL_BODY-0", kLexicalCastMessage},
        {"P_XXM_CL_BODY01", "Could not gather race from model."},
        {"P_HHX_CL_BODY01", "Could not gather gender from model."},
        {"P_HHM_ZZ_BODY01", "Could not gather Armor Visual Type from model."},
        {"P_HHM_", "Could not gather Armor Visual Type from model."},
        {"P_HHM_CL_CAPE01", "Could not gather Item Class from model."},
        {"P_HHM", kOutOfRange},
        {"P_HHM_CL", kOutOfRange},
        {"PX_HHM_CL_BODY01", kModelParseFailed},
        {"PHHMCLBODY01", kModelParseFailed},
    };
    CheckRows(StandardTables(), rows);
}

TEST(ModelRecordTest, ArmorPartGrammar)
{
    const std::vector<Row> rows = {
        {"A_HHM_LSHOULDER02", "VK_A_HHM_ACLtShoulder", 2},
        {"A_EEF_LANKEL10", "VK_A_EEF_ACLtAnkle", 10},
        {"a_ddm_rlowleg256", "VK_A_DDM_ACRtShin", 256},
        {"A_HAF_BHIP1", "VK_A_HAF_ACBkHip", 1},
        // Longer than any stored name: read the same way.
        {"A_HHM_LSHOULDER" + std::string(70, '0') + "2", "VK_A_HHM_ACLtShoulder", 2},
        {"A_HHM_LUPARM257", "Could not gather variation from model."},
        {"A_HHM_LUPARM", kLexicalCastMessage},
        {"A_HHM_LUPARM0A", kLexicalCastMessage},
        {"A_XXM_LUPARM01", "Could not gather race from model."},
        {"A_HHX_LUPARM01", "Could not gather gender from model."},
        {"A_HHM_LTOE01", "Could not gather Armor Visual Type from model."},
        {"A_HHM_", "Could not gather Armor Visual Type from model."},
        {"A_HHM", kOutOfRange},
        {"AX_HHM_LUPARM01", kModelParseFailed},
    };
    CheckRows(StandardTables(), rows);
}

TEST(ModelRecordTest, WeaponGrammar)
{
    const std::vector<Row> rows = {
        {"W_LSWORD03_B", "VK_W_LSWORD_B", 3},
        {"W_LSWORD03", "VK_W_LSWORD_A", 3},
        {"w_lsword256", "VK_W_LSWORD_A", 256},
        {"W_SHE_LARGE101", "VK_W_SHE_LARGE_A", 101},
        {"W_SHE_LARGE07_C", "VK_W_SHE_LARGE_C", 7},
        // Any one character after the separator is the model part.
        {"W_DAG2_7", "VK_W_DAG_7", 2},
        {"W_LSWORD257", "Could not gather variation from model."},
        {"W_LSWORD257_B", "Could not gather variation from model."},
        // A longer model part leaves its tail in the variation text.
        {"W_LSWORD03_BC", kLexicalCastMessage},
        {"W_LSWORD03_1_B", kLexicalCastMessage},
        {"W_LSWORD_B", kLexicalCastMessage},
        {"W_LSWORD", kLexicalCastMessage},
        {"W_LSWORD-1", kLexicalCastMessage},
        // A separator with nothing after it.
        {"W_LSWORD03_", kOutOfRange},
        {"W_AXE01", "Could not gather Item Class from model."},
        {"W_X_LSWORD01", "Could not gather Item Class from model."},
        {"WX_LSWORD01", kModelParseFailed},
    };
    CheckRows(StandardTables(), rows);
}

TEST(ModelRecordTest, OtherPrefixesAreNoModels)
{
    const std::vector<Row> rows = {
        {"C_DRAGON01", kModelParseFailed},
        {"T_N_SWORD", kModelParseFailed},
        {"_P_HHM_CL_BODY01", kModelParseFailed},
        {"WINGS", kModelParseFailed},
        {"PX_HHM_CL_BODY01", kModelParseFailed},
        {"P", kModelParseFailed},
        {"w_", "Could not gather Item Class from model."},
        {"", kModelParseFailed},
    };
    CheckRows(StandardTables(), rows);
}

TEST(ModelRecordTest, PrefixAndModelPartSurviveMovingTheRecord)
{
    // Both are characters of the record itself: a list that grows moves every record it holds.
    const LookupTables tables = StandardTables();
    const std::pair<const char*, const char*> rows[][2] = {
        {{"P_HHM_CL_BODY01", "P"}, {"", "VK_P_HHM_CL_BODY"}},
        {{"A_HHM_LSHOULDER02", "A"}, {"", "VK_A_HHM_ACLtShoulder"}},
        {{"W_LSWORD03", "W"}, {"A", "VK_W_LSWORD_A"}},
        {{"W_LSWORD03_B", "W"}, {"B", "VK_W_LSWORD_B"}},
    };
    std::vector<ModelRecord> records;
    for (int round = 0; round < 50; ++round)
        for (const auto& row : rows)
            records.emplace_back(tables, row[0].first);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& row = rows[i % std::size(rows)];
        SCOPED_TRACE(row[0].first);
        EXPECT_EQ(records[i].Prefix(), row[0].second);
        EXPECT_EQ(records[i].ModelPart(), row[1].first);
        EXPECT_EQ(records[i].ToIndex(), row[1].second);
    }
}

TEST(ModelRecordTest, FieldsAndKeysOfEachGrammar)
{
    const LookupTables tables = StandardTables();
    const ModelRecord body(tables, "P_HHM_CL_BODY01");
    EXPECT_TRUE(body.IsArmorVariation());
    EXPECT_FALSE(body.IsArmorPart() || body.IsWeapon());
    EXPECT_EQ(body.Prefix(), "P");
    EXPECT_EQ(*body.Race(), "P_HH");
    EXPECT_EQ(*body.Gender(), "M");
    EXPECT_EQ(body.Visual(), "CL");
    EXPECT_EQ(*body.ItemClass(), "BODY");
    EXPECT_EQ(body.ToAVTIndex(), "VK_AVT_P_HHM_BODY");
    // The record points into the lists rather than copying the codes.
    EXPECT_EQ(body.Race(), &tables.Races()[0]);

    const ModelRecord shoulder(tables, "A_HHM_LSHOULDER02");
    EXPECT_TRUE(shoulder.IsArmorPart());
    EXPECT_EQ(shoulder.Visual(), "ACLtShoulder");
    EXPECT_EQ(shoulder.ItemClass(), nullptr);
    EXPECT_EQ(shoulder.Name(), "A_HHM_LSHOULDER02");

    const ModelRecord sword(tables, "W_LSWORD03_B");
    EXPECT_TRUE(sword.IsWeapon());
    EXPECT_EQ(sword.ModelPart(), "B");
    EXPECT_EQ(sword.Race(), nullptr);
    EXPECT_EQ(sword.Visual(), "");

    for (const ModelRecord* record : {&shoulder, &sword}) {
        try {
            (void)record->ToAVTIndex();
            ADD_FAILURE() << record->Name();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid call of ToAVTIndex().");
        }
    }
}

TEST(ModelRecordTest, LastListEntryWins)
{
    LookupTables tables;
    // HH is later in the list than P_HH: it wins although it is shorter and further right.
    tables.AddRace("P_HH?");
    tables.AddRace("HH?");
    tables.AddGender("M");
    tables.AddGender("MX");  // never matches at the position, so M stays
    tables.AddArmorVisualType("C", 0);
    tables.AddArmorVisualType("CL", 1);
    // A table class BOD before the fixed BODY: BODY, being later, wins.
    tables.AddItemClass("BOD");
    tables.AddItemClass("W_LS");
    tables.AddItemClass("W_LSWORD");
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();

    const ModelRecord body(tables, "P_HHM_CL_BODY01");
    EXPECT_EQ(body.ToIndex(), "VK_HHM_CL_BODY");
    EXPECT_EQ(body.Variation(), 1u);
    const ModelRecord sword(tables, "W_LSWORD03");
    EXPECT_EQ(sword.ToIndex(), "VK_W_LSWORD_A");

    // Reversed, the earlier (longer) entries lose and the names no longer read.
    LookupTables reversed;
    reversed.AddRace("P_HH?");
    reversed.AddGender("M");
    reversed.AddArmorVisualType("CL", 0);
    reversed.AddArmorVisualType("C", 1);
    reversed.AddItemClass("W_LSWORD");
    reversed.AddItemClass("W_LS");
    reversed.AppendFixedItemClasses();
    reversed.AddItemClass("BOD");
    CheckRows(reversed, {
        {"P_HHM_CL_BODY01", "Could not gather Item Class from model."},  // C wins, so BODY is read at "_BODY01"
        {"W_LSWORD03", kLexicalCastMessage},                // W_LS wins, leaving "WORD03"
    });
}

TEST(ModelRecordTest, EmptyWinningEntriesRejectTheName)
{
    LookupTables tables;
    tables.AddRace("P_HH?");
    tables.AddRace("X");  // an empty race, last in the list: it "occurs" in every name
    tables.AddGender("M");
    tables.AddArmorVisualType("CL", 0);
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
    CheckRows(tables, {
        {"P_HHM_CL_BODY01", "Could not gather race from model."},
        {"A_HHM_LHIP01", "Could not gather race from model."},
    });

    LookupTables emptyFirst;
    emptyFirst.AddRace("X");
    emptyFirst.AddRace("P_HH?");
    emptyFirst.AddGender("M");
    emptyFirst.AddGender("");
    emptyFirst.AddArmorVisualType("CL", 0);
    emptyFirst.AppendFixedItemClasses();
    CheckRows(emptyFirst, {{"P_HHM_CL_BODY01", "Could not gather gender from model."}});

    LookupTables emptyItemClass;
    emptyItemClass.AddRace("P_HH?");
    emptyItemClass.AddGender("M");
    emptyItemClass.AddArmorVisualType("CL", 0);
    emptyItemClass.AddArmorVisualType("", 1);
    emptyItemClass.AppendFixedItemClasses();
    emptyItemClass.AddItemClass("");
    CheckRows(emptyItemClass, {
        {"P_HHM_CL_BODY01", "Could not gather Armor Visual Type from model."},
        {"W_LSWORD01", "Could not gather Item Class from model."},
    });
}

TEST(ModelRecordTest, ArmorPartsReadFromTheRaceLengthWhereverTheRaceStands)
{
    LookupTables tables;
    tables.AddRace("P_HH?");
    tables.AddRace("LHIPx");  // later in the list, found in the middle of the name, four characters long
    tables.AddGender("M");
    tables.FillArmorPieceTable();
    const ModelRecord hip(tables, "A_HHM_LHIP07");
    EXPECT_EQ(*hip.Race(), "LHIP");
    EXPECT_EQ(hip.ToIndex(), "VK_AHIPM_ACLtHip");
    EXPECT_EQ(hip.Variation(), 7u);
}

// Every byte value at every place of names shorter and longer than eight bytes: only a double
// quote, a backslash or a byte below 0x20 makes a name unwritable.
TEST(ModelRecordTest, NamesWritableInAScript)
{
    for (const std::size_t length : {std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9}, std::size_t{20}}) {
        for (std::size_t place = 0; place < length; ++place) {
            std::string wrong;
            for (int value = 0; value < 256; ++value) {
                std::string name(length, 'P');
                name[place] = static_cast<char>(value);
                const bool refused = value == '"' || value == '\\' || value < 0x20;
                if (ModelRecord::IsWritableInScript(name) == refused)
                    wrong += std::to_string(value) + " ";
            }
            EXPECT_EQ(wrong, "") << "length " << length << ", place " << place;
        }
    }
    EXPECT_TRUE(ModelRecord::IsWritableInScript(""));
}

TEST(ModelRecordTest, VariationTexts)
{
    EXPECT_EQ(ParseModelVariation("0"), 0u);
    EXPECT_EQ(ParseModelVariation("007"), 7u);
    EXPECT_EQ(ParseModelVariation("256"), 256u);
    EXPECT_THROW(ParseModelVariation("257"), std::runtime_error);
    for (const char* text : {"", "-1", "-", "+", "1 ", " 1", "0x1", "1e2", "4294967296"})
        EXPECT_THROW(ParseModelVariation(text), boost::bad_lexical_cast) << text;
}

// ---- real names against lists built from real tables -------------------------------------------

// A throwaway reader for the few 2DA columns needed here: returns the column's cells, row by row,
// with "****" as an empty optional. Handles LF, CR LF and lone CR line ends and quoted cells.
std::vector<std::optional<std::string>> ReadColumn(const std::string& path, const std::string& column)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    std::vector<std::vector<std::string>> lines;
    std::istringstream stream(text);
    std::string line;
    std::getline(stream, line);  // "2DA V2.0"
    while (std::getline(stream, line)) {
        std::vector<std::string> cells;
        for (std::size_t i = 0; i < line.size();) {
            if (line[i] == ' ' || line[i] == '\t') {
                ++i;
            } else if (line[i] == '"') {
                const std::size_t end = line.find('"', i + 1);
                cells.push_back(line.substr(i + 1, end - i - 1));
                i = end == std::string::npos ? line.size() : end + 1;
            } else {
                const std::size_t end = line.find_first_of(" \t", i);
                cells.push_back(line.substr(i, end - i));
                i = end == std::string::npos ? line.size() : end;
            }
        }
        if (!cells.empty())
            lines.push_back(cells);
    }
    std::vector<std::optional<std::string>> values;
    if (lines.empty())
        return values;
    const auto& header = lines.front();
    const auto at = std::find(header.begin(), header.end(), column);
    const auto index = static_cast<std::size_t>(at - header.begin()) + 1;  // rows open with their number
    for (std::size_t row = 1; row < lines.size(); ++row) {
        if (index < lines[row].size() && lines[row][index] != "****")
            values.push_back(lines[row][index]);
        else
            values.push_back(std::nullopt);
    }
    return values;
}

LookupTables RealTables(const std::string& dir)
{
    LookupTables tables;
    for (const auto& cell : ReadColumn(dir + "/2da/nwn1_gender/gender.2da", "GENDER"))
        if (cell && *cell != "*")
            tables.AddGender(*cell);
    const std::string csl = dir + "/2da/projectm_csl/";
    for (const auto& cell : ReadColumn(csl + "appearance.2da", "NWN2_Model_Helm"))
        if (cell)
            tables.AddRace(*cell);
    tables.AppendFixedRaces();
    const auto prefixes = ReadColumn(csl + "armorvisualdata.2da", "Prefix");
    for (std::size_t row = 0; row < prefixes.size(); ++row)
        if (prefixes[row])
            tables.AddArmorVisualType(*prefixes[row], static_cast<std::uint32_t>(row));
    for (const auto& cell : ReadColumn(csl + "baseitems.2da", "ItemClass"))
        if (cell && *cell != "*")
            tables.AddItemClass(*cell);
    tables.AppendFixedItemClasses();
    tables.FillArmorPieceTable();
    return tables;
}

TEST(ModelRecordTest, RealModelNamesAgainstRealTables)
{
    BRINDLE_REQUIRE_REALDATA(dir);
    const LookupTables tables = RealTables(dir);
    // Sizes as read by hand from the files: 5 genders, 1,078 helm cells, 14 prefixes, 115 item classes.
    ASSERT_EQ(tables.Genders().size(), 5u);
    ASSERT_EQ(tables.Races().size(), 1081u);
    ASSERT_EQ(tables.ArmorVisualTypes().size(), 14u);
    ASSERT_EQ(tables.ItemClasses().size(), 121u);
    EXPECT_EQ(tables.ArmorVisualTypeIndex().at("GBX"), 18u);

    // Worked out by hand from the lists.
    CheckRows(tables, {
        {"P_HHM_CL_BODY73", "VK_P_HHM_CL_BODY", 73},
        {"P_HHF_CH_BODY72", "VK_P_HHF_CH_BODY", 72},
        {"P_EEF_NK_GLOVES02", "VK_P_EEF_NK_GLOVES", 2},
        {"P_DDM_CL_BODY116", "VK_P_DDM_CL_BODY", 116},
        {"P_OOF_NK_GLOVES04", "VK_P_OOF_NK_GLOVES", 4},
        {"P_HHM_HAIR70", "Could not gather Armor Visual Type from model."},
        {"P_AAM_HEAD07", "Could not gather Armor Visual Type from model."},
        {"P_GOF_HEAD01", "Could not gather race from model."},
        {"P_PXM_CL_BODY05", "Could not gather race from model."},
        {"A_LIZ_LBRACER1", "Could not gather race from model."},
        {"A_OGRE_LSHOULDER16", "Could not gather race from model."},
        {"W_LSWORD46_C", "VK_W_LSWORD_C", 46},
        {"W_SSWORD52_A", "VK_W_SSWORD_A", 52},
        {"W_CLUB104", "VK_W_CLUB_A", 104},
        {"W_SHE_LARGE101", "VK_W_SHE_LARGE_A", 101},
        {"W_HAXE57", "VK_W_HAXE_A", 57},
        {"W_DPICK01_A", "Could not gather Item Class from model."},
        {"W_PDAG02", "Could not gather Item Class from model."},
        {"C_LIZMAN_CH_BODY01", kModelParseFailed},
    });

    // Every name of the list, upper-cased without its extension as the model walk passes it.
    std::ifstream names(dir + "/model_names.txt");
    std::map<std::string, int> outcomes;
    std::string line;
    while (std::getline(names, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string name = ascii::ToUpper(line.substr(0, line.rfind('.')));
        // The race index gives what a scan of the whole real race list gives.
        ASSERT_EQ(tables.RaceIndex().FindLastOccurring(name), test::NaiveLastOccurring(tables.Races(), name)) << name;
        ASSERT_EQ(tables.RaceIndex().FindLastOccurring("P" + name.substr(1)),
                  test::NaiveLastOccurring(tables.Races(), "P" + name.substr(1))) << name;
        try {
            const ModelRecord record(tables, name);
            ++outcomes[std::string(record.Prefix())];
            // A built record always yields its keys.
            EXPECT_FALSE(record.ToIndex().empty());
            if (record.IsArmorVariation()) {
                EXPECT_TRUE(record.ToAVTIndex().starts_with("VK_AVT_P_"));
            }
        } catch (const std::exception& e) {
            ++outcomes[e.what()];
        }
    }
    const std::map<std::string, int> expected = {
        {"W", 456},
        {"P", 63},
        {"Could not gather race from model.", 501},
        {kModelParseFailed, 185},
        {"Could not gather Armor Visual Type from model.", 25},
        {"Could not gather Item Class from model.", 11},
    };
    EXPECT_EQ(outcomes, expected);
}

} // namespace
} // namespace brindle
