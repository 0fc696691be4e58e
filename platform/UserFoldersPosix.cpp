// The user's folders on POSIX systems: $HOME, the environment, and no registry.
#include "platform/UserFolders.h"

#include <cstdlib>

namespace brindle::platform {

std::string UserHomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    std::string folder = home;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string UserDocumentsFolder()
{
    return {};
}

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool ReadRegistryText(RegistryRoot, const std::string&, const std::string&, std::string&)
{
    return false;
}

} // namespace brindle::platform
