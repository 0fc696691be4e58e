// The model-library binding shared through a reference-counted holder.
#include "formats/Gr2Accessor.h"

namespace brindle {

Gr2Accessor::Gr2Accessor(const std::string& libraryPath, const std::string& instanceDirectory,
                         granny2::LibraryLoader load)
    : m_Reader(std::make_shared<granny2::Granny2Reader>(libraryPath, load)), m_InstanceDirectory(instanceDirectory)
{
}

Gr2Accessor::~Gr2Accessor() = default;

} // namespace brindle
