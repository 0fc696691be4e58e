// A .zip archive presented as a resource container: the central directory is walked once at
// construction; one entry at a time is opened and decompressed sequentially.
#pragma once

#include "containers/ZipCentralDirectory.h"
#include "resources/IResourceAccessor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brindle {

/// The most entries reserved up front, whatever the archive claims to hold.
inline constexpr std::uint64_t kZipMaxReservedEntries = 102400;

/// How the entries are listed: from the central directory read in one piece (the library walks
/// any archive that reading does not understand), or by the library's walk alone.
enum class ZipListing { Directory, Library };


template <class ResRefT>
class ZipFileReader : public IResourceAccessor<ResRefT> {
public:
    /// Opens the archive and lists its entries; throws std::runtime_error on failure.
    explicit ZipFileReader(const std::string& path, ZipListing listing = ZipListing::Directory);
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

    /// True when the entries were listed from the directory read in one piece.
    bool ListedFromDirectory() const { return m_ListedFromDirectory; }

private:
    struct Entry {
        std::uint64_t handle; ///< offset of the entry's central-directory record + 1
        ResRefT name;         ///< last path component without extension, lower-cased, cut to the field
        NWN::ResType type;    ///< type of the extension; may be ResTypeInvalid
        std::uint32_t number; ///< place of its record in the directory (no archive holds 2^32 records in memory)
    };

    /// Closes minizip's archive handle (an unzFile).
    struct ArchiveCloser {
        void operator()(void* archive) const;
    };

    /// Makes room for count entries, at most kZipMaxReservedEntries (a count is not yet checked).
    void ReserveEntries(std::uint64_t count);
    /// Lists the entries of the open archive by the library's walk.
    void Scan();
    /// Lists the entries from a directory read in one piece.
    void ScanDirectory(const ZipCentralDirectory& directory);
    bool IsOpenHandle(FileHandle handle) const { return handle != 0 && m_EntryOpen && handle == m_OpenHandle; }
    /// The library's handle. For an archive listed from its directory it is opened with the first
    /// entry (listing needs none of it); nullptr when it cannot be opened or does not find the
    /// directory where the listing did, and then no entry opens.
    void* LibraryArchive();

    std::vector<Entry> m_Entries;
    std::unique_ptr<void, ArchiveCloser> m_Archive;
    bool m_EntryOpen = false;
    FileHandle m_OpenHandle = 0;
    std::uint64_t m_Delivered = 0;
    std::uint32_t m_OpenSize = 0;         ///< uncompressed size of the open entry
    NWN::ResType m_OpenType = NWN::ResTypeInvalid;
    bool m_ListedFromDirectory = false;
    std::string m_PendingPath;      ///< archive listed from its directory, library handle not tried yet
    ZipDirectoryEnd m_DirectoryEnd; ///< where that listing found the directory
};

extern template class ZipFileReader<NWN::ResRef32>;

} // namespace brindle
