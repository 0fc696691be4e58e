// Reading a .zip archive's central directory: its last 64 KiB, then the directory, each with one
// positioned read. The end records are found the way the unzip library finds them, so that both
// always agree on where the directory is; the container checks that agreement once more against
// the library's own answer.
#include "containers/ZipCentralDirectory.h"

#include "containers/ZipRecords.h"
#include "platform/File.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace brindle {

namespace {

// The library looks for the end records in the file's last 64 KiB less one byte.
constexpr std::uint64_t kSearchWindow = 0xFFFF;
// An entry count of this value may stand for more: the library then walks on until a record is
// not a directory header.
constexpr std::uint64_t kOverflowedEntryCount = 0xFFFF;
// Entries so marked are encrypted, or the directory itself is: never listed here.
constexpr std::uint16_t kEncryptionFlags = 0x0001 | 0x0040 | 0x2000;
} // namespace

class ZipCentralDirectory::Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t Size() const = 0;
    /// Copies count bytes at offset into destination; false when they cannot all be had. The
    /// caller has checked the range against Size().
    virtual bool Copy(std::uint64_t offset, unsigned char* destination, std::size_t count) const = 0;
};

namespace {

class FileSource : public ZipCentralDirectory::Source {
public:
    explicit FileSource(const std::string& path)
        : m_File(platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::RandomAccess))
    {
        if (m_File && !platform::SizeOsFile(m_File.Get(), m_Size))
            m_File.Reset();
    }
    bool IsOpen() const { return static_cast<bool>(m_File); }
    std::uint64_t Size() const override { return m_Size; }
    bool Copy(std::uint64_t offset, unsigned char* destination, std::size_t count) const override
    {
        std::size_t read = 0;
        // A file cut short since its size was taken reads short: that is no directory either.
        return !platform::ReadOsFileAt(m_File.Get(), offset, destination, count, read) && read == count;
    }

private:
    platform::OwnedFile m_File;
    std::uint64_t m_Size = 0;
};

class MemorySource : public ZipCentralDirectory::Source {
public:
    explicit MemorySource(std::span<const unsigned char> bytes) : m_Bytes(bytes) {}
    std::uint64_t Size() const override { return m_Bytes.size(); }
    bool Copy(std::uint64_t offset, unsigned char* destination, std::size_t count) const override
    {
        if (count != 0)
            std::memcpy(destination, m_Bytes.data() + offset, count);
        return true;
    }

private:
    std::span<const unsigned char> m_Bytes;
};

using Source = ZipCentralDirectory::Source;

// The file positions of the last end record signature and the last 64-bit locator signature in
// tail, which holds size bytes of the file from tailStart on. As for the library, a signature at
// the very start of the file counts as none.
struct Signatures {
    std::optional<std::uint64_t> end;
    std::optional<std::uint64_t> locator;
};

Signatures FindSignatures(const unsigned char* tail, std::size_t size, std::uint64_t tailStart)
{
    Signatures found;
    if (size < 4)
        return found;
    // Forward with a fast byte search: the signatures' first byte is rare in compressed data.
    const unsigned char* const stop = tail + size - 3;
    for (const unsigned char* p = tail;
         (p = static_cast<const unsigned char*>(std::memchr(p, 'P', static_cast<std::size_t>(stop - p)))) != nullptr;
         ++p) {
        const std::uint64_t at = tailStart + static_cast<std::uint64_t>(p - tail);
        const std::uint32_t word = LoadU32LE(p);
        if (at != 0 && word == kZipEndSignature)
            found.end = at;
        else if (at != 0 && word == kZip64LocatorSignature)
            found.locator = at;
    }
    return found;
}

// The directory's place and the entry count as the end records give them.
struct DirectoryPlace {
    std::uint64_t entryCount = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;        ///< as recorded
    std::uint64_t recordPosition = 0; ///< where the end record that gave them stands
    std::uint32_t commentSize = 0;
};

