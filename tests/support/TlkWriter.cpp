// In-memory talk-table builder for tests, tools and benchmarks.
#include "tests/support/TlkWriter.h"

#include "tests/support/ByteBuilder.h"

namespace brindle::test {

std::string BuildTlk(std::uint32_t stringCount)
{
    constexpr std::uint32_t kTextPresent = 0x1;
    const std::uint32_t stringDataOffset = 20 + 40 * stringCount;
    ByteBuilder out;
    out.Text("TLK V3.0").U32(0).U32(stringCount).U32(stringDataOffset);
    std::string strings;
    for (std::uint32_t i = 0; i < stringCount; ++i) {
        const std::string text = "String " + std::to_string(i);
        out.U32(kTextPresent);                                  // flags
        out.Zeros(16);                                          // sound name
        out.U32(0).U32(0);                                      // volume and pitch variance
        out.U32(static_cast<std::uint32_t>(strings.size()));    // offset into the string data
        out.U32(static_cast<std::uint32_t>(text.size()));       // text length
        out.U32(0);                                             // sound length
        strings += text;
    }
    out.Bytes(strings);
    return out.Str();
}

} // namespace brindle::test
