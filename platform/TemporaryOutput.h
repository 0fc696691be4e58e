// A file written beside its target under a temporary name and renamed into place only once it is
// complete, or removed: the one way every output of the tool reaches its final name.
#pragma once

#include "platform/File.h"

#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace brindle::platform {

/// A temporary file whose removal is armed for an interrupt (ArmInterruptRemoval) from the moment
/// it exists until it is kept or discarded. It goes when this goes unless Keep put it in place.
/// Failures come back as the system's reason.
class TemporaryOutput {
public:
    /// How Keep treats a file already at the target.
    enum class Rename { Replace, NoReplace };

    TemporaryOutput() = default;
    ~TemporaryOutput() { Discard(); }
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    /// Discards the file held (if any) and creates a new one named prefix followed by the random
    /// part of CreateUniqueFile. The reason when it cannot be created, else an empty code.
    std::error_code Create(const std::string& prefix);

    /// Writes all of bytes at the end of what was written; the reason when a write failed.
    std::error_code Write(std::string_view bytes);

    /// Starts forcing what was written so far onto the medium on a thread of its own, which takes
    /// no interrupt, so the caller goes on (writing more, if it likes) while the disk works; one
    /// such flush per file, later calls do nothing. Where no thread can be had, Keep flushes all.
    void StartFlush() noexcept;

    /// Forces the file onto its medium (waiting for the flushes StartFlush started, and flushing
    /// what they did not cover), closes it and renames it to target (with NoReplace only when
    /// nothing is there yet). On any failure, of a flush started earlier too, the file is removed
    /// and the reason of the first step that failed comes back.
    std::error_code Keep(const std::string& target, Rename rename = Rename::Replace);

    /// Closes and removes the file; nothing happens when none is held.
    void Discard() noexcept;

    /// The temporary file's path; empty when none is held.
    const std::string& Path() const noexcept { return m_Path; }

private:
    /// Closes the file (if still open); false when the close failed.
    bool CloseFile() noexcept;
    /// Waits for the flush StartFlush started, if any.
    void JoinFlush() noexcept;

    OwnedFile m_File;
    std::thread m_Flusher;
    /// Written by m_Flusher, read once it is joined: whether its flush failed, and why.
    bool m_FlushFailed = false;
    std::error_code m_FlushReason;
    /// Whether bytes were written since the last flush started (or ever, with none started).
    bool m_WrittenSinceFlush = false;
    std::string m_Path;
    unsigned m_Ticket = 0;
};

} // namespace brindle::platform
