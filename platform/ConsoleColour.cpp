// Console character attributes as terminal colour sequences.
#include "platform/Console.h"

namespace brindle::platform {

namespace {

constexpr std::uint16_t kPlainAttribute = 7;

// The console's colour bits are blue, green, red from the lowest; the terminal's colour numbers
// are red, green, blue from the lowest.
unsigned TerminalColour(unsigned bits)
{
    return ((bits & 4u) != 0 ? 1u : 0u) | ((bits & 2u) != 0 ? 2u : 0u) | ((bits & 1u) != 0 ? 4u : 0u);
}

std::size_t AppendNumber(char* out, std::size_t at, unsigned value)
{
    if (value >= 100)
        out[at++] = static_cast<char>('0' + value / 100);
    if (value >= 10)
        out[at++] = static_cast<char>('0' + value / 10 % 10);
    out[at++] = static_cast<char>('0' + value % 10);
    return at;
}

} // namespace

std::size_t FormatColourSequence(std::uint16_t attribute, char (&out)[kColourSequenceCapacity])
{
    if (attribute == kPlainAttribute)
        return 0;
    const unsigned foreground = attribute & 0x0Fu;
    const unsigned background = (attribute >> 4) & 0x0Fu;
    // "\x1b[" fg ";" bg "m": at most 2 + 2 + 1 + 3 + 1 characters.
    std::size_t n = 0;
    out[n++] = '\x1b';
    out[n++] = '[';
    n = AppendNumber(out, n, ((foreground & 8u) != 0 ? 90u : 30u) + TerminalColour(foreground));
    out[n++] = ';';
    n = AppendNumber(out, n, ((background & 8u) != 0 ? 100u : 40u) + TerminalColour(background));
    out[n++] = 'm';
    return n;
}

} // namespace brindle::platform
