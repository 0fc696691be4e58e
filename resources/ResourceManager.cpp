// The resource manager as an instance: its private working directory beside a liveness marker, the
// sweep of directories that dead instances left behind, unloading and destruction.
#include "resources/ResourceManager.h"

#include "formats/Gr2Accessor.h"
#include "formats/TlkFileReader.h"
#include "formats/TwoDAFileReader.h"
#include "platform/Process.h"
#include "platform/SystemFailure.h"
#include "platform/TextFormat.h"

#include <cstdarg>

namespace brindle {

namespace {

constexpr const char* kCleaningUpDefunctInstance = "Cleaning up defunct resource manager instance '%s'...\n";
constexpr const char* kClosingLeakedHandle = "WARNING: Closing leaked ResourceManager handle %08X\n";
constexpr const char* kUnloadingLeakedResource = "WARNING: Unloading leaked resource '%s' (%lu refs)...\n";

constexpr std::size_t kInstanceNameBufferSize = 32;
constexpr const char* kMarkerSuffix = ".lock";
/// Names tried when the marker of the first cannot be taken: the process id, then the id and _1, _2...
constexpr unsigned kInstanceNameAttempts = 16;

} // namespace

ResourceManager::ResourceManager(IDebugTextOut* textOut) : m_TextOut(textOut)
{
    const std::string temporaryDirectory = platform::TemporaryDirectory();
    const unsigned long pid = platform::CurrentProcessId();

    // The marker exists before the directory, so no other instance ever sees our directory unmarked.
    // A directory is ours only while we hold its marker: when another process holds the marker of
    // our name (the same id in another PID namespace sharing this folder) or someone else planted
    // it, the next name is tried, and the directory of a name we could not take is never touched.
    std::string instanceName;
    for (unsigned attempt = 0; attempt < kInstanceNameAttempts && !m_Marker.Held(); ++attempt) {
        instanceName = attempt == 0
                           ? FormatBounded(kInstanceNameBufferSize, "%s%lu", kInstanceNamePrefix, pid)
                           : FormatBounded(kInstanceNameBufferSize, "%s%lu_%u", kInstanceNamePrefix, pid, attempt);
        const std::string markerPath = temporaryDirectory + instanceName + kMarkerSuffix;
        // An interrupt removes the marker, the directory and the copies in it before the run ends.
        const platform::InterruptsHeld held;
        m_Marker.Reset(platform::AcquireLivenessMarker(markerPath), markerPath);
        if (!m_Marker.Held())
            m_InstanceDirectoryError = platform::LastSystemError();
        else
            m_MarkerTicket = platform::ArmInterruptRemoval(markerPath, platform::InterruptRemoval::File);
    }
    if (!m_Marker.Held())
        instanceName = FormatBounded(kInstanceNameBufferSize, "%s%lu", kInstanceNamePrefix, pid);

    m_InstanceDirectory = temporaryDirectory + instanceName + "/";
    // Leftovers of an earlier process that had the same id.
    if (m_Marker.Held())
        platform::DeleteDirectoryContents(m_InstanceDirectory);
    CleanupDefunctInstances(temporaryDirectory);
    if (m_Marker.Held()) {
        const platform::InterruptsHeld held;
        m_InstanceDirectoryError = platform::CreatePrivateDirectory(m_InstanceDirectory);
        if (!m_InstanceDirectoryError)
            m_DirectoryTicket =
                platform::ArmInterruptRemoval(m_InstanceDirectory, platform::InterruptRemoval::Directory);
    } else if (!m_InstanceDirectoryError)
        m_InstanceDirectoryError = std::make_error_code(std::errc::file_exists); // every name was taken
    m_InstanceDirectoryUsable = !m_InstanceDirectoryError;
}

ResourceManager::~ResourceManager()
{
    try {
        UnloadAll();
    } catch (...) {
        // A container failing while it is closed must not end the program from a destructor.
    }
    if (m_InstanceDirectoryUsable)
        platform::RemoveArmed(m_InstanceDirectory, platform::InterruptRemoval::Directory, m_DirectoryTicket);
    {
        const platform::InterruptsHeld held;
        m_Marker.Release();
        platform::DisarmInterruptRemoval(m_MarkerTicket);
    }
    m_ModelConverter.reset();
}

void ResourceManager::CleanupDefunctInstances(const std::string& temporaryDirectory)
{
    for (const std::string& name : platform::ListOwnedDirectories(temporaryDirectory, kInstanceNamePrefix)) {
        const std::string markerPath = temporaryDirectory + name + kMarkerSuffix;
        platform::OsFile stale = platform::InvalidOsFile;
        if (platform::IsMarkerAlive(markerPath, stale))
            continue;
        // Released once the leftovers are gone, or on any way out.
        const platform::HeldMarker staleMarker(stale, markerPath);
        const std::string directory = temporaryDirectory + name;
        // An instance removes its directory before it gives up its marker: a directory that is gone
        // by now belonged to a run that ended normally between the listing and the probe.
        if (!platform::IsDirectory(directory))
            continue;
        Warn(kCleaningUpDefunctInstance, name.c_str());
        platform::DeleteDirectoryContents(directory);
        platform::RemoveEmptyDirectory(directory);
    }
    // Markers of runs that were killed before their directory came: nothing to clean up but the
    // marker itself, so no message.
    for (const std::string& name :
         platform::ListOwnedMarkers(temporaryDirectory, kInstanceNamePrefix, kMarkerSuffix)) {
        const std::string markerPath = temporaryDirectory + name + kMarkerSuffix;
        platform::OsFile staleMarker = platform::InvalidOsFile;
        // Our own marker is held, so it counts as alive like any other live instance's.
        if (platform::PathExists(temporaryDirectory + name) || platform::IsMarkerAlive(markerPath, staleMarker))
            continue;
        platform::ReleaseLivenessMarker(staleMarker, markerPath);
    }
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
    for (auto& tier : m_Tiers)
        tier.clear();
    m_ErfContainers.clear();
    m_DirectoryContainers.clear();
    m_ZipContainers.clear();
    m_Attempts.clear();
    m_SourcePaths.clear();
    m_LastAttached = nullptr;
    m_Record = {};
    m_SourceNumbers = {};
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