// Reads the record at `at` and decodes it; nullopt when it runs past the end or cannot be read.
template <class Record>
std::optional<Record> ReadRecord(const Source& file, std::uint64_t at,
                                 Record (*decode)(std::span<const unsigned char, sizeof(Record)>))
{
    if (at > file.Size() || sizeof(Record) > file.Size() - at)
        return std::nullopt;
    unsigned char raw[sizeof(Record)];
    if (!file.Copy(at, raw, sizeof(raw)))
        return std::nullopt;
    return decode(std::span<const unsigned char, sizeof(Record)>(raw));
}

std::optional<DirectoryPlace> ReadZip64Place(const Source& file, std::uint64_t locatorAt)
{
    const auto locator = ReadRecord(file, locatorAt, DecodeZip64EndLocator);
    // The library would quietly fall back on the end record here; such archives are left to it.
    // It also takes a 64-bit end record at the very start for none at all.
    if (!locator || locator->EndRecordDisk != 0 || locator->DiskCount != 1 || locator->EndRecordOffset == 0)
        return std::nullopt;
    const auto record = ReadRecord(file, locator->EndRecordOffset, DecodeZip64EndRecord);
    if (!record || record->Signature != kZip64EndSignature || record->DiskNumber != 0 || record->DirectoryDisk != 0 ||
        record->DiskEntryCount != record->EntryCount)
        return std::nullopt;
    return DirectoryPlace{record->EntryCount, record->DirectorySize, record->DirectoryOffset,
                          locator->EndRecordOffset, 0};
}

std::optional<DirectoryPlace> ReadEndPlace(const Source& file, std::uint64_t endAt)
{
    const auto record = ReadRecord(file, endAt, DecodeZipEndRecord);
    if (!record || record->DiskNumber != 0 || record->DirectoryDisk != 0 ||
        record->DiskEntryCount != record->EntryCount)
        return std::nullopt;
    return DirectoryPlace{record->EntryCount, record->DirectorySize, record->DirectoryOffset, endAt,
                          record->CommentSize};
}

} // namespace

ZipCentralDirectory::ZipCentralDirectory(const std::string& path) : ZipCentralDirectory(path, BeforeReading())
{
}

ZipCentralDirectory::ZipCentralDirectory(const std::string& path, const BeforeReading& beforeReading)
{
    const FileSource file(path);
    if (file.IsOpen())
        ReadFrom(file, beforeReading);
}

ZipCentralDirectory::ZipCentralDirectory(std::span<const unsigned char> archive)
{
    ReadFrom(MemorySource(archive), BeforeReading());
}

void ZipCentralDirectory::ReadFrom(const Source& source, const BeforeReading& beforeReading)
{
    m_Understood = Read(source, beforeReading) && CheckHeaders();
    if (!m_Understood) {
        m_Directory.reset();
        m_DirectorySize = 0;
    }
}

