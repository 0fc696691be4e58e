// Game tables through the manager: the parse-once cache and its warnings.
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

} // namespace
} // namespace brindle
