// ZIP container over minizip's unzip interface, reading through this program's own file functions.
#include "containers/ZipFileReader.h"

#include "platform/Ascii.h"
#include "platform/SplitPath.h"
#include "platform/ZipFileFunctions.h"
#include "resources/ResourceTypes.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

namespace brindle {

namespace {

constexpr const char* kZipOpenFailedPrefix = "Failed to open .zip archive '";
constexpr const char* kZipOpenFailed = "Failed to open .zip archive.";
constexpr const char* kZipScanWhileOpen = "Cannot scan an archive with a file opened.";
constexpr const char* kZipGoToFirstFailed = "unzGoToFirstFile failed";
constexpr const char* kZipGetFilePosFailed = "unzGetFilePos failed";
constexpr const char* kZipSplitPathFailedPrefix = "_splitpath_s '";
constexpr const char* kZipSplitPathFailed = "splitpath_s failed";
constexpr const char* kZipGoToNextFailed = "unzGoToNextFile failed";

// minizip reports the end of the entry list with this code.
constexpr int kEndOfListOfFile = UNZ_END_OF_LIST_OF_FILE;
// Room for the name minizip reports; a terminator is forced after the last character.
constexpr std::size_t kNameChars = 256;
// The 16-bit entry count of an archive's end record when the real count does not fit (or is
// exactly this). minizip then walks on until a record is not a central-directory header.
constexpr std::uint64_t kOverflowedEntryCount = 0xFFFF;

unzFile Archive(void* archive)
{
    return static_cast<unzFile>(archive);
}

// The name rule splits "z:\\" followed by the entry's name as a path. The prefix makes everything
// up to the name's last "/" or "\\" the directory part, so only the last component counts.
constexpr std::string_view kDrivePrefix = "z:\\";

// Splitting the name itself gives the same parts, unless the name could pass for a path with a
// drive of its own ("c:..."): only the prefixed buffer splits that one right.
bool SplitEntryName(std::string_view entryName, std::string& buffer, std::string_view& base, std::string_view& extension)
{
    if (entryName.size() < 2 || entryName[1] != ':')
        return SplitPath(entryName, base, extension);
    buffer.assign(kDrivePrefix).append(entryName);
    return SplitPath(buffer, base, extension);
}

// The type of an extension (with its dot); the lookup reads at most four characters and knows
// extensions of three.
NWN::ResType TypeOfExtension(std::string_view extension)
{
    if (extension.size() < 2 || extension.size() > 4)
        return NWN::ResTypeInvalid;
    char text[4] = {};
    extension.substr(1).copy(text, 3);
    return ExtToResType(text);
}

// Raises prefix + value + suffix; the fallback text when that text cannot be built.
[[noreturn]] void ThrowComposed(const char* prefix, const std::string& value, const char* suffix, const char* fallback)
{
    std::string message;
    try {
        message = std::string(prefix) + value + suffix;
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(fallback);
    }
    throw std::runtime_error(message);
}

// Turns entry names into resource names and types by the name rule. It is kept from entry to
// entry: naming allocates nothing, and an archive's few extensions are looked up once each.
class EntryNamer {
public:
    /// False for a name that names no resource (a folder, a file without an extension); throws
    /// when the name cannot be split.
    template <class ResRefT>
    bool Name(std::string_view entryName, ResRefT& name, NWN::ResType& type)
    {
        std::string_view base;
        std::string_view extension;
        if (!SplitEntryName(entryName, m_Buffer, base, extension))
            ThrowComposed(kZipSplitPathFailedPrefix, ascii::ToLower(std::string(kDrivePrefix) + std::string(entryName)),
                          "'. failed", kZipSplitPathFailed);
        if (extension.empty())
            return false;
        type = TypeOf(extension);
        const std::size_t kept = std::min(base.size(), sizeof(name.RefStr));
        for (std::size_t i = 0; i < kept; ++i)
            name.RefStr[i] = ascii::ToLower(base[i]);
        return true;
    }

private:
    NWN::ResType TypeOf(std::string_view extension)
    {
        if (extension.size() > 4)
            return NWN::ResTypeInvalid;
        char text[4] = {};
        extension.copy(text, 4);
        std::uint32_t key = 0;
        std::memcpy(&key, text, sizeof(key));
        for (std::size_t i = 0; i < m_KnownCount; ++i)
            if (m_Known[i].first == key)
                return m_Known[i].second;
        const NWN::ResType type = TypeOfExtension(extension);
        if (m_KnownCount < m_Known.size())
            m_Known[m_KnownCount++] = {key, type};
        return type;
    }

