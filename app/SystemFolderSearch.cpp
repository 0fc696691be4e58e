// The platform's answers to the folder search.
#include "app/SystemFolderSearch.h"

namespace brindle {

std::string SystemFolderSearch::UserHome() const
{
    return platform::UserHomeFolder();
}

std::string SystemFolderSearch::DocumentsFolder() const
{
    return platform::UserDocumentsFolder();
}

std::string SystemFolderSearch::Variable(const char* name) const
{
    return platform::EnvironmentText(name);
}

bool SystemFolderSearch::RegistryText(platform::RegistryRoot root, const std::string& key, const std::string& value,
                                      std::string& text) const
{
    return platform::ReadRegistryText(root, key, value, text);
}

} // namespace brindle
