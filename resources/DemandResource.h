// Holds one demanded resource for the lifetime of the holder: demands on construction, releases
// on destruction.
#pragma once

#include "resources/ResRef.h"

#include <string>

namespace brindle {

class ResourceManager;

class DemandResource {
public:
    /// Demands the resource; a failing demand propagates and nothing is held.
    DemandResource(ResourceManager& manager, const std::string& name, NWN::ResType type);
    /// Releases the resource; never throws.
    ~DemandResource();
    DemandResource(const DemandResource&) = delete;
    DemandResource& operator=(const DemandResource&) = delete;

    /// The path of the file that holds the resource's bytes.
    const std::string& GetPath() const { return m_Path; }
    const std::string& GetName() const { return m_Name; }
    NWN::ResType GetType() const { return m_Type; }

private:
    ResourceManager* m_Manager;
    std::string m_Path;
    std::string m_Name;
    NWN::ResType m_Type;
};

} // namespace brindle
