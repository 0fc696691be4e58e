#include "platform/SystemFailure.h"

namespace brindle::platform {

namespace {

// A call that failed without saying why (a write of nothing) still failed at the device.
std::error_code Given(std::error_code reason)
{
    return reason ? reason : std::make_error_code(std::errc::io_error);
}

} // namespace

bool IsMachineReason(std::error_code reason)
{
    for (const std::errc machine : {std::errc::no_space_on_device, std::errc::io_error, std::errc::file_too_large,
                                    std::errc::not_enough_memory})
        if (reason == machine)
            return true;
    return false;
}

SystemFailure::SystemFailure(const std::string& what, std::error_code reason)
    : std::runtime_error(what + ": " + Given(reason).message()), m_Reason(Given(reason))
{
}

} // namespace brindle::platform
