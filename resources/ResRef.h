// The game's resource name types and the 16-bit resource type code.
#pragma once

#include <cstdint>

namespace NWN {

/// A resource name in 32 bytes: lower case, zero-filled, no terminator when all 32 are used.
struct ResRef32 {
    char RefStr[32];
};
static_assert(sizeof(ResRef32) == 32);

/// The 16-byte counterpart of ResRef32.
struct ResRef16 {
    char RefStr[16];
};
static_assert(sizeof(ResRef16) == 16);

/// A resource type code.
using ResType = std::uint16_t;
/// No known type applies.
inline constexpr ResType ResTypeInvalid = 0xFFFF;

inline bool operator==(const ResRef32& a, const ResRef32& b)
{
    for (int i = 0; i < 32; ++i)
        if (a.RefStr[i] != b.RefStr[i])
            return false;
    return true;
}

} // namespace NWN
