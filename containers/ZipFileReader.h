// A .zip archive presented as a resource container: the central directory is walked once at
// construction; one entry at a time is opened and decompressed sequentially.
#pragma once

#include "resources/IResourceAccessor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brindle {

/// The most entries reserved up front, whatever the archive claims to hold.
inline constexpr std::uint64_t kZipMaxReservedEntries = 102400;

template <class ResRefT>
class ZipFileReader : public IResourceAccessor<ResRefT> {
public:
    /// Opens the archive and lists its entries; throws std::runtime_error on failure.
    explicit ZipFileReader(const std::string& path);
    ~ZipFileReader() override;
    ZipFileReader(const ZipFileReader&) = delete;
    ZipFileReader& operator=(const ZipFileReader&) = delete;

    FileHandle OpenFile(const ResRefT& name, NWN::ResType type) override;
    /// 0 while another entry is open.
    FileHandle OpenFileByIndex(FileIndex index) override;
    /// False when the entry was read to its end and its bytes do not match its checksum.
    bool CloseFile(FileHandle handle) override;
    /// offset must equal the bytes already delivered for the open entry.
    bool ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                              std::uint32_t& bytesRead, void* buffer) override;
    std::uint32_t GetEncapsulatedFileSize(FileHandle handle) override;
    NWN::ResType GetEncapsulatedFileType(FileHandle handle) override;
    bool GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type) override;
    FileIndex GetEncapsulatedFileCount() override;

private:
    struct Entry {
        std::uint64_t handle; ///< offset of the entry's central-directory record + 1
        ResRefT name;         ///< last path component without extension, lower-cased, cut to the field
        NWN::ResType type;    ///< type of the extension; may be ResTypeInvalid
    };

    /// Closes minizip's archive handle (an unzFile).
    struct ArchiveCloser {
        void operator()(void* archive) const;
    };

    /// Lists the entries of the open archive.
    void Scan();
    bool IsOpenHandle(FileHandle handle) const { return handle != 0 && m_EntryOpen && handle == m_OpenHandle; }

    std::vector<Entry> m_Entries;
    std::unique_ptr<void, ArchiveCloser> m_Archive;
    bool m_EntryOpen = false;
    FileHandle m_OpenHandle = 0;
    std::uint64_t m_Delivered = 0;
    std::uint32_t m_OpenSize = 0;         ///< uncompressed size of the open entry
    NWN::ResType m_OpenType = NWN::ResTypeInvalid;
};

extern template class ZipFileReader<NWN::ResRef32>;

} // namespace brindle
