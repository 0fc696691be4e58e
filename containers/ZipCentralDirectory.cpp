// One-read listing of a plain .zip archive's central directory.
#include "containers/ZipCentralDirectory.h"

#include "platform/File.h"

#include <algorithm>
#include <cstring>

namespace brindle {

namespace {

constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kRecordSize = 46;
// minizip looks for the end record among the file's last 0xFFFF bytes.
constexpr std::uint64_t kEndSearchSize = 0xFFFF + kEndRecordSize;
constexpr std::uint32_t kRecordSignature = 0x02014B50;
constexpr std::uint16_t kOverflowed16 = 0xFFFF;
constexpr std::uint32_t kOverflowed32 = 0xFFFFFFFF;
const unsigned char kEndSignature[4] = {'P', 'K', 5, 6};
const unsigned char kZip64LocatorSignature[4] = {'P', 'K', 6, 7};

std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool Contains(const std::vector<unsigned char>& bytes, const unsigned char (&signature)[4])
{
    return std::search(bytes.begin(), bytes.end(), signature, signature + 4) != bytes.end();
}

bool ReadAt(platform::OsFile file, std::uint64_t offset, std::uint64_t count, std::vector<unsigned char>& out)
{
    if (count > UINT32_MAX)
        return false;
    out.resize(static_cast<std::size_t>(count));
    std::uint32_t read = 0;
    return platform::SeekOsFile(file, offset) &&
           platform::ReadOsFile(file, out.data(), static_cast<std::uint32_t>(count), read) && read == count;
}

// True when the extra-field blocks of a record fill its extra field exactly; minizip walks them
// and would read past the record otherwise.
bool ExtraFieldFits(const unsigned char* extra, std::uint32_t size)
{
    std::uint32_t at = 0;
    while (at < size) {
        if (size - at < 4)
            return false;
        const std::uint32_t dataSize = U16(extra + at + 2);
        if (dataSize > size - at - 4)
            return false;
        at += 4 + dataSize;
    }
    return true;
}

class ScopedFile {
public:
    explicit ScopedFile(const std::string& path)
        : m_File(platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::Normal))
    {
    }
    ~ScopedFile()
    {
        if (m_File != platform::InvalidOsFile)
            platform::CloseOsFile(m_File);
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    platform::OsFile Get() const { return m_File; }

private:
    platform::OsFile m_File;
};

} // namespace

bool ZipCentralDirectory::Read(const std::string& path)
{
    m_Bytes.clear();
    m_Records.clear();
    m_DirectoryOffset = 0;

    const ScopedFile file(path);
    std::uint64_t size = 0;
    if (file.Get() == platform::InvalidOsFile || !platform::SizeOsFile(file.Get(), size) || size < kEndRecordSize)
        return false;
    const std::uint64_t tailStart = size - std::min(size, kEndSearchSize);
    std::vector<unsigned char> tail;
    if (!ReadAt(file.Get(), tailStart, size - tailStart, tail))
        return false;
    // minizip takes the last end signature; 64-bit records are left to it.
    const auto found = std::find_end(tail.begin(), tail.end(), kEndSignature, kEndSignature + 4);
    if (found == tail.end() || Contains(tail, kZip64LocatorSignature))
        return false;
    const auto at = static_cast<std::size_t>(found - tail.begin());
    if (tail.size() - at < kEndRecordSize)
        return false;
    const unsigned char* end = tail.data() + at;
    const std::uint16_t entries = U16(end + 10);
    const std::uint32_t directorySize = U32(end + 12);
    const std::uint32_t directoryOffset = U32(end + 16);
    if (U16(end + 4) != 0 || U16(end + 6) != 0 || U16(end + 8) != entries || entries == 0 ||
        entries == kOverflowed16 || directoryOffset == kOverflowed32 || directorySize == kOverflowed32)
        return false;
    // Bytes before the archive proper (a self-extractor's stub) shift every offset alike.
    const std::uint64_t endPosition = tailStart + at;
    if (directorySize > endPosition || directoryOffset > endPosition - directorySize)
        return false;
    const std::uint64_t directoryStart = endPosition - directorySize;
    if (directoryStart >= tailStart)
        m_Bytes.assign(tail.begin() + static_cast<std::ptrdiff_t>(directoryStart - tailStart),
                       tail.begin() + static_cast<std::ptrdiff_t>(at));
    else if (!ReadAt(file.Get(), directoryStart, directorySize, m_Bytes))
        return false;
    m_DirectoryOffset = directoryOffset;
    if (Parse(entries))
        return true;
    m_Bytes.clear();
    m_Records.clear();
    return false;
}

bool ZipCentralDirectory::Parse(std::uint64_t entryCount)
{
    m_Records.reserve(static_cast<std::size_t>(entryCount));
    const std::size_t size = m_Bytes.size();
    std::size_t offset = 0;
    for (std::uint64_t i = 0; i < entryCount; ++i) {
        if (size - offset < kRecordSize)
            return false;
        const unsigned char* record = m_Bytes.data() + offset;
        if (U32(record) != kRecordSignature)
            return false;
        // Sizes or offsets moved into a 64-bit extra field are left to minizip.
        if (U32(record + 20) == kOverflowed32 || U32(record + 24) == kOverflowed32 ||
            U32(record + 42) == kOverflowed32 || U16(record + 34) == kOverflowed16)
            return false;
        const std::uint32_t nameSize = U16(record + 28);
        const std::uint32_t extraSize = U16(record + 30);
        const std::uint32_t commentSize = U16(record + 32);
        const std::size_t recordSize = kRecordSize + nameSize + extraSize + commentSize;
        if (recordSize > size - offset || !ExtraFieldFits(record + kRecordSize + nameSize, extraSize))
            return false;
        const char* name = reinterpret_cast<const char*>(record + kRecordSize);
        const std::size_t reported = std::min<std::size_t>(nameSize, kReportedNameChars);
        const auto zero = static_cast<const char*>(std::memchr(name, '\0', reported));
        m_Records.push_back({m_DirectoryOffset + offset, std::string_view(name, zero ? static_cast<std::size_t>(zero - name) : reported)});
        offset += recordSize;
    }
    return true;
}

} // namespace brindle
