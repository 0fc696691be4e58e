// Loads a module in two passes: the module alone first, to read the HAK archives and the custom
// talk table its information file names, then the whole stack with them.
#pragma once

#include "formats/GffFileReader.h"
#include "resources/ResRef.h"

#include <cstdint>
#include <string>

namespace brindle {

class ResourceManager;

/// A module lists at most this many HAKs; the rest are ignored.
inline constexpr std::uint32_t kMaxModuleHaks = 256;

/// Loads the module, reads its HAK list, custom talk table and campaign from "module.ifo", and
/// loads the full stack. Errors propagate.
void LoadModuleAndHaks(const std::string& module, const std::string& home, ResourceManager& manager,
                       const std::string& install);

/// Element `index` of the "Mod_HakList" list of `parent`; false when the list is missing, not a
/// list, shorter, or the element cannot be read.
bool GetModHakListElement(std::uint32_t index, const GffStruct& parent, GffStruct& element);
/// The "Mod_Hak" string of a structure as a resource name; false when it cannot be read.
bool ReadModHak(const GffStruct& structure, NWN::ResRef32& name);

} // namespace brindle
