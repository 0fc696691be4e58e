// Decoding of little-endian integers from raw file bytes, independent of the host's byte order.
#pragma once

#include <cstdint>

namespace brindle {

/// The 16-bit little-endian value stored at bytes[0..1].
inline constexpr std::uint16_t LoadU16LE(const unsigned char* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

/// The 32-bit little-endian value stored at bytes[0..3].
inline constexpr std::uint32_t LoadU32LE(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

/// The 64-bit little-endian value stored at bytes[0..7].
inline constexpr std::uint64_t LoadU64LE(const unsigned char* bytes)
{
    return static_cast<std::uint64_t>(LoadU32LE(bytes)) | (static_cast<std::uint64_t>(LoadU32LE(bytes + 4)) << 32);
}

} // namespace brindle
