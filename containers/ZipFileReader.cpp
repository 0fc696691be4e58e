// ZIP container over minizip's unzip interface, reading through this program's own file functions.
#include "containers/ZipFileReader.h"

#include "containers/ZipCentralDirectory.h"
#include "platform/Ascii.h"
#include "platform/SplitPath.h"
#include "platform/ZipFileFunctions.h"
#include "resources/ResourceTypes.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

namespace brindle {

namespace {

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

struct NameSplit {
    std::string buffer;          ///< "z:\\" + the entry's name, as stored
    bool split = false;          ///< the splitter accepted the buffer
    std::string_view name;       ///< the last component without extension, in buffer
    std::string_view extension;  ///< from its last dot, in buffer; it ends the buffer
};

// The drive prefix makes the splitter treat the archive's folders as a path, so only the last
// component names the resource. Case does not move the split, so only the parts kept are
// lower-cased, and the whole buffer only for an error message.
void SplitEntryName(std::string_view entryName, NameSplit& out)
{
    out.buffer.assign("z:\\");
    out.buffer.append(entryName);
    out.split = SplitPath(out.buffer, out.name, out.extension);
}

NameSplit SplitEntryName(std::string_view entryName)
{
    NameSplit out;
    SplitEntryName(entryName, out);
    return out;
}

NWN::ResType TypeOfSplit(const NameSplit& split)
{
    if (!split.split || split.extension.empty())
        return NWN::ResTypeInvalid;
    // The extension ends the buffer, so it is terminated; the lookup ignores case.
    return ExtToResType(split.extension.data() + 1);
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
// entry, so naming allocates only for names longer than any before, and the type of the last
// extension is looked up again only when the extension changes.
class EntryNamer {
public:
    /// False for a name that names no resource (a folder, a file without an extension); throws
    /// when the name cannot be split.
    template <class ResRefT>
    bool Name(std::string_view entryName, ResRefT& name, NWN::ResType& type)
    {
        SplitEntryName(entryName, m_Split);
        if (!m_Split.split)
            ThrowComposed(kZipSplitPathFailedPrefix, ascii::ToLower(m_Split.buffer), "'. failed", kZipSplitPathFailed);
        if (m_Split.extension.empty())
            return false;
        if (m_Split.extension != m_LastExtension) {
            m_LastExtension.assign(m_Split.extension);
            m_LastType = TypeOfSplit(m_Split);
        }
        type = m_LastType;
        const std::size_t kept = std::min(m_Split.name.size(), sizeof(name.RefStr));
        for (std::size_t i = 0; i < kept; ++i)
            name.RefStr[i] = ascii::ToLower(m_Split.name[i]);
        return true;
    }

private:
    NameSplit m_Split;
    std::string m_LastExtension;
    NWN::ResType m_LastType = NWN::ResTypeInvalid;
};

// True when the library found the directory where the one-piece reading did: the same count, the
// same comment and, once it has read the first header on opening, the same offset.
bool LibraryAgrees(unzFile archive, const ZipCentralDirectory& directory)
{
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK || global.number_entry != directory.RecordedEntryCount() ||
        global.size_comment != directory.CommentSize())
        return false;
    return directory.RecordedEntryCount() == 0 || unzGetOffset64(archive) == directory.RecordedOffset();
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
    std::optional<ZipCentralDirectory> directory;
    if (listing == ZipListing::Directory && !directory.emplace(path).Understood())
        directory.reset();
    zlib_filefunc64_def functions{};
    platform::FillZipFileFunctions(functions);
    m_Archive = unzOpen2_64(path.c_str(), &functions);
    if (m_Archive == nullptr) {
        // The library does not look for an end record at the very start of a file, which is all
        // an archive without entries holds. Such an archive lists nothing and opens nothing.
        if (directory && directory->RecordedEntryCount() == 0) {
            m_ListedFromDirectory = true;
            return;
        }
        ThrowComposed(kZipOpenFailedPrefix, path, "'.", kZipOpenFailed);
    }
    try {
        if (directory && LibraryAgrees(Archive(m_Archive), *directory))
            ScanDirectory(*directory);
        else
            Scan();
    } catch (...) {
        unzClose(Archive(m_Archive));
        m_Archive = nullptr;
        throw;
    }
}

template <class ResRefT>
ZipFileReader<ResRefT>::~ZipFileReader()
{
    if (m_Archive == nullptr)
        return;
    if (m_EntryOpen)
        unzCloseCurrentFile(Archive(m_Archive));
    unzClose(Archive(m_Archive));
}

template <class ResRefT>
void ZipFileReader<ResRefT>::Scan()
{
    if (m_EntryOpen)
        throw std::runtime_error(kZipScanWhileOpen);
    unzFile archive = Archive(m_Archive);
    unz_file_info64 info{};
    char name[kNameChars + 1];
    if (unzGoToFirstFile(archive) != UNZ_OK || !CurrentEntryInfo(archive, info, name))
        throw std::runtime_error(kZipGoToFirstFailed);

    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK)
        global.number_entry = 0;
    else
        m_Entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(global.number_entry, kZipMaxReservedEntries)));

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
void ZipFileReader<ResRefT>::ScanDirectory(const ZipCentralDirectory& directory)
{
    m_Entries.reserve(static_cast<std::size_t>(std::min(directory.RecordedEntryCount(), kZipMaxReservedEntries)));
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
FileHandle ZipFileReader<ResRefT>::OpenFileByIndex(FileIndex index)
{
    if (m_EntryOpen || index >= m_Entries.size() || m_Archive == nullptr)
        return 0;
    unzFile archive = Archive(m_Archive);
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
    m_OpenType = TypeOfSplit(SplitEntryName(name));
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
    return unzCloseCurrentFile(Archive(m_Archive)) == UNZ_OK;
}

template <class ResRefT>
bool ZipFileReader<ResRefT>::ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                                                  std::uint32_t& bytesRead, void* buffer)
{
    if (!IsOpenHandle(handle) || offset != m_Delivered)
        return false;
    // The library reports the count as an int.
    const unsigned count = std::min<std::uint32_t>(bytesToRead, INT_MAX);
    const int read = unzReadCurrentFile(Archive(m_Archive), buffer, count);
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
