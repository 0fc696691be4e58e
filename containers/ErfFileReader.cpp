// ERF container: header, key list and resource list checked at construction; data reads seek only
// when they do not continue where the previous read ended.
#include "containers/ErfFileReader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kErfOpenFailed = "Failed to open ERF file.";
constexpr const char* kErfResourceIdMismatch = "Key.ResourceID mismatch";
constexpr const char* kErfOffsetOverflow = "Entry.OffsetToResource overflow";
constexpr const char* kErfEntryExceedsFile = "ERF entry exceeds file size";

// Archives are read by plain reads: they may be far larger than any view worth mapping.
const ReaderOpenOptions kErfOpenOptions{platform::ShareMode::ReadDelete, platform::ShareMode::Read,
                                        platform::AccessHint::SequentialScan, false, kErfOpenFailed};

} // namespace

template <class ResRefT>
ErfFileReader<ResRefT>::ErfFileReader(const std::string& path)
{
    m_File = OpenReaderFile(path, kErfOpenOptions, m_Wrapper, m_FileSize);
    ReadDirectory();
}

template <class ResRefT>
ErfFileReader<ResRefT>::ErfFileReader(std::span<const unsigned char> bytes)
{
    BindReaderBytes(bytes, kErfOpenOptions, m_Wrapper, m_FileSize);
    ReadDirectory();
}

template <class ResRefT>
ErfFileReader<ResRefT>::~ErfFileReader() = default;

template <class ResRefT>
template <std::size_t RecordSize, class Consume>
void ErfFileReader<ResRefT>::ReadRecords(std::uint64_t listOffset, std::uint32_t count, const char* label,
                                         Consume consume)
{
    // Records are read in batches; the outcome is the same as reading them one by one, which is
    // what happens to a batch that the file cannot supply in full: every complete record is still
    // checked in order before the read of the first incomplete one fails.
    constexpr std::uint32_t kBatch = 1024;
    std::vector<unsigned char> batch(static_cast<std::size_t>(std::min(count, kBatch)) * RecordSize);
    unsigned char record[RecordSize];
    for (std::uint32_t first = 0; first < count;) {
        const std::uint32_t n = std::min(kBatch, count - first);
        const bool whole = m_Wrapper.TryRead(batch.data(), n * static_cast<std::uint32_t>(RecordSize));
        if (!whole)
            m_Wrapper.SeekOffset(listOffset + std::uint64_t{first} * RecordSize, label);
        for (std::uint32_t i = 0; i < n; ++i) {
            if (whole)
                std::memcpy(record, batch.data() + std::size_t{i} * RecordSize, RecordSize);
            else
                m_Wrapper.ReadFile(record, RecordSize, label);
            consume(record, first + i);
        }
        first += n;
    }
}

template <class ResRefT>
void ErfFileReader<ResRefT>::ReadDirectory()
{
    unsigned char rawHeader[sizeof(ERF_HEADER)];
    m_Wrapper.ReadFile(rawHeader, sizeof(rawHeader), "Header");
    const ERF_HEADER header = DecodeErfHeader(rawHeader);

    // A file holds at most one key per ERF_KEY's worth of bytes, whatever the header claims.
    const std::size_t reserve =
        std::min({header.EntryCount, kErfMaxReservedEntries, static_cast<std::uint32_t>(m_FileSize / sizeof(ERF_KEY))});
    m_Keys.reserve(reserve);
    m_Resources.reserve(reserve);

    m_Wrapper.SeekOffset(header.OffsetToKeyList, "OffsetToKeyList");
    ReadRecords<sizeof(ERF_KEY)>(header.OffsetToKeyList, header.EntryCount, "Key",
                                 [this](const unsigned char (&raw)[sizeof(ERF_KEY)], std::uint32_t i) {
                                     const ERF_KEY key = DecodeErfKey(raw);
                                     if (key.ResourceID != i)
                                         throw std::runtime_error(kErfResourceIdMismatch);
                                     m_Keys.push_back(key);
                                 });

    m_Wrapper.SeekOffset(header.OffsetToResourceList, "OffsetToResourceList");
    ReadRecords<sizeof(ERF_RESOURCE)>(
        header.OffsetToResourceList, header.EntryCount, "Entry",
        [this](const unsigned char (&raw)[sizeof(ERF_RESOURCE)], std::uint32_t) {
            const ERF_RESOURCE resource = DecodeErfResource(raw);
            const std::uint64_t end = std::uint64_t{resource.OffsetToResource} + resource.ResourceSize;
            if (end > 0xFFFFFFFFu)
                throw std::runtime_error(kErfOffsetOverflow);
            if (end > m_FileSize)
                throw std::runtime_error(kErfEntryExceedsFile);
            m_Resources.push_back(resource);
        });
    m_Position.reset();
}

template <class ResRefT>
FileHandle ErfFileReader<ResRefT>::OpenFile(const ResRefT& name, NWN::ResType type)
{
    for (const ERF_KEY& key : m_Keys) {
        if (key.ResType == type && std::memcmp(key.ResRef.RefStr, name.RefStr, sizeof(key.ResRef.RefStr)) == 0)
            return FileHandle{key.ResourceID} + 1;
    }
    return 0;
}

template <class ResRefT>
FileHandle ErfFileReader<ResRefT>::OpenFileByIndex(FileIndex index)
{
    if (index >= m_Resources.size())
        return 0;
    return FileHandle{m_Keys[index].ResourceID} + 1;
}

template <class ResRefT>
bool ErfFileReader<ResRefT>::CloseFile(FileHandle handle)
{
    return handle != 0;
}

template <class ResRefT>
bool ErfFileReader<ResRefT>::ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                                                  std::uint32_t& bytesRead, void* buffer)
{
    bytesRead = 0;
    if (!InRange(handle))
        return false;
    const ERF_RESOURCE& resource = m_Resources[handle - 1];
    if (offset >= resource.ResourceSize)
        return false;
    const std::uint32_t count = std::min(bytesToRead, resource.ResourceSize - offset);
    const std::uint64_t position = std::uint64_t{resource.OffsetToResource} + offset;
    const bool placed = (m_Position && *m_Position == position) || m_Wrapper.TrySeek(position);
    if (!placed || (count != 0 && !m_Wrapper.TryRead(buffer, count))) {
        m_Position.reset();
        return false;
    }
    m_Position = position + count;
    bytesRead = count;
    return true;
}

template <class ResRefT>
std::uint32_t ErfFileReader<ResRefT>::GetEncapsulatedFileSize(FileHandle handle)
{
    return InRange(handle) ? m_Resources[handle - 1].ResourceSize : 0;
}

template <class ResRefT>
NWN::ResType ErfFileReader<ResRefT>::GetEncapsulatedFileType(FileHandle handle)
{
    return InRange(handle) ? m_Keys[handle - 1].ResType : NWN::ResTypeInvalid;
}

template <class ResRefT>
bool ErfFileReader<ResRefT>::GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type)
{
    if (index >= m_Keys.size())
        return false;
    std::memcpy(name.RefStr, m_Keys[index].ResRef.RefStr, sizeof(name.RefStr));
    type = m_Keys[index].ResType;
    return true;
}

template <class ResRefT>
FileIndex ErfFileReader<ResRefT>::GetEncapsulatedFileCount()
{
    return m_Keys.size();
}

template class ErfFileReader<NWN::ResRef32>;

} // namespace brindle
