// Talk-table reader: header through the file wrapper, entry table copied out of a second mapped view
// (or the bytes in memory) under the page-in guard.
#include "formats/TlkFileReader.h"

#include "formats/LittleEndian.h"

#include <algorithm>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kTlkOpenFailed = "Failed to open TLK file.";
// The entry table reaches beyond the end of the file.
constexpr const char* kTlkTableExceedsFile = "TLK string table exceeds file size.";

const ReaderOpenOptions kTlkOpenOptions{platform::ShareMode::Read, std::nullopt, platform::AccessHint::RandomAccess,
                                        true, kTlkOpenFailed};

constexpr std::uint64_t kEntrySize = 40;
// A damaged count must not reserve a huge block before any entry is read.
constexpr std::size_t kMaxReservedEntries = 0x100000;

TLK_HEADER DecodeTlkHeader(const unsigned char (&bytes)[sizeof(TLK_HEADER)])
{
    TLK_HEADER header;
    std::copy(bytes, bytes + 4, header.FileType);
    std::copy(bytes + 4, bytes + 8, header.Version);
    header.LanguageID = LoadU32LE(bytes + 8);
    header.StringCount = LoadU32LE(bytes + 12);
    header.StringEntriesOffset = LoadU32LE(bytes + 16);
    return header;
}

std::uint64_t TableEnd(const TLK_HEADER& header)
{
    return sizeof(TLK_HEADER) + kEntrySize * header.StringCount;
}

} // namespace

template <class ResRefT>
TlkFileReader<ResRefT>::TlkFileReader(const std::string& path)
{
    m_File = OpenReaderFile(path, kTlkOpenOptions, m_Wrapper, m_FileSize);
    TLK_HEADER header;
    if (!ReadHeader(header))
        return;
    // The entries come out of a second view of the file, taken now.
    platform::OwnedView second;
    if (second.Map(m_File.Get()))
        CopyTable(header, second.Get());
}

template <class ResRefT>
TlkFileReader<ResRefT>::TlkFileReader(std::span<const unsigned char> bytes)
{
    BindReaderBytes(bytes, kTlkOpenOptions, m_Wrapper, m_FileSize);
    TLK_HEADER header;
    if (ReadHeader(header))
        CopyTable(header, platform::MappedView{bytes.data(), bytes.size()});
}

template <class ResRefT>
TlkFileReader<ResRefT>::~TlkFileReader() = default;

template <class ResRefT>
bool TlkFileReader<ResRefT>::ReadHeader(TLK_HEADER& header)
{
    unsigned char bytes[sizeof(TLK_HEADER)];
    m_Wrapper.ReadFile(bytes, sizeof(bytes), "Header");
    header = DecodeTlkHeader(bytes);

    // A table whose size does not fit in 32 bits is taken as no table at all.
    const std::uint64_t tableEnd = TableEnd(header);
    if (tableEnd > 0xFFFFFFFFu)
        return false;
    if (tableEnd > m_Wrapper.GetSize())
        throw std::runtime_error(kTlkTableExceedsFile);
    m_Entries.reserve(std::min<std::size_t>(header.StringCount, kMaxReservedEntries));
    return true;
}

template <class ResRefT>
void TlkFileReader<ResRefT>::CopyTable(const TLK_HEADER& header, const platform::MappedView& source)
{
    // The file may have shrunk since the size was taken; never copy beyond the view.
    if (TableEnd(header) > source.size)
        throw std::runtime_error(kTlkTableExceedsFile);
    m_StringDataOffset = header.StringEntriesOffset;

    std::size_t remaining = header.StringCount;
    std::uint64_t offset = sizeof(TLK_HEADER);
    while (remaining != 0) {
        const std::size_t chunk = std::min(remaining, kMaxReservedEntries);
        const std::size_t first = m_Entries.size();
        m_Entries.resize(first + chunk);
        // Bytes in memory are copied under the guard as well; there it never fires.
        if (!platform::GuardedCopy(m_Entries.data() + first, source, offset, chunk * sizeof(Entry)))
            throw std::runtime_error(kInPageError);
        offset += chunk * sizeof(Entry);
        remaining -= chunk;
    }
}

template class TlkFileReader<NWN::ResRef16>;

} // namespace brindle
