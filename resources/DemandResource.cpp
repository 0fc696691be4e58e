// The demand holder.
#include "resources/DemandResource.h"

#include "resources/ResourceManager.h"

namespace brindle {

DemandResource::DemandResource(ResourceManager& manager, const std::string& name, NWN::ResType type)
    : m_Manager(&manager), m_Name(name), m_Type(type)
{
    m_Path = manager.Demand(name, type);
}

DemandResource::~DemandResource()
{
    try {
        m_Manager->Release(m_Path);
    } catch (...) {
        // The manager was unloaded under us and already reported the resource as leaked; a
        // destructor that throws would end the program.
    }
}

} // namespace brindle
