// A run's private working folder in the temporary directory, beside the liveness marker that tells
// other runs it is in use, and the sweep of the folders that runs which died left behind.
#pragma once

#include "app/IDebugTextOut.h"
#include "platform/Process.h"

#include <string>
#include <system_error>

namespace brindle {

/// The prefix of every instance name and instance directory.
inline constexpr const char* kInstanceNamePrefix = "NWN2Hovlar_";

class InstanceFolder {
public:
    /// Takes the first instance name whose marker it can hold, sweeps defunct instances (each one
    /// reported to textOut, which may be null and must outlive the sweep) and makes the folder.
    explicit InstanceFolder(IDebugTextOut* textOut);
    /// Removes the folder, then gives up the marker.
    ~InstanceFolder();
    InstanceFolder(const InstanceFolder&) = delete;
    InstanceFolder& operator=(const InstanceFolder&) = delete;

    /// The folder's path, ending in a separator (named even when it could not be made).
    const std::string& Path() const { return m_Path; }
    bool Usable() const { return !m_Error; }
    /// Why the folder cannot be used (empty when it can).
    std::error_code Error() const { return m_Error; }

private:
    /// Holds the marker of the first name it can take and returns that name; the first name when
    /// none could be taken.
    std::string TakeName(const std::string& temporaryDirectory);
    void SweepDefunct(const std::string& temporaryDirectory);
    /// Markers whose run was killed before its folder came.
    static void RemoveStaleMarkers(const std::string& temporaryDirectory);
    void Create();

    IDebugTextOut* m_TextOut;
    std::string m_Path;
    std::error_code m_Error;
    platform::HeldMarker m_Marker;
    unsigned m_MarkerTicket = 0;    ///< removal of the marker armed for an interrupt
    unsigned m_DirectoryTicket = 0; ///< and of the folder
};

} // namespace brindle
