// The table of resource type codes and their file extensions.
#pragma once

#include "resources/ResRef.h"

namespace brindle {

/// Resource type codes used by value.
inline constexpr NWN::ResType ResTypeIfo = 2014;
inline constexpr NWN::ResType ResType2da = 2017;
inline constexpr NWN::ResType ResTypeMdb = 4000;

/// The extension (without dot) of a type code, or "???" for a code outside the table.
const char* ResTypeToExt(NWN::ResType type);
/// The type code of an extension (without dot, any case), or ResTypeInvalid.
NWN::ResType ExtToResType(const char* extension);

} // namespace brindle
