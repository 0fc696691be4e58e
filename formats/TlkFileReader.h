// Reader of talk tables (TLK): the header and the whole string entry table, copied into memory at
// construction.
#pragma once

#include "formats/FileWrapper.h"
#include "platform/Memory.h"
#include "resources/ResRef.h"

#include <cstdint>
#include <span>
#include <string>

namespace brindle {

/// The 20-byte header of a talk table.
struct TLK_HEADER {
    char FileType[4];                  ///< not examined
    char Version[4];                   ///< not examined
    std::uint32_t LanguageID;          ///< not used
    std::uint32_t StringCount;         ///< entries in the table that follows the header
    std::uint32_t StringEntriesOffset; ///< file offset of the string data
};
static_assert(sizeof(TLK_HEADER) == 20);

/// One 40-byte string entry, kept exactly as stored (little-endian fields).
template <class ResRefT>
struct TLK_STRING_ENTRY {
    std::uint32_t Flags;
    ResRefT SoundResRef;
    std::uint32_t VolumeVariance;
    std::uint32_t PitchVariance;
    std::uint32_t OffsetToString;
    std::uint32_t StringSize;
    std::uint32_t SoundLength;
};
static_assert(sizeof(TLK_STRING_ENTRY<NWN::ResRef16>) == 40);

template <class ResRefT>
class TlkFileReader {
public:
    using Entry = TLK_STRING_ENTRY<ResRefT>;
    static_assert(sizeof(Entry) == 40, "talk table entries are 40 bytes");

    /// Opens the file and copies its entry table; throws PlainException (open, size) or
    /// std::runtime_error (header, table past the end, page-in failure).
    explicit TlkFileReader(const std::string& path);
    /// Reads the talk table held in bytes as the path constructor reads a file of those bytes, with
    /// the same failures (less those of opening). The bytes are read only here: the entries are
    /// copied out, and the bytes need not outlive the constructor.
    explicit TlkFileReader(std::span<const unsigned char> bytes);
    virtual ~TlkFileReader();
    TlkFileReader(const TlkFileReader&) = delete;
    TlkFileReader& operator=(const TlkFileReader&) = delete;

    /// Number of entries read (0 when the table's size does not fit in 32 bits or the file could not
    /// be mapped a second time).
    std::size_t GetStringCount() const { return m_Entries.size(); }
    /// The header's StringEntriesOffset (0 when no table was read).
    std::uint64_t GetStringDataOffset() const { return m_StringDataOffset; }
    std::span<const Entry> GetEntries() const { return m_Entries; }

private:
    /// Reads the header; false when there is no table to copy (its size does not fit in 32 bits).
    bool ReadHeader(TLK_HEADER& header);
    /// Copies the header's entry table out of source, the whole file's bytes.
    void CopyTable(const TLK_HEADER& header, const platform::MappedView& source);

    platform::OwnedFile m_File; ///< declared before the wrapper, which must go first; none over bytes
    std::uint32_t m_FileSize = 0;
    FileWrapper m_Wrapper;
    std::uint64_t m_StringDataOffset = 0;
    platform::LargeVector<Entry> m_Entries; ///< megabytes, filled at once
};

extern template class TlkFileReader<NWN::ResRef16>;

} // namespace brindle
