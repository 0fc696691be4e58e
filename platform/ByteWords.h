// Eight bytes of text looked at as one 64-bit word, the text's first byte in the lowest bits on
// every machine, and the marks that tell which of those bytes have a given value; and eight bytes
// read as a number that orders texts.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

/// Bit i set for each byte i of the sixteen bytes at text that equals byte, eight bytes at a time on
/// any machine.
inline std::uint32_t EqualBits16ByWords(const char* text, unsigned char byte)
{
    // The product gathers the top bit of byte i into bit 56 + i, and no two products overlap.
    const auto bits = [byte](const char* eight) {
        return static_cast<std::uint32_t>(((BytesEqual(Load(eight), byte) >> 7) * 0x0102040810204080ull) >> 56);
    };
    return bits(text) | bits(text + 8) << 8;
}

/// EqualBits16ByWords, with sixteen-byte vector instructions where the machine has them.
inline std::uint32_t EqualBits16(const char* text, unsigned char byte)
{
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i equal = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(byte)));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(equal));
#else
    return EqualBits16ByWords(text, byte);
#endif
}

/// word with the letters A to Z in lower case, every other byte as it was.
inline std::uint64_t ToLowerAscii(std::uint64_t word)
{
    // A byte below 0x80 gets its top bit from adding 0x80 - 'A' when it is 'A' or more, and from
    // adding 0x80 - 'Z' - 1 when it is past 'Z'; no sum carries into the next byte.
    const std::uint64_t low = word & ~kHighBits;
    const std::uint64_t fromA = low + kEveryByte * (0x80 - 'A');
    const std::uint64_t pastZ = low + kEveryByte * (0x80 - 'Z' - 1);
    return word | (fromA & ~pastZ & ~word & kHighBits) >> 2;
}

/// The first eight bytes of text as one number, the first byte in the highest bits and missing
/// bytes as zeros: when the numbers of two texts differ, they order the texts as a bytewise
/// comparison does.
inline std::uint64_t LeadingBytes(std::string_view text)
{
    unsigned char bytes[8] = {};
    if (!text.empty())
        std::memcpy(bytes, text.data(), text.size() < sizeof(bytes) ? text.size() : sizeof(bytes));
    std::uint64_t leading = 0;
    for (const unsigned char byte : bytes)
        leading = (leading << 8) | byte;
    return leading;
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
