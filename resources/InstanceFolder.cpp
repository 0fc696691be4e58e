// The instance folder: the marker is taken before the folder is made and given up after it is gone,
// so no other run ever sees our folder unmarked, and a folder whose marker nobody holds is swept.
#include "resources/InstanceFolder.h"

#include "platform/File.h"
#include "platform/SystemFailure.h"
#include "platform/TextFormat.h"

namespace brindle {

namespace {

constexpr const char* kCleaningUpDefunctInstance = "Cleaning up defunct resource manager instance '%s'...\n";

constexpr std::size_t kInstanceNameBufferSize = 32;
constexpr const char* kMarkerSuffix = ".lock";
/// Names tried when the marker of the first cannot be taken: the process id, then the id and _1, _2...
constexpr unsigned kInstanceNameAttempts = 16;

} // namespace

InstanceFolder::InstanceFolder(IDebugTextOut* textOut) : m_TextOut(textOut)
{
    const std::string temporaryDirectory = platform::TemporaryDirectory();
    m_Path = temporaryDirectory + TakeName(temporaryDirectory) + "/";
    // Leftovers of an earlier process that had the same id.
    if (m_Marker.Held())
        platform::DeleteDirectoryContents(m_Path);
    SweepDefunct(temporaryDirectory);
    if (m_Marker.Held())
        Create();
    else if (!m_Error)
        m_Error = std::make_error_code(std::errc::file_exists); // every name was taken
}

InstanceFolder::~InstanceFolder()
{
    if (Usable())
        platform::RemoveArmed(m_Path, platform::InterruptRemoval::Directory, m_DirectoryTicket);
    const platform::InterruptsHeld held;
    m_Marker.Release();
    platform::DisarmInterruptRemoval(m_MarkerTicket);
}

std::string InstanceFolder::TakeName(const std::string& temporaryDirectory)
{
    const unsigned long pid = platform::CurrentProcessId();
    // A folder is ours only while we hold its marker: when another process holds the marker of our
    // name (the same id in another PID namespace sharing this folder) or someone else planted it,
    // the next name is tried, and the folder of a name we could not take is never touched.
    std::string name;
    for (unsigned attempt = 0; attempt < kInstanceNameAttempts && !m_Marker.Held(); ++attempt) {
        name = attempt == 0 ? FormatBounded(kInstanceNameBufferSize, "%s%lu", kInstanceNamePrefix, pid)
                            : FormatBounded(kInstanceNameBufferSize, "%s%lu_%u", kInstanceNamePrefix, pid, attempt);
        const std::string markerPath = temporaryDirectory + name + kMarkerSuffix;
        // An interrupt removes the marker, the folder and the copies in it before the run ends.
        const platform::InterruptsHeld held;
        m_Marker.Reset(platform::AcquireLivenessMarker(markerPath), markerPath);
        if (!m_Marker.Held())
            m_Error = platform::LastSystemError();
        else
            m_MarkerTicket = platform::ArmInterruptRemoval(markerPath, platform::InterruptRemoval::File);
    }
    if (!m_Marker.Held())
        name = FormatBounded(kInstanceNameBufferSize, "%s%lu", kInstanceNamePrefix, pid);
    return name;
}

void InstanceFolder::Create()
{
    const platform::InterruptsHeld held;
    // A marker that failed on an earlier name no longer counts once a later one was taken.
    m_Error = platform::CreatePrivateDirectory(m_Path);
    if (!m_Error)
        m_DirectoryTicket = platform::ArmInterruptRemoval(m_Path, platform::InterruptRemoval::Directory);
}

void InstanceFolder::SweepDefunct(const std::string& temporaryDirectory)
{
    for (const std::string& name : platform::ListOwnedDirectories(temporaryDirectory, kInstanceNamePrefix)) {
        const std::string markerPath = temporaryDirectory + name + kMarkerSuffix;
        platform::OsFile stale = platform::InvalidOsFile;
        if (platform::IsMarkerAlive(markerPath, stale))
            continue;
        // Released once the leftovers are gone, or on any way out.
        const platform::HeldMarker staleMarker(stale, markerPath);
        const std::string directory = temporaryDirectory + name;
        // An instance removes its folder before it gives up its marker: a folder that is gone by
        // now belonged to a run that ended normally between the listing and the probe.
        if (!platform::IsDirectory(directory))
            continue;
        if (m_TextOut != nullptr)
            m_TextOut->WriteText(kCleaningUpDefunctInstance, name.c_str());
        platform::DeleteDirectoryContents(directory);
        platform::RemoveEmptyDirectory(directory);
    }
    RemoveStaleMarkers(temporaryDirectory);
}

void InstanceFolder::RemoveStaleMarkers(const std::string& temporaryDirectory)
{
    // Nothing to clean up but the marker itself, so no message.
    for (const std::string& name : platform::ListOwnedMarkers(temporaryDirectory, kInstanceNamePrefix, kMarkerSuffix)) {
        const std::string markerPath = temporaryDirectory + name + kMarkerSuffix;
        platform::OsFile staleMarker = platform::InvalidOsFile;
        // Our own marker is held, so it counts as alive like any other live instance's.
        if (platform::PathExists(temporaryDirectory + name) || platform::IsMarkerAlive(markerPath, staleMarker))
            continue;
        platform::ReleaseLivenessMarker(staleMarker, markerPath);
    }
}

} // namespace brindle
