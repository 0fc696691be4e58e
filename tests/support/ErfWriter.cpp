// ERF archive builder.
#include "tests/support/ErfWriter.h"

#include "tests/support/ByteBuilder.h"

#include <cstdint>

namespace brindle::test {

std::string BuildErf(const std::vector<ErfEntry>& entries, std::string_view fileType)
{
    constexpr std::uint32_t kHeaderSize = 160;
    constexpr std::uint32_t kKeySize = 40;
    constexpr std::uint32_t kResourceSize = 8;
    const auto count = static_cast<std::uint32_t>(entries.size());
    const std::uint32_t keyList = kHeaderSize;
    const std::uint32_t resourceList = keyList + count * kKeySize;
    const std::uint32_t dataStart = resourceList + count * kResourceSize;

    ByteBuilder b;
    b.Fixed(fileType, 4).Text("V1.1");
    b.U32(0).U32(0);                // language count, localized string size
    b.U32(count);                   // EntryCount
    b.U32(kHeaderSize);             // offset to localized strings (none)
    b.U32(keyList).U32(resourceList);
    b.U32(126).U32(1);              // build year and day
    b.U32(0xFFFFFFFF);              // description string reference
    b.Zeros(116);                   // reserved

    for (std::uint32_t i = 0; i < count; ++i)
        b.Fixed(entries[i].name, 32).U32(i).U16(entries[i].type).U16(0);

    std::uint32_t offset = dataStart;
    for (const ErfEntry& entry : entries) {
        const auto size = static_cast<std::uint32_t>(entry.data.size());
        b.U32(offset).U32(size);
        offset += size;
    }
    for (const ErfEntry& entry : entries)
        b.Bytes(entry.data);
    return b.Str();
}

} // namespace brindle::test
