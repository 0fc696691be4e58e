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
    return {};
}

std::error_code TemporaryOutput::Write(std::string_view bytes)
{
    if (!m_File)
        return std::make_error_code(std::errc::bad_file_descriptor);
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

void TemporaryOutput::StartWritingOut() noexcept
{
    if (m_File)
        platform::StartWritingOut(m_File.Get());
}

std::error_code TemporaryOutput::Keep(const std::string& target, Rename rename)
{
    if (!m_File) {
        Discard();
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    std::error_code reason;
    if (!FlushOsFile(m_File.Get()))
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
