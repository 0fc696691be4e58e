// The resource manager as an instance: construction, unloading, destruction and stacking sources
// directly.
#include "resources/ResourceManager.h"

#include "formats/Gr2Accessor.h"
#include "formats/TlkFileReader.h"
#include "formats/TwoDAFileReader.h"
#include "platform/Process.h"
#include "resources/LoadRecorder.h"

#include <cstdarg>

namespace brindle {

namespace {

constexpr const char* kClosingLeakedHandle = "WARNING: Closing leaked ResourceManager handle %08X\n";
constexpr const char* kUnloadingLeakedResource = "WARNING: Unloading leaked resource '%s' (%lu refs)...\n";

} // namespace

ResourceManager::ResourceManager(IDebugTextOut* textOut) : m_TextOut(textOut), m_Instance(textOut)
{
}

ResourceManager::~ResourceManager()
{
    try {
        UnloadAll();
    } catch (...) {
        // A container failing while it is closed must not end the program from a destructor.
    }
    // The instance folder goes next, the model converter after it (the order of the members).
}

void ResourceManager::UnloadAll()
{
    m_2DACache.clear();
    m_BaseTlk.reset();
    m_AlternateTlk.reset();

    for (const auto& [handle, open] : m_OpenHandles) {
        Warn(kClosingLeakedHandle, static_cast<unsigned int>(handle & 0xFFFFFFFFu));
        open.container->CloseFile(open.containerHandle);
    }
    m_OpenHandles.clear();

    for (const auto& [key, demanded] : m_Demanded) {
        Warn(kUnloadingLeakedResource, demanded.path.c_str(), static_cast<unsigned long>(demanded.references));
        if (demanded.deleteOnRelease)
            platform::RemoveArmed(demanded.path, platform::InterruptRemoval::File, demanded.interruptTicket);
    }
    m_Demanded.clear();

    // Assigning fresh containers also gives back the memory the last load reserved.
    m_ResourceIndex.Clear();
    m_Entries = {};
    m_EntrySources = {};
    for (auto& tier : m_Tiers)
        tier.clear();
    m_ErfContainers.clear();
    m_DirectoryContainers.clear();
    m_ZipContainers.clear();
    m_SourcePaths.clear();
    m_LastAttached = nullptr;
    if (m_Recorder)
        m_Recorder->Clear();
}

void ResourceManager::Warn(const char* format, ...)
{
    if (m_TextOut == nullptr)
        return;
    va_list args;
    va_start(args, format);
    m_TextOut->WriteTextV(format, args);
    va_end(args);
}

void ResourceManager::AttachArchive(Tier tier, std::shared_ptr<Accessor> archive)
{
    if (tier == TierDirectory || tier >= TierCount || !archive)
        return;
    m_Tiers[tier].push_back(archive.get());
    NoteAttached(tier, archive.get());
    (tier == TierArchive ? m_ErfContainers : m_ZipContainers).push_back(std::move(archive));
}

void ResourceManager::AttachDirectory(std::shared_ptr<DirectoryContainer> directory)
{
    if (!directory)
        return;
    WarnUnreadableFolders(*directory);
    m_Tiers[TierDirectory].push_back(directory.get());
    NoteAttached(TierDirectory, directory.get());
    m_DirectoryContainers.push_back(std::move(directory));
}

void LoadModuleOnly(const std::string& installDirectory, ResourceManager& manager, const std::string& moduleName,
                    const std::string& homeDirectory)
{
    manager.LoadModule(homeDirectory, installDirectory, moduleName, std::string(), {}, true);
}

} // namespace brindle
