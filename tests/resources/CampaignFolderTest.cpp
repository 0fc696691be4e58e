// Finding a module's campaign folder: which Campaign_ID names a campaign, how its GUID is shown,
// and which folder of the home and installation Campaigns folders is taken.
#include "resources/CampaignFolder.h"

#include "tests/support/GffWriter.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brindle {
namespace {

namespace fs = std::filesystem;

// The real campaign GUID of a module built with the toolset, as stored.
const std::string kGuid("\x97\x28\xd5\xd7\xa9\x81\x8e\x43\x91\x03\xa4\x59\x6b\x77\xa0\xb7", 16);

TEST(CampaignFolderTest, WhichIdsNameACampaignAndHowTheyAreShown)
{
    struct Case {
        std::string id;
        bool campaign;
        const char* text;
    };
    const Case cases[] = {
        {kGuid, true, "{D7D52897-81A9-438E-9103-A4596B77A0B7}"},
        {std::string(15, '\0') + "\x01", true, "{00000000-0000-0000-0000-000000000001}"},
        {std::string(16, '\0'), false, "{00000000-0000-0000-0000-000000000000}"},
        {"", false, ""},
        {"\x0a\x0b\xfc", false, "0A0BFC"},
        {kGuid + "x", false, "9728D5D7A9818E439103A4596B77A0B778"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsCampaignId(c.id), c.campaign);
        EXPECT_EQ(CampaignIdText(c.id), c.text);
    }
}

TEST(CampaignFolderTest, HomeBeforeInstallationAndLinkedFolders)
{
    test::ScopedTempDir home;
    test::ScopedTempDir install;
    const std::string cam = test::BuildCampaignFile(kGuid, "mine");
    test::WriteFile(install / "Campaigns/Theirs/campaign.cam", cam);
    EXPECT_EQ(FindCampaignFolder(home.Path(), install.Path(), kGuid), install / "Campaigns/Theirs");
    EXPECT_EQ(FindCampaignFolder("", install.Path(), kGuid), install / "Campaigns/Theirs");
    EXPECT_EQ(FindCampaignFolder(home.Path(), "", kGuid), "");
    EXPECT_EQ(FindCampaignFolder(home.Path(), install.Path(), std::string(16, '\x22')), "");

    test::WriteFile(home / "CAMPAIGNS/Mine/CAMPAIGN.cam", cam);
    EXPECT_EQ(FindCampaignFolder(home.Path(), install.Path(), kGuid), home / "CAMPAIGNS/Mine");

    // A campaign folder linked in from elsewhere is taken too.
    test::WriteFile(home / "elsewhere/Linked/campaign.cam", test::BuildCampaignFile(std::string(16, '\x33'), "l"));
    try {
        fs::create_directory_symlink(home / "elsewhere/Linked", home / "CAMPAIGNS/Linked");
    } catch (const fs::filesystem_error&) {
        GTEST_SKIP() << "this system does not let the test make a link";
    }
    EXPECT_EQ(FindCampaignFolder(home.Path(), install.Path(), std::string(16, '\x33')), home / "CAMPAIGNS/Linked");
}

} // namespace
} // namespace brindle
