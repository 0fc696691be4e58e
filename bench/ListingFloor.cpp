// The least work that listing a .zip archive can take: find the end record and read the central
// directory in one read, nothing more. Used by bench/run as the floor of the whole run's time.
//   brindle_bench_floor <archive>...
#include "platform/File.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace brindle::platform;

constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kMaxCommentSize = 0xFFFF;
constexpr std::uint32_t kZip64LocatorSize = 20;
constexpr std::uint32_t kZip64EndRecordSize = 56;

std::uint64_t Load(const unsigned char* bytes, int width)
{
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

bool ReadAt(OsFile file, std::uint64_t offset, std::vector<unsigned char>& buffer, std::uint64_t count)
{
    buffer.resize(count);
    std::uint32_t read = 0;
    return SeekOsFile(file, offset) && ReadOsFile(file, buffer.data(), static_cast<std::uint32_t>(count), read) &&
           read == count;
}

// Reads the archive's central directory into directory; its entry count in entries.
bool ReadCentralDirectory(const std::string& path, std::vector<unsigned char>& tail, std::vector<unsigned char>& directory,
                          std::uint64_t& entries)
{
    const OsFile file = OpenForReading(path, ShareMode::Read, AccessHint::Normal);
    if (file == InvalidOsFile)
        return false;
    std::uint64_t size = 0;
    bool ok = SizeOsFile(file, size) && size >= kEndRecordSize;
    const std::uint64_t tailSize = std::min<std::uint64_t>(size, kEndRecordSize + kMaxCommentSize + kZip64LocatorSize);
    ok = ok && ReadAt(file, size - tailSize, tail, tailSize);
    std::uint64_t end = tailSize;
    if (ok) {
        // The end record is the last "PK\5\6" with room for its fixed part.
        for (end = tailSize - kEndRecordSize + 1; end-- > 0;) {
            if (tail[end] == 'P' && tail[end + 1] == 'K' && tail[end + 2] == 5 && tail[end + 3] == 6)
                break;
        }
        ok = end < tailSize;
    }
    if (ok) {
        entries = Load(&tail[end + 10], 2);
        std::uint64_t directorySize = Load(&tail[end + 12], 4);
        std::uint64_t directoryOffset = Load(&tail[end + 16], 4);
        if ((entries == 0xFFFF || directoryOffset == 0xFFFFFFFF) && end >= kZip64LocatorSize &&
            Load(&tail[end - kZip64LocatorSize], 4) == 0x07064B50) {
            std::vector<unsigned char> record;
            ok = ReadAt(file, Load(&tail[end - kZip64LocatorSize + 8], 8), record, kZip64EndRecordSize);
            if (ok) {
                entries = Load(&record[32], 8);
                directorySize = Load(&record[40], 8);
                directoryOffset = Load(&record[48], 8);
            }
        }
        ok = ok && directoryOffset <= size && directorySize <= size - directoryOffset &&
             ReadAt(file, directoryOffset, directory, directorySize);
    }
    CloseOsFile(file);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<unsigned char> tail;
    std::vector<unsigned char> directory;
    std::uint64_t totalEntries = 0;
    std::uint64_t totalBytes = 0;
    for (int i = 1; i < argc; ++i) {
        std::uint64_t entries = 0;
        if (!ReadCentralDirectory(argv[i], tail, directory, entries)) {
            std::fprintf(stderr, "cannot read the central directory of %s\n", argv[i]);
            return 1;
        }
        totalEntries += entries;
        totalBytes += directory.size();
    }
    std::printf("%d archives, %llu entries, %llu central-directory bytes\n", argc - 1,
                static_cast<unsigned long long>(totalEntries), static_cast<unsigned long long>(totalBytes));
    return 0;
}
