// Directory container: a depth-first scan of the tree in listing order, files opened from disk.
#include "containers/DirectoryFileReader.h"

#include "formats/FileWrapper.h"
#include "platform/Ascii.h"
#include "platform/Directory.h"
#include "platform/File.h"
#include "platform/SplitPath.h"
#include "resources/ResourceTypes.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace brindle {

namespace {

// The message of GetEncapsulatedFilePath for an index out of range.
constexpr const char* kIllegalFileIndex = "Illegal FileIndex";

// The directory separator this container inserts; the system reads it as one separator.
constexpr const char* kSeparator = "//";

/// A scanned folder's path as a user writes it: one "/" between folders, none at the end.
std::string Shown(const std::string& path)
{
    const std::size_t width = std::strlen(kSeparator);
    std::string shown;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path.compare(i, width, kSeparator) == 0) {
            shown += '/';
            i += width - 1;
        } else {
            shown += path[i];
        }
    }
    if (shown.ends_with('/'))
        shown.pop_back();
    return shown;
}

} // namespace

template <class ResRefT>
DirectoryFileReader<ResRefT>::DirectoryFileReader(const std::string& path) : m_Root(path + kSeparator)
{
    ScanDirectory(m_Root, 0);
}

template <class ResRefT>
DirectoryFileReader<ResRefT>::~DirectoryFileReader() = default;

template <class ResRefT>
void DirectoryFileReader<ResRefT>::ScanDirectory(const std::string& path, unsigned depth)
{
    if (depth >= kMaxDepth)
        return;
    std::vector<platform::DirectoryItem> items;
    if (!platform::ListDirectory(path, items)) {
        // A root that is not there is an ordinary empty container; a folder inside it was seen.
        if (depth != 0)
            m_Unreadable.push_back(Shown(path));
        return;
    }
    for (const platform::DirectoryItem& item : items) {
        if (item.isDirectory) {
            ScanDirectory(path + item.name + kSeparator, depth + 1);
            continue;
        }
        if (!item.isRegularFile)
            continue;
        SplitPathResult split;
        if (!SplitPath(item.name, split) || split.extension.empty())
            continue;
        const NWN::ResType type = ExtToResType(split.extension.c_str() + 1);
        if (type == NWN::ResTypeInvalid)
            continue;
        Entry entry{path + item.name, ResRefT{}, type};
        const std::string lower = ascii::ToLower(split.name);
        std::memcpy(entry.name.RefStr, lower.data(), std::min(lower.size(), sizeof(entry.name.RefStr)));
        m_Entries.push_back(std::move(entry));
    }
}

template <class ResRefT>
FileHandle DirectoryFileReader<ResRefT>::OpenPath(const std::string& path)
{
    platform::OwnedFile file(platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::Normal));
    if (!file)
        return 0;
    // A descriptor can be 0, so the handle is the descriptor + 1.
    const FileHandle handle = static_cast<FileHandle>(file.Get()) + 1;
    m_Open.emplace(handle, std::move(file));
    return handle;
}

template <class ResRefT>
platform::OsFile DirectoryFileReader<ResRefT>::OpenFileOf(FileHandle handle) const
{
    const auto open = m_Open.find(handle);
    return open == m_Open.end() ? platform::InvalidOsFile : open->second.Get();
}

template <class ResRefT>
FileHandle DirectoryFileReader<ResRefT>::OpenFile(const ResRefT& name, NWN::ResType type)
{
    const std::string text(name.RefStr, strnlen(name.RefStr, sizeof(name.RefStr)));
    // Only files directly in the root are reachable by name.
    if (text.find_first_of("/\\") != std::string::npos)
        return 0;
    const std::string fileName = text + "." + ResTypeToExt(type);
    return OpenPath(platform::ResolveNoCase(m_Root, fileName));
}

template <class ResRefT>
FileHandle DirectoryFileReader<ResRefT>::OpenFileByIndex(FileIndex index)
{
    if (index >= m_Entries.size())
        return 0;
    return OpenPath(m_Entries[index].path);
}

template <class ResRefT>
bool DirectoryFileReader<ResRefT>::CloseFile(FileHandle handle)
{
    const auto open = m_Open.find(handle);
    if (open == m_Open.end())
        return false;
    const bool closed = open->second.Close();
    m_Open.erase(open);
    return closed;
}

template <class ResRefT>
bool DirectoryFileReader<ResRefT>::ReadEncapsulatedFile(FileHandle handle, std::uint32_t, std::uint32_t bytesToRead,
                                                        std::uint32_t& bytesRead, void* buffer)
{
    const platform::OsFile file = OpenFileOf(handle);
    if (file == platform::InvalidOsFile)
        return false;
    std::uint32_t read = 0;
    if (!platform::ReadOsFile(file, buffer, bytesToRead, read))
        return false;
    bytesRead = read;
    return true;
}

template <class ResRefT>
std::uint32_t DirectoryFileReader<ResRefT>::GetEncapsulatedFileSize(FileHandle handle)
{
    // A handle not open here sizes the invalid handle, which fails as the system would.
    const platform::OsFile file = OpenFileOf(handle);
    // The wrapper borrows the handle for the query and leaves it open.
    FileWrapper wrapper(file);
    return static_cast<std::uint32_t>(wrapper.GetSize());
}

template <class ResRefT>
NWN::ResType DirectoryFileReader<ResRefT>::GetEncapsulatedFileType(FileHandle)
{
    return NWN::ResTypeInvalid;
}

template <class ResRefT>
bool DirectoryFileReader<ResRefT>::GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type)
{
    if (index >= m_Entries.size())
        return false;
    name = m_Entries[index].name;
    type = m_Entries[index].type;
    return true;
}

template <class ResRefT>
FileIndex DirectoryFileReader<ResRefT>::GetEncapsulatedFileCount()
{
    return m_Entries.size();
}

template <class ResRefT>
std::string DirectoryFileReader<ResRefT>::GetEncapsulatedFilePath(FileIndex index) const
{
    if (index >= m_Entries.size())
        throw std::runtime_error(kIllegalFileIndex);
    return m_Entries[index].path;
}

template class DirectoryFileReader<NWN::ResRef32>;

} // namespace brindle
