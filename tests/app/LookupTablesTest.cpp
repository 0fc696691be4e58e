// Filling of the lookup lists from table cells and the fixed entries.
#include "app/LookupTables.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

using Strings = std::vector<std::string>;

TEST(LookupTablesTest, CellsAreUpperCasedAndKeptInOrderWithDuplicates)
{
    LookupTables tables;
    tables.AddGender("m");
    tables.AddGender("F");
    tables.AddGender("m");
    tables.AddRace("p_hh?");
    tables.AddRace("N_ChildHHM");
    tables.AddRace("X");  // one character leaves an empty race
    tables.AddRace("");
    tables.AddItemClass("w_LSword");
    tables.AddArmorVisualType("cl", 0);
    tables.AddArmorVisualType("LE", 2);
    tables.AddArmorVisualType("Cl", 7);

    EXPECT_EQ(tables.Genders(), (Strings{"M", "F", "M"}));
    EXPECT_EQ(tables.Races(), (Strings{"P_HH", "N_CHILDHH", "", ""}));
    EXPECT_EQ(tables.ItemClasses(), (Strings{"W_LSWORD"}));
    EXPECT_EQ(tables.ArmorVisualTypes(), (Strings{"CL", "LE", "CL"}));
    // The later row of a repeated prefix wins.
    EXPECT_EQ(tables.ArmorVisualTypeIndex(), (LookupTables::ArmorVisualTypeIndexMap{{"CL", 7}, {"LE", 2}}));
    // The indexes follow the lists.
    EXPECT_EQ(tables.RaceIndex().FindLastOccurring("P_HHM"), 3u);
    EXPECT_EQ(tables.GenderIndex().FindLastAt("M", 0), 2u);
}

TEST(LookupTablesTest, EntriesLongerThanAModelNameStayInTheListsButOutOfTheIndexes)
{
    // A name has at most 32 characters, so a longer entry can never match one; a crafted cell of
    // megabytes must not cost a trie node per character.
    const std::string fits(32, 'W');
    const std::string tooLong(33, 'W');
    LookupTables tables;
    tables.AddItemClass(fits);
    tables.AddItemClass(tooLong);
    tables.AddGender(tooLong);
    tables.AddRace(tooLong + "?"); // the race drops its last character
    tables.AddArmorVisualType(tooLong, 4);

    EXPECT_EQ(tables.ItemClasses(), (Strings{fits, tooLong}));
    EXPECT_EQ(tables.Genders(), (Strings{tooLong}));
    EXPECT_EQ(tables.Races(), (Strings{tooLong}));
    EXPECT_EQ(tables.ArmorVisualTypes(), (Strings{tooLong}));
    EXPECT_EQ(tables.ArmorVisualTypeIndex().at(tooLong), 4u);
    // Even a text that holds the long entry finds only what a model name could hold.
    EXPECT_EQ(tables.ItemClassIndex().FindLastAt(tooLong, 0), 0u);
    EXPECT_EQ(tables.GenderIndex().FindLastAt(tooLong, 0), LastEntryIndex::npos);
    EXPECT_EQ(tables.RaceIndex().FindLastOccurring(tooLong), LastEntryIndex::npos);
    EXPECT_EQ(tables.ArmorVisualTypeLookup().FindLastAt(tooLong, 0), LastEntryIndex::npos);
}

TEST(LookupTablesTest, FixedEntriesFollowTheTableRows)
{
    LookupTables tables;
    tables.AddRace("P_EE?");
    tables.AppendFixedRaces();
    tables.AddItemClass("W_DAG");
    tables.AppendFixedItemClasses();
    EXPECT_EQ(tables.Races(), (Strings{"P_EE", "P_HA", "P_AA", "P_GY"}));
    EXPECT_EQ(tables.ItemClasses(), (Strings{"W_DAG", "BELT", "BODY", "BOOTS", "CLOAK", "GLOVES", "HELM"}));
    EXPECT_EQ(tables.ItemClassIndex().FindLastAt("BOOTS01", 0), 3u);
}

TEST(LookupTablesTest, ArmorPieceTableIsOrderedByKeyBytes)
{
    LookupTables tables;
    tables.FillArmorPieceTable();
    const auto& pieces = tables.ArmorPieces();
    ASSERT_EQ(pieces.size(), 21u);
    using Pieces = std::vector<std::pair<std::string, std::string>>;
    const Pieces expected = {
        {"BHIP", "ACBkHip"},       {"FHIP", "ACFtHip"},         {"LANKEL", "ACLtAnkle"},  {"LBRACER", "ACLtBracer"},
        {"LELBOW", "ACLtElbow"},   {"LFOOT", "ACLtFoot"},       {"LHIP", "ACLtHip"},      {"LKNEE", "ACLtKnee"},
        {"LLOWLEG", "ACLtShin"},   {"LSHOULDER", "ACLtShoulder"}, {"LUPARM", "ACLtArm"},  {"LUPLEG", "ACLtLeg"},
        {"RBRACER", "ACRtBracer"}, {"RELBOW", "ACRtElbow"},     {"RFOOT", "ACRtFoot"},    {"RHIP", "ACRtHip"},
        {"RKNEE", "ACRtKnee"},     {"RLOWLEG", "ACRtShin"},     {"RSHOULDER", "ACRtShoulder"},
        {"RUPARM", "ACRtArm"},     {"RUPLEG", "ACRtLeg"},
    };
    EXPECT_EQ(Pieces(pieces.begin(), pieces.end()), expected);
}

} // namespace
} // namespace brindle
