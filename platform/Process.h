// The process-wide services the resource manager needs from the system: the temporary directory,
// the process id, a liveness marker other processes can probe by name, private working directories
// and the careful deletion of their contents.
#pragma once

#include "platform/File.h"

#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace brindle::platform {

/// The temporary directory with a trailing separator: $TMPDIR when it is set, absolute and a
/// directory, else the system default.
std::string TemporaryDirectory();

/// The current process id.
unsigned long CurrentProcessId();

/// Creates (or opens) the marker file at path and holds an exclusive lock on it for as long as the
/// returned file stays open. InvalidOsFile when the marker cannot be created or locked; the caller
/// then simply goes unprotected. On Windows the marker is a named event instead, named after the
/// path's file name without its extension; no file is made, and a probe finds no stale marker.
OsFile AcquireLivenessMarker(const std::string& path);

/// Probes the marker of another instance. True when a live process holds it or when that cannot be
/// ruled out: a marker that is not a regular file of the current user, or that cannot be locked,
/// counts as alive. False when the marker is missing or could be locked: its owner is gone. In that case
/// staleMarker holds the lock on the old marker (or InvalidOsFile when there was none) and is to be
/// passed to ReleaseLivenessMarker once the instance's leftovers are removed.
bool IsMarkerAlive(const std::string& path, OsFile& staleMarker);

/// Removes the marker file at path (only if it is still the file behind marker) and closes marker.
/// Does nothing for InvalidOsFile.
void ReleaseLivenessMarker(OsFile marker, const std::string& path);

/// The names (without suffix) of the marker files in directory whose names begin with prefix and end
/// with suffix and that are regular files owned by the current user. Empty where markers are not
/// files (Windows).
std::vector<std::string> ListOwnedMarkers(const std::string& directory, const std::string& prefix,
                                          const std::string& suffix);

/// Holds a liveness marker (or none) and releases it with ReleaseLivenessMarker when it goes.
class HeldMarker {
public:
    HeldMarker() = default;
    HeldMarker(OsFile marker, std::string path) : m_Marker(marker), m_Path(std::move(path)) {}
    ~HeldMarker() { Release(); }
    HeldMarker(const HeldMarker&) = delete;
    HeldMarker& operator=(const HeldMarker&) = delete;

    /// Releases the marker held (if any) and holds marker at path instead.
    void Reset(OsFile marker, std::string path)
    {
        Release();
        m_Marker = marker;
        m_Path = std::move(path);
    }
    /// Releases the marker now; does nothing when none is held.
    void Release() noexcept { ReleaseLivenessMarker(std::exchange(m_Marker, InvalidOsFile), m_Path); }
    bool Held() const noexcept { return m_Marker != InvalidOsFile; }

private:
    OsFile m_Marker = InvalidOsFile;
    std::string m_Path;
};

/// False only when no process with this id runs: true for a live process, for one of another user
/// and for an id that cannot be asked about. Ids are reused, so true may name another program than
/// the one meant; use it only where that errs on the safe side. The instance markers above do not
/// depend on it.
bool IsProcessAlive(unsigned long pid);

/// The names in directory (not the empty string) that begin with prefix and are regular files (not
/// links) owned by the current user; on Windows the owner is not checked.
std::vector<std::string> ListOwnedFiles(const std::string& directory, const std::string& prefix);

/// Makes path a private directory of the current user: creates it owner-only, or accepts an existing
/// one when it is a real directory (not a link) owned by the current user and not writable by group
/// or others. The reason when the directory cannot be used, else an empty code.
std::error_code CreatePrivateDirectory(const std::string& path);

/// The names in directory that begin with prefix, contain no '.', and are real directories (not
/// links) owned by the current user.
std::vector<std::string> ListOwnedDirectories(const std::string& directory, const std::string& prefix);

/// Deletes what a directory holds, one level deep: files and links are removed (links are never
/// followed), subdirectories only when they are empty. Nothing happens unless path is a real
/// directory owned by the current user. Failures are ignored.
void DeleteDirectoryContents(const std::string& path);

/// Removes an empty directory (never through a link); false when it cannot be removed.
bool RemoveEmptyDirectory(const std::string& path);

/// Makes sure the standard descriptors (input, output, error) are open, on the null device where
/// they were closed, so that no file the program opens later takes their place. Call it first.
/// Where the null device cannot be opened (a bare chroot) the root directory holds the place: what
/// is written there is lost, as on the null device. Tests pass a null device of their own.
void EnsureStandardDescriptors(const char* nullDevice = "/dev/null");

/// Makes a write beyond the file-size limit (ulimit -f) fail with "File too large" instead of
/// killing the process, so that the failure is reported and nothing half-written stays. Call it
/// first. Nothing to do where there is no such signal (Windows).
void IgnoreFileSizeLimitSignal();

/// What an armed path is removed as.
enum class InterruptRemoval { File, Directory };

/// Arranges for path (a file, or an empty directory by then) to be removed when an interrupt, a
/// termination request or a hang-up ends the process (on Windows: Ctrl+C, Ctrl+Break or the
/// console closing). Paths go in the reverse order of arming, so a directory armed before the files
/// made in it goes after them. Returns a ticket for DisarmInterruptRemoval; 0 when nothing was
/// armed (no slot free or a path too long).
unsigned ArmInterruptRemoval(const std::string& path, InterruptRemoval kind);
/// Cancels an armed removal; 0 does nothing.
void DisarmInterruptRemoval(unsigned ticket);
/// Removes path now and cancels its armed removal, with no moment in which an interrupt finds it
/// disarmed but still there. False when it could not be removed.
bool RemoveArmed(const std::string& path, InterruptRemoval kind, unsigned ticket);

/// Holds the interrupt, termination and hang-up signals (on Windows the console's control events)
/// back while it lives, so that a file made and armed under it is never left unarmed; they act as
/// soon as it goes. It may be nested.
class InterruptsHeld {
public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    unsigned long long m_Previous[16] = {}; ///< the signal mask to restore (room for a sigset_t)
};

/// The path with a leading "~/" replaced by the user's home directory ($HOME, when it is set and
/// absolute). Other paths, and every path on Windows, come back unchanged.
std::string ExpandUserHome(const std::string& path);

} // namespace brindle::platform
