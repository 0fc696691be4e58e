// A failure of the machine rather than of the data: no space left, an I/O error, a file too large,
// no memory, a temporary folder that cannot be made. Unlike a bad table or archive, which is
// reported and skipped, it ends the run, since what the run would write is then incomplete.
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace brindle::platform {

class SystemFailure : public std::runtime_error {
public:
    /// what names what failed; the text becomes what, ": " and the system's reason (an I/O error
    /// when the reason is empty).
    SystemFailure(const std::string& what, std::error_code reason);

    const std::error_code& Reason() const noexcept { return m_Reason; }

private:
    std::error_code m_Reason;
};

/// The reason the last failed system call of this thread gave (errno; GetLastError on Windows).
/// Read it straight after the failing call, before anything else can change it.
std::error_code LastSystemError();

/// True for the reasons that lie with the machine rather than with what the user asked for: no
/// space, an I/O error, a file too large, no memory.
bool IsMachineReason(std::error_code reason);

/// The reason for a failed allocation.
inline std::error_code OutOfMemory()
{
    return std::make_error_code(std::errc::not_enough_memory);
}

} // namespace brindle::platform
