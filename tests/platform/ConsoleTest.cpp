// Console attributes as terminal colours.
#include "platform/Console.h"

#include <gtest/gtest.h>

#include <string>

namespace brindle::platform {
namespace {

TEST(ConsoleTest, AttributesBecomeTerminalColours)
{
    const std::pair<std::uint16_t, std::string> cases[] = {
        {7, ""},                       // plain: no sequence at all
        {0x0F, "\x1b[97;40m"},         // bright white on black
        {0x0C, "\x1b[91;40m"},         // bright red (console red is bit 2, terminal red is 1)
        {0x01, "\x1b[34;40m"},         // blue
        {0x06, "\x1b[33;40m"},         // red + green = yellow
        {0x1E, "\x1b[93;44m"},         // bright yellow on blue
        {0xF0, "\x1b[30;107m"},        // black on bright white
        {0x00, "\x1b[30;40m"},         // black on black is still a colour change
    };
    for (const auto& [attribute, expected] : cases) {
        char sequence[kColourSequenceCapacity];
        const std::size_t length = FormatColourSequence(attribute, sequence);
        EXPECT_EQ(std::string(sequence, length), expected) << "attribute " << attribute;
    }
}

} // namespace
} // namespace brindle::platform
