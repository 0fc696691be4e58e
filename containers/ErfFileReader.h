// An ERF-family archive (module, HAK) presented as a resource container: the key and resource
// lists are read and checked at construction, resource bytes are read from the file (or from the
// archive's bytes in memory) on demand.
#pragma once

#include "containers/ErfRecords.h"
#include "formats/FileWrapper.h"
#include "resources/IResourceAccessor.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brindle {

/// Room reserved up front for the lists is capped, so a damaged EntryCount cannot claim memory
/// before the reads that fail on it.
inline constexpr std::uint32_t kErfMaxReservedEntries = 1048576;

template <class ResRefT>
class ErfFileReader : public IResourceAccessor<ResRefT> {
    static_assert(sizeof(ResRefT) == sizeof(NWN::ResRef32), "keys hold 32-byte names");

public:
    /// Opens and checks the archive; throws PlainException or std::runtime_error on failure.
    explicit ErfFileReader(const std::string& path);
    /// Checks the archive held in bytes, read as the path constructor reads a file of those bytes,
    /// with the same failures (less those of opening). The bytes are borrowed, not copied: they
    /// must outlive the reader and every read through it.
    explicit ErfFileReader(std::span<const unsigned char> bytes);
    ~ErfFileReader() override;
    ErfFileReader(const ErfFileReader&) = delete;
    ErfFileReader& operator=(const ErfFileReader&) = delete;

    /// The first key whose type and 32 name bytes match exactly (names are compared as stored).
    FileHandle OpenFile(const ResRefT& name, NWN::ResType type) override;
    FileHandle OpenFileByIndex(FileIndex index) override;
    /// True for any non-zero handle; nothing is held per handle.
    bool CloseFile(FileHandle handle) override;
    /// Reads at offset within the resource; false at or past its end.
    bool ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                              std::uint32_t& bytesRead, void* buffer) override;
    std::uint32_t GetEncapsulatedFileSize(FileHandle handle) override;
    NWN::ResType GetEncapsulatedFileType(FileHandle handle) override;
    bool GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type) override;
    FileIndex GetEncapsulatedFileCount() override;

private:
    void ReadDirectory();
    /// Reads count records of RecordSize bytes from the current position (the list starts at
    /// listOffset) and hands each to consume(record, index) in order.
    template <std::size_t RecordSize, class Consume>
    void ReadRecords(std::uint64_t listOffset, std::uint32_t count, const char* label, Consume consume);
    bool InRange(FileHandle handle) const { return handle != 0 && handle - 1 < m_Resources.size(); }

    platform::OwnedFile m_File; ///< declared before the wrapper, which must go first; none over bytes
    std::uint32_t m_FileSize = 0;
    FileWrapper m_Wrapper;
    /// Where the file position stands after the last completed data read.
    std::optional<std::uint64_t> m_Position;
    std::vector<ERF_KEY> m_Keys;
    std::vector<ERF_RESOURCE> m_Resources;
};

extern template class ErfFileReader<NWN::ResRef32>;

} // namespace brindle
