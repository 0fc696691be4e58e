// The campaign folder search: only the direct subfolders of each Campaigns folder are looked at,
// and only their campaign.cam is read, so the search costs a listing and a few small reads.
#include "resources/CampaignFolder.h"

#include "formats/GffFileReader.h"
#include "platform/Directory.h"
#include "platform/File.h"

#include <algorithm>
#include <exception>

namespace brindle {

namespace {

constexpr const char* kCampaignsFolder = "Campaigns";
constexpr const char* kCampaignFile = "campaign.cam";
constexpr const char* kGuidLabel = "GUID";

bool CarriesGuid(const std::string& campaignFile, std::string_view id)
{
    if (!platform::PathExists(campaignFile))
        return false;
    try {
        GffFileReader reader(campaignFile);
        std::string guid;
        return reader.ReadVoidField(reader.GetRootStruct(), kGuidLabel, guid) && guid == id;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

bool IsCampaignId(std::string_view id)
{
    return id.size() == kCampaignGuidSize && std::any_of(id.begin(), id.end(), [](char c) { return c != '\0'; });
}

std::string CampaignIdText(std::string_view id)
{
    constexpr const char* kDigits = "0123456789ABCDEF";
    auto hex = [&](std::string& out, std::size_t at) {
        const auto byte = static_cast<unsigned char>(id[at]);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
    };
    std::string text;
    if (id.size() != kCampaignGuidSize) {
        for (std::size_t i = 0; i < id.size(); ++i)
            hex(text, i);
        return text;
    }
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) little-endian; Data4 as stored.
    constexpr std::size_t kOrder[] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    text += '{';
    for (std::size_t i = 0; i < kCampaignGuidSize; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        hex(text, kOrder[i]);
    }
    text += '}';
    return text;
}

std::string FindCampaignFolder(const std::string& home, const std::string& install, std::string_view id)
{
    for (const std::string* root : {&home, &install}) {
        if (root->empty())
            continue;
        const std::string campaigns = platform::ResolveNoCase(*root + "/", kCampaignsFolder);
        std::vector<platform::DirectoryItem> items;
        if (!platform::ListDirectory(campaigns, items))
            continue;
        for (const platform::DirectoryItem& item : items) {
            if (item.isRegularFile)
                continue;
            const std::string folder = campaigns + "/" + item.name;
            // A linked campaign folder is taken too; the folder's own scan follows no link below it.
            if (!item.isDirectory && !platform::IsDirectory(folder))
                continue;
            if (CarriesGuid(platform::ResolveNoCase(folder + "/", kCampaignFile), id))
                return folder;
        }
    }
    return {};
}

} // namespace brindle
