// A directory tree of loose files presented as a resource container: the tree is scanned once at
// construction and files are opened straight from disk.
#pragma once

#include "platform/File.h"
#include "resources/IResourceAccessor.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brindle {

template <class ResRefT>
class DirectoryFileReader : public IResourceAccessor<ResRefT> {
public:
    /// Scans path (a directory that does not exist or cannot be listed gives an empty container).
    explicit DirectoryFileReader(const std::string& path);
    /// Closes the files that callers left open.
    ~DirectoryFileReader() override;
    DirectoryFileReader(const DirectoryFileReader&) = delete;
    DirectoryFileReader& operator=(const DirectoryFileReader&) = delete;

    /// Opens root + name + "." + extension; the file name's case on disk does not matter.
    FileHandle OpenFile(const ResRefT& name, NWN::ResType type) override;
    FileHandle OpenFileByIndex(FileIndex index) override;
    bool CloseFile(FileHandle handle) override;
    /// One read at the file's current position; the offset is not used.
    bool ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                              std::uint32_t& bytesRead, void* buffer) override;
    /// Throws std::runtime_error when the system cannot report the size.
    std::uint32_t GetEncapsulatedFileSize(FileHandle handle) override;
    /// Always ResTypeInvalid.
    NWN::ResType GetEncapsulatedFileType(FileHandle handle) override;
    bool GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type) override;
    FileIndex GetEncapsulatedFileCount() override;

    /// The full path of an entry; throws std::runtime_error "Illegal FileIndex" when out of range.
    std::string GetEncapsulatedFilePath(FileIndex index) const;
    /// The folders below the root that the scan found but could not list, in scan order: the files
    /// in them are missing from the container.
    const std::vector<std::string>& UnreadableFolders() const { return m_Unreadable; }

private:
    struct Entry {
        std::string path;  ///< the directory path (ending in "//") and the file's own name
        ResRefT name;      ///< file name without extension, lower-cased, cut to the field
        NWN::ResType type; ///< type of the extension
    };

    /// Directories this many levels below the root are not listed.
    static constexpr unsigned kMaxDepth = 256;

    void ScanDirectory(const std::string& path, unsigned depth);
    FileHandle OpenPath(const std::string& path);
    /// The open file behind a handle returned here, or InvalidOsFile.
    platform::OsFile OpenFileOf(FileHandle handle) const;

    std::vector<Entry> m_Entries;
    std::vector<std::string> m_Unreadable;
    std::string m_Root;
    /// Handles returned and not yet closed: a stale or foreign handle must never reach a
    /// descriptor that the system has since handed to someone else.
    std::map<FileHandle, platform::OwnedFile> m_Open;
};

extern template class DirectoryFileReader<NWN::ResRef32>;

} // namespace brindle
