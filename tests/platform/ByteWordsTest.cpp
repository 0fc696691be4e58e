// Word marks: for every place of a byte in the word and values beside the one looked for, the
// first and last marks name the right bytes, and so do the bits of sixteen bytes; and leading bytes
// order texts as bytewise comparison.
#include "platform/ByteWords.h"

#include <gtest/gtest.h>

#include <string>

namespace brindle::words {
namespace {

TEST(ByteWordsTest, MarksNameTheBytesLookedFor)
{
    for (unsigned place = 0; place < 8; ++place) {
        SCOPED_TRACE(place);
        // Neighbours of the values looked for, and bytes with the top bit set.
        std::string bytes = "\x01\xFF\x80\x7F/.\x81\x2E";
        bytes[place] = '\0';
        EXPECT_EQ(FirstMarked(LowestZero(Load(bytes.data()))), place);
        bytes[place] = ':';
        EXPECT_EQ(LowestZero(Load(bytes.data())), 0u);
        // A zero below another: the lower one is found whatever is marked above it.
        std::string zeros = "abcdefgh";
        zeros[place] = '\0';
        zeros[7] = '\0';
        EXPECT_EQ(FirstMarked(LowestZero(Load(zeros.data()))), place);
        std::string slashes(8, 'x');
        slashes[place] = '/';
        const std::uint64_t marks = BytesEqual(Load(slashes.data()), '/');
        EXPECT_EQ(FirstMarked(marks), place);
        EXPECT_EQ(LastMarked(marks), place);
        char stored[8];
        Store(stored, Load(slashes.data()));
        EXPECT_EQ(std::string(stored, 8), slashes);
    }
    EXPECT_EQ(BytesEqual(Load("\x2F\xAF\x2E\x30\x00\x2F\x7F\xFF"), '/'), 0x0000800000000080ull);
}

TEST(ByteWordsTest, SixteenByteBitsNameEveryEqualByteBothWays)
{
    // Neighbours of the values looked for, and bytes with the top bit set.
    const std::string around("\x01\xFF\x80\x7F\x21\x1F\x81\x2E\x08\x0A\x19\x23\xFE\x00\x7E\x10", 16);
    for (const unsigned char byte : {0x00, 0x09, 0x20, 0x22, 0x7F, 0x80, 0xFF}) {
        for (unsigned place = 0; place < 16; ++place) {
            SCOPED_TRACE(testing::Message() << "byte " << unsigned{byte} << " at " << place);
            std::string bytes = around;
            for (char& c : bytes)
                if (static_cast<unsigned char>(c) == byte)
                    c = static_cast<char>(byte ^ 1);
            const unsigned other = (place + 9) % 16;
            bytes[place] = static_cast<char>(byte);
            bytes[other] = static_cast<char>(byte);
            const std::uint32_t expected = (1u << place) | (1u << other);
            EXPECT_EQ(EqualBits16(bytes.data(), byte), expected);
            EXPECT_EQ(EqualBits16ByWords(bytes.data(), byte), expected);
        }
    }
}

TEST(ByteWordsTest, OnlyAsciiCapitalsAreLowerCased)
{
    std::string wrong;
    for (int value = 0; value < 256; ++value) {
        for (unsigned place = 0; place < 8; place += 7) {
            std::string bytes = "Az[@\xC1`Z{";
            bytes[place] = static_cast<char>(value);
            char lowered[8];
            Store(lowered, ToLowerAscii(Load(bytes.data())));
            std::string expected = bytes;
            for (char& c : expected)
                c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
            if (std::string(lowered, 8) != expected)
                wrong += std::to_string(value) + "@" + std::to_string(place) + " ";
        }
    }
    EXPECT_EQ(wrong, "");
}

TEST(ByteWordsTest, LeadingBytesOrderTextsAsBytewiseComparison)
{
    // Shorter than a word, a word long, longer (only eight bytes count), bytes at either end of the range.
    const std::string texts[] = {"",
                                 std::string(1, '\0'),
                                 "a",
                                 "ab",
                                 "abcdefg",
                                 "abcdefgh",
                                 "abcdefgz",
                                 "abcdefh",
                                 "\x7f",
                                 "\x80",
                                 "\xff\xff\xff\xff\xff\xff\xff\xff\xff"};
    EXPECT_EQ(LeadingBytes(""), 0u);
    EXPECT_EQ(LeadingBytes("a"), std::uint64_t{'a'} << 56);
    EXPECT_EQ(LeadingBytes("abcdefgh"), LeadingBytes("abcdefghXYZ"));
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            const std::string_view first8a = std::string_view(a).substr(0, 8);
            const std::string_view first8b = std::string_view(b).substr(0, 8);
            // Equal numbers only for texts alike in their first eight bytes, or differing in zeros past their end.
            if (LeadingBytes(a) != LeadingBytes(b)) {
                EXPECT_EQ(LeadingBytes(a) < LeadingBytes(b), first8a < first8b) << a << " / " << b;
            }
        }
    }
}

} // namespace
} // namespace brindle::words
