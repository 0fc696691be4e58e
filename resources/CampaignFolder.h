// Finding the folder of the campaign a module belongs to: the module names the campaign by the
// GUID that the campaign's campaign.cam carries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brindle {

/// A campaign GUID is this many bytes.
inline constexpr std::size_t kCampaignGuidSize = 16;

/// True when a module's Campaign_ID names a campaign: 16 bytes, not all zero (a module outside
/// any campaign stores zeros).
bool IsCampaignId(std::string_view id);

/// The GUID in its usual text form, "{D7D52897-81A9-438E-9103-A4596B77A0B7}" (the first three
/// groups are stored little-endian); other byte counts are shown as plain hexadecimal.
std::string CampaignIdText(std::string_view id);

/// The first direct subfolder of the home, then the installation "Campaigns" folder (either root
/// may be empty) whose campaign.cam has the GUID id; names are matched without regard to case.
/// Empty when none has. An unreadable or malformed campaign.cam is passed over.
std::string FindCampaignFolder(const std::string& home, const std::string& install, std::string_view id);

} // namespace brindle
