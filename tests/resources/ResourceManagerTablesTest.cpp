// Game tables through the manager: the parse-once cache and its warnings.
#include "app/LookupTables.h"
#include "app/TableExtraction.h"
#include "formats/TwoDAFileReader.h"
#include "resources/ResourceManager.h"
#include "resources/ResourceTypes.h"
#include "tests/support/MemoryArchive.h"
#include "tests/support/RecordingTextOut.h"
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brindle {
namespace {

class ResourceManagerTablesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Archive = std::make_shared<test::MemoryArchive>();
        m_Manager.AttachArchive(ResourceManager::TierArchive, m_Archive);
    }

    test::ScopedTmpdirOverride m_Tmp;
    test::RecordingTextOut m_Out;
    ResourceManager m_Manager {&m_Out};
    std::shared_ptr<test::MemoryArchive> m_Archive;
};

TEST_F(ResourceManagerTablesTest, MissingTableIsReportedOnceThenAnsweredSilently)
{
    m_Manager.BuildResourceIndex();
    std::string value = "untouched";
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDER", 3));
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to access 2DA 'gender' ('GENDER'/3): exception 'Failed to locate "
                            "RESREF 'gender''.\n");
    EXPECT_EQ(value, "untouched");
    m_Out.Clear();
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "OTHER", 0));
    EXPECT_EQ(m_Manager.Get2DA("gender"), nullptr);
    EXPECT_TRUE(m_Out.Writes().empty());

    EXPECT_EQ(m_Manager.Get2DA("appearance"), nullptr);
    EXPECT_EQ(m_Out.Text(),
              "WARNING: Failed to access 2DA 'appearance': exception 'Failed to locate RESREF 'appearance''.\n");
    m_Out.Clear();
    EXPECT_FALSE(m_Manager.Get2DAString(value, "appearance", "LABEL", 0));
    EXPECT_TRUE(m_Out.Writes().empty());

    // A new load reads every table again.
    m_Manager.UnloadAll();
    m_Manager.BuildResourceIndex();
    EXPECT_EQ(m_Manager.Get2DA("gender"), nullptr);
    EXPECT_EQ(m_Out.Writes().size(), 1u);
}

constexpr const char* kGender = "2DA V2.0\n"
                                "\n"
                                "   GENDER NAME\n"
                                "0  m      Male\n"
                                "1  ****   Nobody\n"
                                "2  *      Star\n"
                                "3  f      Female\n";

TEST_F(ResourceManagerTablesTest, TablesAreParsedOnceAndCellsFollowTheReadersRules)
{
    m_Archive->Add("gender", ResType2da, kGender);
    m_Manager.BuildResourceIndex();

    TwoDAFileReader* reader = m_Manager.Get2DA("gender");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->GetRowCount(), 4u);
    const auto reads = m_Archive->Reads().size();
    EXPECT_EQ(m_Manager.Get2DA("gender"), reader);
    EXPECT_EQ(m_Archive->Reads().size(), reads);
    // The copy lived only for the parse.
    EXPECT_TRUE(std::filesystem::is_empty(m_Manager.GetInstanceDirectory()));

    std::string value = "untouched";
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDER", 4));
    EXPECT_EQ(value, "untouched");
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDER", 1));
    EXPECT_EQ(value, "****");
    EXPECT_TRUE(m_Manager.Get2DAString(value, "gender", "NAME", 3));
    EXPECT_EQ(value, "Female");
    EXPECT_TRUE(m_Out.Writes().empty());

    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "Gender", 0));
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to retrieve 2DA value 'Gender'/0 from 'gender': exception 'Illegal 2DA "
                            "column reference: 'Gender'.'.\n");
}

TEST_F(ResourceManagerTablesTest, ColumnMissingOnFirstRequestKeepsTheTableUsable)
{
    m_Archive->Add("gender", ResType2da, kGender);
    m_Manager.BuildResourceIndex();

    std::string value;
    EXPECT_FALSE(m_Manager.Get2DAString(value, "gender", "GENDR", 2));
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to access 2DA 'gender' ('GENDR'/2): exception 'Illegal 2DA column "
                            "reference: 'GENDR'.'.\n");
    EXPECT_TRUE(m_Manager.Get2DAString(value, "gender", "GENDER", 0));
    EXPECT_EQ(value, "m");
    EXPECT_NE(m_Manager.Get2DA("gender"), nullptr);
}

TEST_F(ResourceManagerTablesTest, ExtractionReadsTheFourTablesThroughTheManager)
{
    m_Archive->Add("gender", ResType2da, kGender)
        .Add("appearance", ResType2da, "2DA V2.0\n\nLABEL NWN2_Model_Helm\n0 Human P_HHM\n1 Odd ****\n")
        .Add("baseitems", ResType2da, "2DA V2.0\n\nItemClass\n0 w_sword\n1 *\n");
    m_Manager.BuildResourceIndex();

    LookupTables lists;
    ExtractGameTables(m_Manager, lists);
    const auto& genders = lists.Genders();
    const auto& races = lists.Races();
    const auto& prefixes = lists.ArmorVisualTypes();
    const auto& itemClasses = lists.ItemClasses();

    EXPECT_EQ(genders, (std::vector<std::string> {"M", "F"}));
    EXPECT_EQ(races, (std::vector<std::string> {"P_HH", "P_HA", "P_AA", "P_GY"}));
    EXPECT_TRUE(prefixes.empty());
    EXPECT_EQ(itemClasses.front(), "W_SWORD");
    EXPECT_EQ(itemClasses.size(), 7u);
    // The one missing table is reported once.
    EXPECT_EQ(m_Out.Text(), "WARNING: Failed to access 2DA 'armorvisualdata': exception 'Failed to locate RESREF "
                            "'armorvisualdata''.\n");
}

} // namespace
} // namespace brindle
