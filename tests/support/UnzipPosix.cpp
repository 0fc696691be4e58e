// The system's unzip command, run through a shell.
#include "tests/support/Unzip.h"

#include <cstdio>
#include <sys/wait.h>

namespace brindle::test {

namespace {

std::optional<std::string> Run(const std::string& command)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}

} // namespace

std::optional<std::string> UnzipMember(const std::string& archive, const std::string& member)
{
    return Run("unzip -p '" + archive + "' '" + member + "' 2>/dev/null");
}

std::vector<std::string> UnzipListing(const std::string& archive)
{
    const std::optional<std::string> text = Run("unzip -Z1 '" + archive + "' 2>/dev/null");
    return text ? SplitListing(*text) : std::vector<std::string>{};
}

} // namespace brindle::test
