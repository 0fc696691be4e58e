// The report's text check: eight bytes at a time, it agrees with the byte table for every byte at
// every place of texts of every length up to a few words.
#include "app/ReadableText.h"

#include <gtest/gtest.h>

#include <string>

namespace brindle {
namespace {

TEST(ReadableTextTest, WordCheckAgreesWithTheByteTable)
{
    for (std::size_t length = 1; length <= 20; ++length) {
        for (std::size_t place = 0; place < length; ++place) {
            for (unsigned byte = 0; byte < 256; ++byte) {
                std::string text(length, 'x');
                text[place] = static_cast<char>(byte);
                ASSERT_EQ(NeedsCheck(text), AnyMarked(text, kBytesToCheck))
                    << "byte " << byte << " at " << place << " of " << length;
            }
        }
    }
    EXPECT_FALSE(NeedsCheck(""));
}

} // namespace
} // namespace brindle
