// The signature check of Windows (PE) images, shared by both loaders.
#include "platform/DynamicLibrary.h"

#include "platform/File.h"

#include <cstdint>

namespace brindle::platform {

namespace {

constexpr std::uint32_t kDosHeaderSize = 64;
constexpr std::uint32_t kNewHeaderOffsetField = 0x3C; ///< e_lfanew, little-endian 32 bits

bool ReadExactly(OsFile file, void* buffer, std::uint32_t count)
{
    std::uint32_t read = 0;
    return ReadOsFile(file, buffer, count, read) && read == count;
}

} // namespace

bool HasPortableExecutableSignature(const std::string& path)
{
    const OsFile file = OpenForReading(path, ShareMode::Read, AccessHint::Normal);
    if (file == InvalidOsFile)
        return false;
    unsigned char header[kDosHeaderSize];
    unsigned char signature[4] = {};
    bool valid = ReadExactly(file, header, sizeof(header)) && header[0] == 'M' && header[1] == 'Z';
    if (valid) {
        const std::uint32_t newHeader = static_cast<std::uint32_t>(header[kNewHeaderOffsetField]) |
                                        static_cast<std::uint32_t>(header[kNewHeaderOffsetField + 1]) << 8 |
                                        static_cast<std::uint32_t>(header[kNewHeaderOffsetField + 2]) << 16 |
                                        static_cast<std::uint32_t>(header[kNewHeaderOffsetField + 3]) << 24;
        valid = SeekOsFile(file, newHeader) && ReadExactly(file, signature, sizeof(signature)) &&
                signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
    }
    CloseOsFile(file);
    return valid;
}

} // namespace brindle::platform
