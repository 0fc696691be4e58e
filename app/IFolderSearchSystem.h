// What the search for the game's folders asks of the system besides its files: the user's folders,
// the environment and the registry. Tests answer with values of their own over trees they build.
#pragma once

#include "platform/UserFolders.h"

#include <string>

namespace brindle {

class IFolderSearchSystem {
public:
    virtual ~IFolderSearchSystem() = default;

    /// The user's home folder; empty when unknown.
    virtual std::string UserHome() const = 0;
    /// The user's Documents folder (Windows); empty when unknown.
    virtual std::string DocumentsFolder() const = 0;
    /// An environment variable; empty when not set.
    virtual std::string Variable(const char* name) const = 0;
    /// A text value of the registry's 32-bit view; false when there is none.
    virtual bool RegistryText(platform::RegistryRoot root, const std::string& key, const std::string& value,
                              std::string& text) const = 0;
};

} // namespace brindle
