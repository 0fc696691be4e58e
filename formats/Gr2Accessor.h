// Holds the model-library binding for the resource manager, with a copy of its instance directory.
#pragma once

#include "formats/Granny2Reader.h"

#include <memory>
#include <string>

namespace brindle {

class Gr2Accessor {
public:
    /// Loads the library through a new Granny2Reader (its errors propagate) and copies the directory.
    Gr2Accessor(const std::string& libraryPath, const std::string& instanceDirectory,
                granny2::LibraryLoader load = &platform::LoadGameLibrary);
    virtual ~Gr2Accessor();

    const std::shared_ptr<granny2::Granny2Reader>& GetReader() const { return m_Reader; }
    const std::string& GetInstanceDirectory() const { return m_InstanceDirectory; }

private:
    std::shared_ptr<granny2::Granny2Reader> m_Reader;
    std::string m_InstanceDirectory;
};

} // namespace brindle
