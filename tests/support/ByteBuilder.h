// Builds binary test inputs field by field, little-endian.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brindle::test {

class ByteBuilder {
public:
    ByteBuilder& U8(std::uint8_t v);
    ByteBuilder& U16(std::uint16_t v);
    ByteBuilder& U32(std::uint32_t v);
    ByteBuilder& U64(std::uint64_t v);
    /// The bytes of text, no terminator.
    ByteBuilder& Text(std::string_view text);
    /// text zero-filled (or cut) to exactly width bytes.
    ByteBuilder& Fixed(std::string_view text, std::size_t width);
    ByteBuilder& Zeros(std::size_t count);
    ByteBuilder& Bytes(std::string_view bytes) { return Text(bytes); }
    /// Overwrites a 32-bit value at an absolute position.
    ByteBuilder& PatchU32(std::size_t position, std::uint32_t v);

    std::size_t Size() const { return m_Bytes.size(); }
    const std::string& Str() const { return m_Bytes; }

private:
    std::string m_Bytes;
};

/// The bytes of a built input as the readers over bytes take them (borrowed from bytes).
inline std::span<const unsigned char> AsBytes(std::string_view bytes)
{
    return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

} // namespace brindle::test
