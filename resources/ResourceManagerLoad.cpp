// Loading a module: which sources join the stack, in which order, and the combined index that the
// order produces. Every optional source that fails is reported and skipped.
#include "resources/ResourceManager.h"

#include "containers/ErfFileReader.h"
#include "resources/CampaignFolder.h"
#include "containers/ZipFileReader.h"
#include "formats/Gr2Accessor.h"
#include "formats/TlkFileReader.h"
#include "platform/Ascii.h"
#include "platform/Directory.h"
#include "resources/ResourceNames.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <unordered_set>

namespace brindle {

namespace {

constexpr const char* kModuleNotFound = "Couldn't locate module file.";
/// The packed module's extension, which the module's name leaves out.
constexpr std::string_view kModuleExtension = ".mod";
constexpr const char* kModuleLoadWarning =
    "WARNING: Exception '%s' loading module resources.  The area map may not function.\n";
constexpr const char* kHakLoadWarning =
    "WARNING: Failed to load HAK file '%.32s' (exception '%s').  Certain module resources may be unavailable.\n";
constexpr const char* kHakListedTwiceWarning =
    "WARNING: HAK file '%s' is listed more than once in the module; it is read once, at its first place.\n";
constexpr const char* kZipOpenWarning = "WARNING: Failed to open .zip archive '%s': exception '%s'.\n";
constexpr const char* kNotAFileWarning = "WARNING: Skipped .zip archive '%s': it is not a regular file.\n";
constexpr const char* kNotAFile = "not a regular file";
constexpr const char* kUnreadableFolderWarning =
    "WARNING: Could not read folder '%s'; the files in it are left out.\n";
constexpr const char* kCampaignMissingWarning =
    "WARNING: Campaign %s not found: no folder in '%s' or '%s' holds a campaign.cam with that GUID.  Campaign "
    "resources will be unavailable.\n";
// Why the run report shows the campaign as failed.
constexpr const char* kCampaignMissing = "no campaign folder carries this GUID";
constexpr const char* kAlternateTlkWarning =
    "WARNING: Exception '%s' loading alternate TLK.  STRREF lookup may be unavailable.\n";
constexpr const char* kBaseTlkWarning =
    "WARNING: Exception '%s' loading base TLK.  STRREF lookup may be unavailable.\n";
constexpr const char* kGranny2Warning =
    "WARNING: Exception '%s' loading granny2.  Model skeletons will be unavailable.\n";

constexpr const char* kZipExtension = ".zip";
constexpr const char* kTlkExtension = ".tlk";
// The tiers as the run report names them.
constexpr const char* kTierModule = "module";
constexpr const char* kTierHak = "HAK";
constexpr const char* kTierData = "Data";
constexpr const char* kTierCampaign = "campaign";
constexpr const char* kTierEnhanced = "enhanced";

/// base, separator, then relative with every component matched without regard to case (the game's
/// folders and files are spelled differently from one install to the next).
std::string Below(const std::string& base, const char* separator, const std::string& relative)
{
    return platform::ResolveNoCase(base + separator, relative);
}

bool EndsWithIgnoreCase(const std::string& text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           ascii::EqualsIgnoreCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

} // namespace

void ResourceManager::LoadModule(const std::string& homeDirectory, const std::string& installDirectory,
                                 const std::string& moduleName, const std::string& customTlk,
                                 std::vector<NWN::ResRef32> haks, bool moduleOnly, const std::string& campaignId)
{
    UnloadAll();
    m_ModuleName = moduleName;
    m_HomeDirectory = homeDirectory;
    m_InstallDirectory = installDirectory;

    LoadModuleSource(moduleName);
    if (!moduleOnly) {
        LoadHaks(haks);
        LoadCampaign(campaignId);
    }
    LoadDirectories();
    if (!moduleOnly) {
        LoadZipArchives(Below(m_HomeDirectory, "/", "Data"), kTierData);
        LoadZipArchives(Below(m_InstallDirectory, "/", "Data"), kTierData);
        LoadEnhancedData();
    }
    BuildResourceIndex();
    LoadTalkTables(customTlk);
    // The library is tried once per manager, so a missing one is reported once, not per load.
    if (!m_ModelConverter && !m_ModelConverterTried) {
        m_ModelConverterTried = true;
        LoadModelConverter();
    }
}

std::string ResourceManager::HomeOrInstallPath(const std::string& relative) const
{
    const std::string home = Below(m_HomeDirectory, "/", relative);
    if (platform::PathExists(home))
        return home;
    return Below(m_InstallDirectory, "/", relative);
}

void ResourceManager::LoadModuleSource(const std::string& moduleName)
{
    try {
        ValidateResourceName(moduleName);
        std::string archive;
        std::string directory;
        const auto locate = [&](const std::string& name) {
            // "." would name the Modules folder itself, and an empty name its ".mod" sibling.
            if (name.empty() || name == ".")
                return;
            for (const std::string* root : {&m_HomeDirectory, &m_InstallDirectory}) {
                const std::string packed = Below(*root, "/", "Modules/" + name + ".mod");
                if (platform::PathExists(packed)) {
                    archive = packed;
                    return;
                }
                const std::string pwc = HomeOrInstallPath("pwc/" + name + ".pwc");
                if (platform::PathExists(pwc)) {
                    archive = pwc;
                    return;
                }
                const std::string unpacked = Below(*root, "/", "Modules/" + name);
                // A file of that name (the module archive itself, written with its extension) is no folder.
                if (platform::IsDirectory(unpacked)) {
                    directory = unpacked;
                    return;
                }
            }
        };
        locate(moduleName);
        // "BigMod.mod" is taken for the module BigMod, unless a module of that very name (an
        // unpacked folder called so) is there.
        if (archive.empty() && directory.empty() && ascii::EndsWithIgnoreCase(moduleName, kModuleExtension))
            locate(moduleName.substr(0, moduleName.size() - kModuleExtension.size()));
        if (!directory.empty()) {
            AttachDirectory(std::make_shared<DirectoryContainer>(directory));
            NameLastSource(kTierModule, directory);
        } else if (!archive.empty()) {
            AttachArchive(TierArchive, std::make_shared<ErfFileReader<NWN::ResRef32>>(archive));
            NameLastSource(kTierModule, archive);
        } else {
            throw std::runtime_error(kModuleNotFound);
        }
    } catch (const std::exception& e) {
        Warn(kModuleLoadWarning, e.what());
        NoteFailedSource(TierArchive, kTierModule, moduleName, e.what());
    }
}

/// The HAKs in the order listed, each name (without regard to case) only at its first place, the
/// one that wins; a name listed again is warned about once.
std::vector<NWN::ResRef32> ResourceManager::DistinctHaks(const std::vector<NWN::ResRef32>& haks)
{
    std::vector<NWN::ResRef32> distinct;
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string> warned;
    for (const NWN::ResRef32& hak : haks) {
        std::string name = ToText(hak);
        if (seen.insert(name).second)
            distinct.push_back(hak);
        else if (warned.insert(name).second)
            Warn(kHakListedTwiceWarning, name.c_str());
    }
    return distinct;
}

void ResourceManager::LoadHaks(const std::vector<NWN::ResRef32>& listed)
{
    // A HAK listed twice would be read twice, and a large one listed many times fills the memory.
    const std::vector<NWN::ResRef32> haks = DistinctHaks(listed);
    m_Tiers[TierArchive].reserve(m_Tiers[TierArchive].size() + haks.size());
    m_ErfContainers.reserve(m_ErfContainers.size() + haks.size());
    // Pushed from the last listed to the first, so the first listed ends on top of the stack.
    for (auto hak = haks.rbegin(); hak != haks.rend(); ++hak) {
        std::string path;
        try {
            const std::string name = ToText(*hak);
            ValidateResourceName(name);
            path = Below(m_HomeDirectory, "//", "HAK//" + name + ".hak");
            AttachArchive(TierArchive, std::make_shared<ErfFileReader<NWN::ResRef32>>(path));
            NameLastSource(kTierHak, path);
        } catch (const std::exception& e) {
            Warn(kHakLoadWarning, hak->RefStr, e.what());
            NoteFailedSource(TierArchive, kTierHak, path.empty() ? ToText(*hak) : path, e.what());
        }
    }
}

void ResourceManager::LoadCampaign(const std::string& campaignId)
{
    if (!IsCampaignId(campaignId))
        return;
    const std::string folder = FindCampaignFolder(m_HomeDirectory, m_InstallDirectory, campaignId);
    if (folder.empty()) {
        const std::string guid = CampaignIdText(campaignId);
        Warn(kCampaignMissingWarning, guid.c_str(), Below(m_HomeDirectory, "/", "Campaigns").c_str(),
             Below(m_InstallDirectory, "/", "Campaigns").c_str());
        NoteFailedSource(TierDirectory, kTierCampaign, guid, kCampaignMissing);
        return;
    }
    AttachDirectory(std::make_shared<DirectoryContainer>(folder));
    NameLastSource(kTierCampaign, folder);
}

void ResourceManager::LoadDirectories()
{
    for (const char* name : {"pwc", "override"}) {
        for (const std::string* root : {&m_HomeDirectory, &m_InstallDirectory}) {
            const std::string path = Below(*root, "/", name);
            AttachDirectory(std::make_shared<DirectoryContainer>(path));
            NameLastSource(name, path);
        }
    }
}

void ResourceManager::WarnUnreadableFolders(const DirectoryContainer& directory)
{
    for (const std::string& folder : directory.UnreadableFolders())
        Warn(kUnreadableFolderWarning, folder.c_str());
}

void ResourceManager::LoadZipArchives(const std::string& folder, const char* tier)
{
    std::vector<platform::DirectoryItem> items;
    if (!platform::ListDirectory(folder, items))
        return;
    // The listing is in upper-cased name order, so a later archive overrides an earlier one.
    for (const platform::DirectoryItem& item : items) {
        if (item.isDirectory || !EndsWithIgnoreCase(item.name, kZipExtension))
            continue;
        const std::string path = folder + "/" + item.name;
        // A FIFO or device would block or never end if read; a link to nothing has no bytes.
        if (!item.isRegularFile) {
            Warn(kNotAFileWarning, path.c_str());
            NoteFailedSource(TierZip, tier, path, kNotAFile);
            continue;
        }
        try {
            AttachArchive(TierZip, std::make_shared<ZipFileReader<NWN::ResRef32>>(path));
            NameLastSource(tier, path);
        } catch (const std::exception& e) {
            Warn(kZipOpenWarning, path.c_str(), e.what());
            NoteFailedSource(TierZip, tier, path, e.what());
        }
    }
}

void ResourceManager::LoadEnhancedData()
{
    // An empty installation would name the file system's own root.
    if (m_InstallDirectory.empty())
        return;
    const std::string data = Below(m_InstallDirectory, "/", "enhanced/data");
    if (!platform::IsDirectory(data))
        return;
    // The edition's data replaces the base data, so it is stacked on top of the Data archives, and
    // its loose files on top of its own archives, as override sits above the archives. The scan
    // follows no link to a folder, so a link loop cannot make it go round.
    LoadZipArchives(data, kTierEnhanced);
    auto loose = std::make_shared<DirectoryContainer>(data);
    WarnUnreadableFolders(*loose);
    AttachArchive(TierZip, std::move(loose));
    NameLastSource(kTierEnhanced, data);
}

void ResourceManager::BuildResourceIndex()
{
    OrderSources();
    m_ResourceIndex.Clear();
    m_Entries = {};
    m_EntrySources = {};
    // The counts are the sizes of lists the containers already hold in memory.
    std::size_t total = 0;
    for (const auto& tier : m_Tiers)
        for (Accessor* container : tier)
            total += static_cast<std::size_t>(container->GetEncapsulatedFileCount());
    m_Entries.reserve(total);
    m_ResourceIndex.Reserve(total);

    // Keys are filed in batches, last entry first, so that the index can fetch a batch's slots together.
    constexpr std::size_t kBatch = 64;
    ResourceIndex::Candidate batch[kBatch];
    FileIndex indices[kBatch];
    bool added[kBatch];
    for (std::uint32_t tier = 0; tier < TierCount; ++tier) {
        const auto& containers = m_Tiers[tier];
        for (std::size_t position = 1; position <= containers.size(); ++position) {
            Accessor* container = containers[containers.size() - position];
            // Entries name their source and place in 32 bits each: a listing that large would not
            // fit in memory anyway.
            if (container->GetEncapsulatedFileCount() > UINT32_MAX || m_EntrySources.size() >= UINT32_MAX)
                throw std::length_error(kResourceIndexTooLarge);
            const auto source = static_cast<std::uint32_t>(m_EntrySources.size());
            m_EntrySources.push_back({container, tier, static_cast<std::uint32_t>(position)});
            for (FileIndex index = container->GetEncapsulatedFileCount(); index > 0;) {
                std::size_t count = 0;
                while (count < kBatch && index > 0) {
                    --index;
                    batch[count] = {NWN::ResTypeInvalid, NWN::ResRef32{}};
                    if (container->GetEncapsulatedFileEntry(index, batch[count].name, batch[count].type))
                        indices[count++] = index;
                }
                // Filed under the lower-cased name: the game matches names without regard to case,
                // and an ERF may store "Gender" where everyone asks for "gender".
                m_ResourceIndex.TryInsertBatch(std::span(batch, count), added);
                if (m_Recorder)
                    NoteEntries(tier, position, std::span(batch, count), added);
                for (std::size_t i = 0; i < count; ++i) {
                    if (added[i])
                        m_Entries.push_back({source, static_cast<std::uint32_t>(indices[i])});
                }
            }
        }
    }
}

void ResourceManager::LoadTalkTables(const std::string& customTlk)
{
    if (!customTlk.empty()) {
        try {
            ValidateResourceName(customTlk);
            // Modules store the name with or without its extension ("db" or "db.TLK").
            const std::string file =
                EndsWithIgnoreCase(customTlk, kTlkExtension) ? customTlk : customTlk + kTlkExtension;
            m_AlternateTlk = std::make_shared<TlkFileReader<NWN::ResRef16>>(HomeOrInstallPath("tlk//" + file));
        } catch (const std::exception& e) {
            Warn(kAlternateTlkWarning, e.what());
        }
    }
    if (!m_InstallDirectory.empty()) {
        try {
            m_BaseTlk = std::make_shared<TlkFileReader<NWN::ResRef16>>(Below(m_InstallDirectory, "/", "dialog.tlk"));
        } catch (const std::exception& e) {
            Warn(kBaseTlkWarning, e.what());
        }
    }
}

void ResourceManager::LoadModelConverter()
{
    try {
        std::string library = Below(m_InstallDirectory, "/", "granny2.dll");
        // Not in the install: leave the search to the system's library path.
        if (!platform::PathExists(library))
            library = "granny2.dll";
        m_ModelConverter = std::make_shared<Gr2Accessor>(library, m_Instance.Path());
    } catch (const std::exception& e) {
        Warn(kGranny2Warning, e.what());
    }
}

} // namespace brindle
