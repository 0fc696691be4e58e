// The temporary output file: created with its interrupt removal armed, renamed into place or
// removed, with no moment in which an interrupt would leave it behind.
#include "platform/TemporaryOutput.h"

#include "platform/Process.h"
#include "platform/SystemFailure.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace brindle::platform {

namespace {

/// The most handed to one write.
constexpr std::size_t kWriteChunkSize = std::size_t{1} << 20;

/// The reason of the call that just failed; one that gave none still failed at the device.
std::error_code FailureReason()
{
    const std::error_code reason = LastSystemError();
    return reason ? reason : std::make_error_code(std::errc::io_error);
}

} // namespace

std::error_code TemporaryOutput::Create(const std::string& prefix)
{
    Discard();
    // Held back from the moment the file exists until its removal is armed.
    const InterruptsHeld held;
    std::string path;
    m_File.Reset(CreateUniqueFile(prefix, path));
    if (!m_File)
        return FailureReason();
    m_Path = std::move(path);
    m_Ticket = ArmInterruptRemoval(m_Path, InterruptRemoval::File);
    m_FlushFailed = false;
    m_FlushReason.clear();
    m_WrittenSinceFlush = true;
    return {};
}

std::error_code TemporaryOutput::Write(std::string_view bytes)
{
    if (!m_File)
        return std::make_error_code(std::errc::bad_file_descriptor);
    m_WrittenSinceFlush = true;
    while (!bytes.empty()) {
        const std::size_t count = std::min(bytes.size(), kWriteChunkSize);
        std::uint32_t written = 0;
        if (!WriteOsFile(m_File.Get(), bytes.data(), static_cast<std::uint32_t>(count), written))
            return FailureReason();
        if (written == 0)
            return std::make_error_code(std::errc::io_error);
        bytes.remove_prefix(written);
    }
    return {};
}

void TemporaryOutput::StartFlush() noexcept
{
    if (!m_File || !m_WrittenSinceFlush || m_Flusher.joinable())
        return;
    try {
        // Made while the interrupts are held: on POSIX the thread starts with the interrupt signals
        // blocked and keeps them so, and an interrupt goes to a thread whose InterruptsHeld can
        // keep it from a file not yet armed; on Windows the console's own thread takes them.
        const InterruptsHeld held;
        m_Flusher = std::thread([this] {
            if (!FlushOsFile(m_File.Get())) {
                m_FlushReason = FailureReason();
                m_FlushFailed = true;
            }
        });
        m_WrittenSinceFlush = false;
    } catch (const std::system_error&) {
        // No thread: Keep flushes.
    }
}

void TemporaryOutput::JoinFlush() noexcept
{
    if (m_Flusher.joinable())
        m_Flusher.join();
}

std::error_code TemporaryOutput::Keep(const std::string& target, Rename rename)
{
    if (!m_File) {
        Discard();
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    JoinFlush();
    std::error_code reason = m_FlushFailed ? m_FlushReason : std::error_code();
    if (!reason && m_WrittenSinceFlush && !FlushOsFile(m_File.Get()))
        reason = FailureReason();
    if (!CloseFile() && !reason)
        reason = FailureReason();
    if (!reason) {
        // An interrupt finds the file either under its temporary name and armed, or in place and
        // disarmed.
        const InterruptsHeld held;
        const bool renamed =
            rename == Rename::Replace ? ReplaceFile(m_Path, target) : MoveFileNoReplace(m_Path, target);
        if (renamed) {
            DisarmInterruptRemoval(std::exchange(m_Ticket, 0));
            m_Path.clear();
            return {};
        }
        reason = FailureReason();
    }
    Discard();
    return reason;
}

void TemporaryOutput::Discard() noexcept
{
    // The flushing thread uses the file until it is done.
    JoinFlush();
    CloseFile();
    if (m_Path.empty())
        return;
    RemoveArmed(m_Path, InterruptRemoval::File, std::exchange(m_Ticket, 0));
    m_Path.clear();
}

bool TemporaryOutput::CloseFile() noexcept
{
    return !m_File || m_File.Close();
}

} // namespace brindle::platform
