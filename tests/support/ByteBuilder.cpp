// Little-endian byte building for hand-made test files.
#include "tests/support/ByteBuilder.h"

namespace brindle::test {

ByteBuilder& ByteBuilder::U8(std::uint8_t v)
{
    m_Bytes.push_back(static_cast<char>(v));
    return *this;
}

ByteBuilder& ByteBuilder::U16(std::uint16_t v)
{
    return U8(static_cast<std::uint8_t>(v)).U8(static_cast<std::uint8_t>(v >> 8));
}

ByteBuilder& ByteBuilder::U32(std::uint32_t v)
{
    return U16(static_cast<std::uint16_t>(v)).U16(static_cast<std::uint16_t>(v >> 16));
}

ByteBuilder& ByteBuilder::U64(std::uint64_t v)
{
    return U32(static_cast<std::uint32_t>(v)).U32(static_cast<std::uint32_t>(v >> 32));
}

ByteBuilder& ByteBuilder::Text(std::string_view text)
{
    m_Bytes.append(text);
    return *this;
}

ByteBuilder& ByteBuilder::Fixed(std::string_view text, std::size_t width)
{
    const std::size_t n = text.size() < width ? text.size() : width;
    m_Bytes.append(text.substr(0, n));
    m_Bytes.append(width - n, '\0');
    return *this;
}

ByteBuilder& ByteBuilder::Zeros(std::size_t count)
{
    m_Bytes.append(count, '\0');
    return *this;
}

ByteBuilder& ByteBuilder::PatchU32(std::size_t position, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_Bytes.at(position + static_cast<std::size_t>(i)) = static_cast<char>((v >> (8 * i)) & 0xFF);
    return *this;
}

} // namespace brindle::test