    std::string m_Buffer;
    std::array<std::pair<std::uint32_t, NWN::ResType>, 8> m_Known{}; ///< extension (dot and up to three characters) and type
    std::size_t m_KnownCount = 0;
};

// True when the library found the directory where the one-piece reading did: the same count, the
// same comment and, once it has read the first header on opening, the same offset.
bool LibraryAgrees(unzFile archive, const ZipDirectoryEnd& end)
{
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK || global.number_entry != end.entryCount ||
        global.size_comment != end.commentSize)
        return false;
    return end.entryCount == 0 || unzGetOffset64(archive) == end.offset;
}

unzFile OpenWithLibrary(const std::string& path)
{
    zlib_filefunc64_def functions{};
    platform::FillZipFileFunctions(functions);
    return unzOpen2_64(path.c_str(), &functions);
}

// Reads the current entry's information and its name (cut to kNameChars).
bool CurrentEntryInfo(unzFile archive, unz_file_info64& info, char (&name)[kNameChars + 1])
{
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    name[kNameChars] = '\0';
    return true;
}

} // namespace

template <class ResRefT>
ZipFileReader<ResRefT>::ZipFileReader(const std::string& path, ZipListing listing)
{
    if (listing == ZipListing::Directory) {
        // Listing needs nothing of the library, which opens the archive only for its first entry.
        // So an archive without entries, which the library refuses, lists as empty.
        // The list is made room for before the directory's buffer, which is then given back at
        // the top of the heap for the next archive.
        const ZipCentralDirectory directory(path, [this](std::uint64_t entryCount) { ReserveEntries(entryCount); });
        if (directory.Understood()) {
            ScanDirectory(directory);
            m_PendingPath = path;
            m_DirectoryEnd = directory.End();
            return;
        }
    }
    m_Archive.reset(OpenWithLibrary(path));
    if (m_Archive == nullptr)
        ThrowComposed(kZipOpenFailedPrefix, path, "'.", kZipOpenFailed);
    Scan();
}

template <class ResRefT>
void ZipFileReader<ResRefT>::ArchiveCloser::operator()(void* archive) const
{
    unzClose(Archive(archive));
}

template <class ResRefT>
ZipFileReader<ResRefT>::~ZipFileReader()
{
    if (m_Archive != nullptr && m_EntryOpen)
        unzCloseCurrentFile(Archive(m_Archive.get()));
}

template <class ResRefT>
void ZipFileReader<ResRefT>::Scan()
{
    if (m_EntryOpen)
        throw std::runtime_error(kZipScanWhileOpen);
    unzFile archive = Archive(m_Archive.get());
    unz_file_info64 info{};
    char name[kNameChars + 1];
    if (unzGoToFirstFile(archive) != UNZ_OK || !CurrentEntryInfo(archive, info, name))
        throw std::runtime_error(kZipGoToFirstFailed);

    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK)
        global.number_entry = 0;
    else
        ReserveEntries(global.number_entry);

    EntryNamer namer;
    for (std::uint64_t walked = 1;; ++walked) {
        unz64_file_pos position{};
        if (unzGetFilePos64(archive, &position) != UNZ_OK)
            throw std::runtime_error(kZipGetFilePosFailed);
        Entry entry{position.pos_in_zip_directory + 1, ResRefT{}, NWN::ResTypeInvalid,
                    static_cast<std::uint32_t>(position.num_of_file)};
        if (namer.Name(name, entry.name, entry.type))
            m_Entries.push_back(entry);

        const int next = unzGoToNextFile(archive);
        if (next == kEndOfListOfFile)
            break;
        // With an overflowed count the list ends where the headers stop; that is not damage.
        if (next == UNZ_BADZIPFILE && global.number_entry == kOverflowedEntryCount && walked >= kOverflowedEntryCount)
            break;
        if (next != UNZ_OK || !CurrentEntryInfo(archive, info, name))
            throw std::runtime_error(kZipGoToNextFailed);
    }
}

template <class ResRefT>
void ZipFileReader<ResRefT>::ReserveEntries(std::uint64_t count)
{
    m_Entries.reserve(static_cast<std::size_t>(std::min(count, kZipMaxReservedEntries)));
}

template <class ResRefT>
void ZipFileReader<ResRefT>::ScanDirectory(const ZipCentralDirectory& directory)
{
    ReserveEntries(directory.End().entryCount);
    EntryNamer namer;
    ZipCentralDirectory::Cursor cursor;
    ZipCentralDirectory::Entry found;
    while (directory.Next(cursor, found)) {
        Entry entry{found.position + 1, ResRefT{}, NWN::ResTypeInvalid, static_cast<std::uint32_t>(found.number)};
        if (namer.Name(found.name, entry.name, entry.type))
            m_Entries.push_back(entry);
    }
    m_ListedFromDirectory = true;
}