bool ZipCentralDirectory::Read(const Source& file, const BeforeReading& beforeReading)
{
    const std::uint64_t fileSize = file.Size();
    const auto window = static_cast<std::size_t>(std::min(fileSize, kSearchWindow));
    const auto tail = std::make_unique_for_overwrite<unsigned char[]>(window);
    if (!file.Copy(fileSize - window, tail.get(), window))
        return false;
    const Signatures found = FindSignatures(tail.get(), window, fileSize - window);
    // The library prefers the 64-bit records whenever a locator is found at all.
    std::optional<DirectoryPlace> place;
    if (found.locator)
        place = ReadZip64Place(file, *found.locator);
    else if (found.end)
        place = ReadEndPlace(file, *found.end);
    else if (window >= sizeof(ZIP_END_RECORD) && LoadU32LE(tail.get()) == kZipEndSignature && fileSize == window)
        // An end record at the very start is all an archive without entries holds; the library
        // does not look there, and the archive is read here only if it really is empty.
        place = ReadEndPlace(file, 0);
    if (!place)
        return false;

    // The directory ends where the end record that describes it begins; bytes before the archive
    // (a self-extractor's stub) shift it as a whole.
    if (place->offset > place->recordPosition || place->size > place->recordPosition - place->offset)
        return false;
    const std::uint64_t shift = place->recordPosition - place->offset - place->size;
    m_End = {place->entryCount, place->offset, place->commentSize};
    if (place->size == 0)
        return place->entryCount == 0 && (place->recordPosition != 0 || place->offset == 0);
    if (place->recordPosition == 0 || place->size > std::numeric_limits<std::uint32_t>::max())
        return false;
    m_DirectorySize = static_cast<std::size_t>(place->size);
    if (beforeReading)
        beforeReading(place->entryCount);
    m_Directory = std::make_unique_for_overwrite<unsigned char[]>(m_DirectorySize);
    const std::uint64_t start = place->offset + shift;
    // The directory's end usually lies in the tail already read.
    const std::uint64_t tailStart = fileSize - window;
    if (start >= tailStart) {
        std::memcpy(m_Directory.get(), tail.get() + (start - tailStart), m_DirectorySize);
        return true;
    }
    const std::size_t inTail = static_cast<std::size_t>(std::min<std::uint64_t>(start + m_DirectorySize, fileSize) -
                                                        std::min(start + m_DirectorySize, tailStart));
    const std::size_t before = m_DirectorySize - inTail;
    std::memcpy(m_Directory.get() + before, tail.get(), inTail);
    return file.Copy(start, m_Directory.get(), before);
}

bool ZipCentralDirectory::CheckHeaders() const
{
    const std::size_t size = m_DirectorySize;
    std::uint64_t count = 0;
    for (std::size_t at = 0; at != size; ++count) {
        if (sizeof(ZIP_CENTRAL_HEADER) > size - at)
            return false;
        const ZIP_CENTRAL_HEADER header =
            DecodeZipCentralHeader(std::span<const unsigned char, sizeof(ZIP_CENTRAL_HEADER)>(&m_Directory[at], sizeof(ZIP_CENTRAL_HEADER)));
        if (header.Signature != kZipCentralHeaderSignature || (header.Flags & kEncryptionFlags) != 0 ||
            header.DiskNumber != 0 || header.NameSize > kZipDirectoryNameLimit)
            return false;
        at += sizeof(ZIP_CENTRAL_HEADER);
        const std::size_t variable = std::size_t{header.NameSize} + header.ExtraSize + header.CommentSize;
        if (variable > size - at)
            return false;
        at += variable;
    }
    // With an overflowed count the library takes every header there is, but at least that many.
    if (m_End.entryCount == kOverflowedEntryCount)
        return count >= kOverflowedEntryCount;
    return count == m_End.entryCount;
}

bool ZipCentralDirectory::Next(Cursor& cursor, Entry& entry) const
{
    if (!m_Understood || cursor.offset >= m_DirectorySize)
        return false;
    const ZIP_CENTRAL_HEADER header = DecodeZipCentralHeader(
        std::span<const unsigned char, sizeof(ZIP_CENTRAL_HEADER)>(&m_Directory[cursor.offset], sizeof(ZIP_CENTRAL_HEADER)));
    const auto* name = reinterpret_cast<const char*>(&m_Directory[cursor.offset + sizeof(ZIP_CENTRAL_HEADER)]);
    entry.name = std::string_view(name, header.NameSize);
    entry.name = entry.name.substr(0, entry.name.find('\0'));
    entry.position = m_End.offset + cursor.offset;
    entry.number = cursor.number;
    cursor.offset += sizeof(ZIP_CENTRAL_HEADER) + header.NameSize + header.ExtraSize + header.CommentSize;
    ++cursor.number;
    return true;
}

} // namespace brindle
