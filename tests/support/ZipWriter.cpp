// .zip archive writer over minizip's zip interface.
#include "tests/support/ZipWriter.h"

#include "tests/support/ByteBuilder.h"
#include "tests/support/ScopedTempDir.h"

#include <minizip/zip.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace brindle::test {

namespace {

// MS-DOS directory attribute in the external attributes of a folder entry.
constexpr uLong kDirectoryAttribute = 0x10;

[[noreturn]] void Fail(const std::string& what, const std::string& zipPath)
{
    throw std::runtime_error("WriteZip: " + what + " failed for '" + zipPath + "'");
}

std::uint32_t LoadU32(const std::string& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

// The zip library writes 0xFFFF as the entry count of a large archive but no 64-bit end records,
// which leaves readers unable to tell where the entry list ends. Insert them before the end record.
void AddZip64EndRecords(const std::string& zipPath, std::uint64_t entryCount)
{
    constexpr std::size_t kEndRecordSize = 22;
    std::string bytes = ReadFile(zipPath);
    if (bytes.size() < kEndRecordSize || bytes.compare(bytes.size() - kEndRecordSize, 4, "PK\x05\x06") != 0)
        Fail("finding the end record", zipPath);
    const std::size_t end = bytes.size() - kEndRecordSize;
    const std::uint32_t directorySize = LoadU32(bytes, end + 12);
    const std::uint32_t directoryOffset = LoadU32(bytes, end + 16);
    ByteBuilder tail;
    tail.U32(0x06064b50).U64(44);        // zip64 end record, size of what follows
    tail.U16(45).U16(45).U32(0).U32(0);  // versions, this disk, disk of the directory
    tail.U64(entryCount).U64(entryCount).U64(directorySize).U64(directoryOffset);
    tail.U32(0x07064b50).U32(0).U64(end).U32(1); // locator: disk, offset of the zip64 end record, disks
    tail.U32(0x06054b50).U16(0).U16(0).U16(0xFFFF).U16(0xFFFF).U32(directorySize).U32(directoryOffset).U16(0);
    bytes.replace(end, kEndRecordSize, tail.Str());
    WriteFile(zipPath, bytes);
}

} // namespace

void WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries, ZipEndRecords endRecords)
{
    if (const std::size_t slash = zipPath.find_last_of('/'); slash != std::string::npos && slash > 0)
        MakeDirectories(zipPath.substr(0, slash));
    zipFile zip = zipOpen64(zipPath.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr)
        Fail("zipOpen64", zipPath);
    try {
        for (const ZipEntry& entry : entries) {
            const bool folder = !entry.path.empty() && entry.path.back() == '/';
            zip_fileinfo info{};
            info.tmz_date = {0, 0, 12, 1, 0, 2024};
            info.external_fa = folder ? kDirectoryAttribute : 0;
            // Nothing to compress in folders and empty files: storing them spares a compressor per entry.
            const int method = entry.data.empty() ? 0 : Z_DEFLATED;
            if (zipOpenNewFileInZip64(zip, entry.path.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                      Z_DEFAULT_COMPRESSION, 0) != ZIP_OK)
                Fail("adding '" + entry.path + "'", zipPath);
            if (!entry.data.empty() &&
                zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) != ZIP_OK)
                Fail("writing '" + entry.path + "'", zipPath);
            if (zipCloseFileInZip(zip) != ZIP_OK)
                Fail("closing '" + entry.path + "'", zipPath);
        }
    } catch (...) {
        zipClose(zip, nullptr);
        throw;
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        Fail("zipClose", zipPath);
    if (endRecords == ZipEndRecords::Always64 || (endRecords == ZipEndRecords::AsNeeded && entries.size() >= 0xFFFF))
        AddZip64EndRecords(zipPath, entries.size());
}

} // namespace brindle::test