template <class ResRefT>
FileHandle ZipFileReader<ResRefT>::OpenFile(const ResRefT& name, NWN::ResType type)
{
    for (std::size_t i = 0; i < m_Entries.size(); ++i) {
        if (m_Entries[i].type == type && std::memcmp(m_Entries[i].name.RefStr, name.RefStr, sizeof(name.RefStr)) == 0)
            return this->OpenFileByIndex(i);
    }
    return 0;
}

template <class ResRefT>
void* ZipFileReader<ResRefT>::LibraryArchive()
{
    if (m_Archive == nullptr && !m_PendingPath.empty()) {
        m_Archive.reset(OpenWithLibrary(m_PendingPath));
        if (m_Archive != nullptr && !LibraryAgrees(Archive(m_Archive.get()), m_DirectoryEnd))
            m_Archive.reset();
        // Tried once: an archive the library does not read as listed serves no entry.
        m_PendingPath = std::string();
    }
    return m_Archive.get();
}

template <class ResRefT>
FileHandle ZipFileReader<ResRefT>::OpenFileByIndex(FileIndex index)
{
    if (m_EntryOpen || index >= m_Entries.size())
        return 0;
    unzFile archive = Archive(LibraryArchive());
    if (archive == nullptr)
        return 0;
    const Entry& entry = m_Entries[index];
    unz_file_info64 info{};
    char name[kNameChars + 1];
    const unz64_file_pos position{entry.handle - 1, entry.number};
    if (unzGoToFilePos64(archive, &position) != UNZ_OK || !CurrentEntryInfo(archive, info, name))
        return 0;
    // Sizes travel as 32 bits through the accessor interface; a larger entry would be reported
    // with a cut size and copied out short, so it is not served at all.
    if (info.uncompressed_size > 0xFFFFFFFFu)
        return 0;
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        return 0;
    m_EntryOpen = true;
    m_OpenHandle = entry.handle;
    m_Delivered = 0;
    m_OpenSize = static_cast<std::uint32_t>(info.uncompressed_size);
    std::string buffer;
    std::string_view base;
    std::string_view extension;
    m_OpenType = SplitEntryName(name, buffer, base, extension) ? TypeOfExtension(extension) : NWN::ResTypeInvalid;
    return entry.handle;
}

template <class ResRefT>
bool ZipFileReader<ResRefT>::CloseFile(FileHandle handle)
{
    if (!IsOpenHandle(handle))
        return false;
    m_EntryOpen = false;
    // A checksum mismatch shows only here, once the whole entry has been read: the bytes handed
    // out were corrupt, so the close is not a success.
    return unzCloseCurrentFile(Archive(m_Archive.get())) == UNZ_OK;
}

template <class ResRefT>
bool ZipFileReader<ResRefT>::ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                                                  std::uint32_t& bytesRead, void* buffer)
{
    if (!IsOpenHandle(handle) || offset != m_Delivered)
        return false;
    // The library reports the count as an int.
    const unsigned count = std::min<std::uint32_t>(bytesToRead, INT_MAX);
    const int read = unzReadCurrentFile(Archive(m_Archive.get()), buffer, count);
    if (read <= 0)
        return false;
    bytesRead = static_cast<std::uint32_t>(read);
    m_Delivered += static_cast<std::uint32_t>(read);
    return true;
}

template <class ResRefT>
std::uint32_t ZipFileReader<ResRefT>::GetEncapsulatedFileSize(FileHandle handle)
{
    return IsOpenHandle(handle) ? m_OpenSize : 0;
}

template <class ResRefT>
NWN::ResType ZipFileReader<ResRefT>::GetEncapsulatedFileType(FileHandle handle)
{
    return IsOpenHandle(handle) ? m_OpenType : NWN::ResTypeInvalid;
}

template <class ResRefT>
bool ZipFileReader<ResRefT>::GetEncapsulatedFileEntry(FileIndex index, ResRefT& name, NWN::ResType& type)
{
    if (index >= m_Entries.size())
        return false;
    name = m_Entries[index].name;
    type = m_Entries[index].type;
    return true;
}

template <class ResRefT>
FileIndex ZipFileReader<ResRefT>::GetEncapsulatedFileCount()
{
    return m_Entries.size();
}

template class ZipFileReader<NWN::ResRef32>;

} // namespace brindle
