// The search system of a real run: the platform's answers for the current user.
#pragma once

#include "app/IFolderSearchSystem.h"

namespace brindle {

class SystemFolderSearch final : public IFolderSearchSystem {
public:
    std::string UserHome() const override;
    std::string DocumentsFolder() const override;
    std::string Variable(const char* name) const override;
    bool RegistryText(platform::RegistryRoot root, const std::string& key, const std::string& value,
                      std::string& text) const override;
};

} // namespace brindle
