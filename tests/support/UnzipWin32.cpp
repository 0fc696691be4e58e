// The host system's unzip command, reached through Wine; unavailable on Windows itself.
#include "tests/support/Unzip.h"
#include "tests/support/WineHost.h"

namespace brindle::test {

std::optional<std::string> UnzipMember(const std::string& archive, const std::string& member)
{
    const std::string host = HostPath(archive);
    if (host.empty())
        return std::nullopt;
    return RunHostProgram("/usr/bin/unzip", {"-p", host, member});
}

std::vector<std::string> UnzipListing(const std::string& archive)
{
    const std::string host = HostPath(archive);
    const std::optional<std::string> out = host.empty() ? std::nullopt : RunHostProgram("/usr/bin/unzip", {"-Z1", host});
    return out ? SplitListing(*out) : std::vector<std::string>{};
}

} // namespace brindle::test
