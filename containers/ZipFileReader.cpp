// ZIP container over minizip's unzip interface, reading through this program's own file functions.
#include "containers/ZipFileReader.h"

#include "platform/Ascii.h"
#include "platform/SplitPath.h"
#include "platform/ZipFileFunctions.h"
#include "resources/ResourceTypes.h"

#include <minizip/unzip.h>

#include <algorithm>
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

// Reads the current entry's information and its name (cut to kNameChars).
bool CurrentEntryInfo(unzFile archive, unz_file_info64& info, char (&name)[kNameChars + 1])
{
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    name[kNameChars] = '\0';
    return true;
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

} // namespace

template <class ResRefT>
void ZipFileReader<ResRefT>::ArchiveCloser::operator()(void* archive) const
{
    unzClose(Archive(archive));
}

template <class ResRefT>
ZipFileReader<ResRefT>::ZipFileReader(const std::string& path)
{
    zlib_filefunc64_def functions{};
    platform::FillZipFileFunctions(functions);
    m_Archive.reset(unzOpen2_64(path.c_str(), &functions));
    if (m_Archive == nullptr)
        ThrowComposed(kZipOpenFailedPrefix, path, "'.", kZipOpenFailed);
    Scan();
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
        m_Entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(global.number_entry, kZipMaxReservedEntries)));

    // split is reused from entry to entry, so the scan allocates only for names longer than any before.
    NameSplit split;
    // Entries of one archive mostly share a few extensions: the last one's type is kept.
    std::string lastExtension;
    NWN::ResType lastType = NWN::ResTypeInvalid;
    auto addEntry = [&](std::string_view entryName, std::uint64_t position) {
        SplitEntryName(entryName, split);
        if (split.split && !split.extension.empty()) {
            if (split.extension != lastExtension) {
                lastExtension.assign(split.extension);
                lastType = TypeOfSplit(split);
            }
            Entry entry{position + 1, ResRefT{}, lastType};
            const std::size_t kept = std::min(split.name.size(), sizeof(entry.name.RefStr));
            for (std::size_t i = 0; i < kept; ++i)
                entry.name.RefStr[i] = ascii::ToLower(split.name[i]);
            m_Entries.push_back(entry);
        } else if (!split.split) {
            ThrowComposed(kZipSplitPathFailedPrefix, ascii::ToLower(split.buffer), "'. failed", kZipSplitPathFailed);
        }
        // Folder entries and files without an extension (a README) name no resource: skipped.
    };
    for (std::uint64_t walked = 1;; ++walked) {
        unz64_file_pos position{};
        if (unzGetFilePos64(archive, &position) != UNZ_OK)
            throw std::runtime_error(kZipGetFilePosFailed);
        addEntry(name, position.pos_in_zip_directory);

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
    unzFile archive = Archive(m_Archive.get());
    const Entry& entry = m_Entries[index];
    unz_file_info64 info{};
    char name[kNameChars + 1];
    if (unzSetOffset64(archive, entry.handle - 1) != UNZ_OK || !CurrentEntryInfo(archive, info, name))
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
