// Eight bytes of text looked at as one 64-bit word, the text's first byte in the lowest bits on
// every machine, and the marks that tell which of those bytes have a given value.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace brindle::words {

inline constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

/// The eight bytes at text.
inline std::uint64_t Load(const char* text)
{
    std::uint64_t word;
    std::memcpy(&word, text, sizeof(word));
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

/// Writes word over the eight bytes at text, as Load reads them.
inline void Store(char* text, std::uint64_t word)
{
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    std::memcpy(text, &word, sizeof(word));
}

/// The top bit of the lowest zero byte of word; bytes above it may be marked wrongly, none below.
inline std::uint64_t LowestZero(std::uint64_t word)
{
    return (word - kEveryByte) & ~word & kHighBits;
}

/// The top bit of every byte of word that equals byte, and nothing else.
inline std::uint64_t BytesEqual(std::uint64_t word, unsigned char byte)
{
    constexpr std::uint64_t kLowBits = ~kHighBits;
    const std::uint64_t x = word ^ (kEveryByte * byte);
    return ~(((x & kLowBits) + kLowBits) | x | kLowBits);
}

/// The place in the word of the first (lowest) byte marked in marks, which is not 0.
inline unsigned FirstMarked(std::uint64_t marks)
{
    return static_cast<unsigned>(std::countr_zero(marks)) / 8;
}

/// The place in the word of the last (highest) byte marked in marks, which is not 0.
inline unsigned LastMarked(std::uint64_t marks)
{
    return static_cast<unsigned>(63 - std::countl_zero(marks)) / 8;
}

} // namespace brindle::words
