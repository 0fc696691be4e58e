// Handing resources out as files (a loose file under its own path, an archived one as a copy in the
// instance directory), reference counts per resource, and the manager's own accessor slots.
#include "resources/ResourceManager.h"

#include "platform/Ascii.h"
#include "platform/Process.h"
#include "platform/SplitPath.h"
#include "platform/SystemFailure.h"
#include "platform/TextFormat.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"

#include <algorithm>
#include <array>
#include <new>
#include <stdexcept>
#include <utility>

namespace brindle {

namespace {

constexpr const char* kNullResource = "Attempted to demand load the null resource.";
constexpr const char* kFailedToLocateResRef = "Failed to locate RESREF '%s'";
constexpr const char* kFailedToOpenResRef = "Failed to open RESREF '%s'";
constexpr const char* kReadEncapsulatedFileFailed = "ReadEncapsulatedFile failed";
// Failures of the machine, which end the run: each is followed by the system's reason.
constexpr const char* kInstanceDirectoryUnusable = "Failed to create the temporary folder '%s'";
constexpr const char* kCopyCreateFailed = "Failed to create '%s'";
constexpr const char* kCopyWriteFailed = "Failed to write '%s'";
constexpr const char* kCopyOutOfMemory = "Out of memory copying '%s'";
constexpr const char* kDemandLoadWarning = "WARNING: Exception '%s' loading resource '%s' (type %04X).\n";
constexpr const char* kOpenFileWarning = "WARNING: Exception '%s' loading resource '%.32s' (type %04X).\n";
constexpr const char* kFailedToBuildFileHandle = "Failed to build FileHandle";
constexpr const char* kIllegalResourcePath = "Illegal resource path.";
constexpr const char* kReleaseUnknownError =
    "ERROR: ResourceManager::Release: Attempted to release resource '%s' after it was already released (or it "
    "was never demanded in the first place).\nCheck also that a resource extension mapping exists in "
    "ExtToResType for this resource type.\n";
constexpr const char* kReleaseUnknownResource = "Attempted to release unknown resource!";

std::runtime_error IllegalResourcePath(const std::string& path)
{
    try {
        return std::runtime_error("Illegal resource path '" + path + "'.");
    } catch (const std::bad_alloc&) {
        return std::runtime_error(kIllegalResourcePath);
    }
}

using Accessor = ResourceManager::Accessor;

// A resource open in a container, closed when this goes unless it was released.
class OpenResource {
public:
    OpenResource(Accessor& container, FileHandle handle) : m_Container(container), m_Handle(handle) {}
    ~OpenResource()
    {
        if (m_Handle != InvalidFileHandle)
            m_Container.CloseFile(m_Handle);
    }
    OpenResource(const OpenResource&) = delete;
    OpenResource& operator=(const OpenResource&) = delete;

    FileHandle Get() const { return m_Handle; }
    explicit operator bool() const { return m_Handle != InvalidFileHandle; }
    FileHandle Release() { return std::exchange(m_Handle, InvalidFileHandle); }
    /// Closes now; false when the container reports a failed close.
    bool Close() { return m_Container.CloseFile(Release()); }

private:
    Accessor& m_Container;
    FileHandle m_Handle;
};

// A copy being written, created with its removal armed for an interrupt, and deleted when this goes
// unless it was kept.
class PendingCopy {
public:
    explicit PendingCopy(std::string path) : m_Path(std::move(path))
    {
        const platform::InterruptsHeld held;
        m_File.Reset(platform::CreateForWriting(m_Path));
        if (m_File)
            m_Ticket = platform::ArmInterruptRemoval(m_Path, platform::InterruptRemoval::File);
    }
    ~PendingCopy()
    {
        m_File.Reset();
        if (!m_Path.empty())
            platform::RemoveArmed(m_Path, platform::InterruptRemoval::File, m_Ticket);
    }
    PendingCopy(const PendingCopy&) = delete;
    PendingCopy& operator=(const PendingCopy&) = delete;

    platform::OwnedFile& File() { return m_File; }
    /// The file's armed removal, for whoever keeps it.
    unsigned Ticket() const { return m_Ticket; }
    void Keep() { m_Path.clear(); }

private:
    std::string m_Path;
    platform::OwnedFile m_File;
    unsigned m_Ticket = 0;
};

// Reads the next chunk (at most kCopyChunkSize of the remaining bytes) of a resource open in its
// container into buffer; the bytes delivered. A read that fails, or gives nothing or more than asked
// while bytes remain, fails.
std::uint32_t ReadChunk(Accessor& container, FileHandle handle, std::uint32_t offset, std::uint32_t remaining,
                        unsigned char* buffer)
{
    const std::uint32_t chunk = std::min(remaining, kCopyChunkSize);
    std::uint32_t delivered = 0;
    // A "successful" read of nothing while bytes remain would spin forever.
    if (!container.ReadEncapsulatedFile(handle, offset, chunk, delivered, buffer) || delivered == 0 ||
        delivered > chunk)
        throw std::runtime_error(kReadEncapsulatedFileFailed);
    return delivered;
}

// Reads count bytes of a resource open in its container into buffer, chunk by chunk as a copy is
// made, so that both fail alike.
void ReadResource(Accessor& container, FileHandle handle, std::uint32_t count, unsigned char* buffer)
{
    for (std::uint32_t read = 0; read < count;)
        read += ReadChunk(container, handle, read, count - read, buffer + read);
}

// Copies a resource open in its container into target (at path), in chunks.
void CopyResource(Accessor& container, FileHandle handle, platform::OsFile target, const std::string& path)
{
    const std::uint32_t size = container.GetEncapsulatedFileSize(handle);
    if (size != 0)
        platform::ResizeOsFile(target, size); // a hint to the file system; the copy fills it

    std::array<unsigned char, kCopyChunkSize> buffer;
    std::uint32_t copied = 0;
    std::uint32_t remaining = size;
    while (remaining > 0) {
        const std::uint32_t delivered = ReadChunk(container, handle, copied, remaining, buffer.data());
        std::uint32_t written = 0;
        if (!platform::WriteOsFile(target, buffer.data(), delivered, written) || written != delivered)
            throw platform::SystemFailure(FormatBounded(kMessageBufferSize, kCopyWriteFailed, path.c_str()),
                                          platform::LastSystemError());
        copied += delivered;
        remaining -= delivered;
    }
}

} // namespace

std::string ResourceManager::Demand(const std::string& name, NWN::ResType type)
{
    // Names are matched without regard to case, as the index files them.
    const std::string lowered = ascii::ToLower(name);
    const std::string key = MakeResourceKey(type, lowered);
    if (auto held = m_Demanded.find(key); held != m_Demanded.end()) {
        ++held->second.references;
        return held->second.path;
    }

    const IndexEntry entry = Locate(name, lowered, type);
    // A loose file is handed out as itself: never copied, never deleted. The Enhanced Edition's
    // folder is such a directory too, though it is stacked among the archives.
    if (const auto* directory = dynamic_cast<const DirectoryContainer*>(entry.container)) {
        std::string path = directory->GetEncapsulatedFilePath(entry.index);
        m_Demanded.emplace(key, DemandedResource {path, 1, false});
        return path;
    }
    return Extract(entry, key, lowered, type);
}

ResourceManager::IndexEntry ResourceManager::Locate(const std::string& name, const std::string& lowered,
                                                    NWN::ResType type) const
{
    ValidateResourceName(name);
    if (name.empty())
        throw std::runtime_error(kNullResource);
    const std::uint32_t found = m_ResourceIndex.Find(type, lowered);
    if (found == ResourceIndex::npos)
        throw std::runtime_error(FormatBounded(kMessageBufferSize, kFailedToLocateResRef, name.c_str()));
    return EntryAt(found);
}

bool ResourceManager::IsLoose(const IndexEntry& entry)
{
    return dynamic_cast<const DirectoryContainer*>(entry.container) != nullptr;
}

std::string ResourceManager::CopyPath(const std::string& name, NWN::ResType type) const
{
    return m_Instance.Path() + name + "." + ResTypeToExt(type);
}

FileHandle ResourceManager::OpenArchived(const IndexEntry& entry, const std::string& name)
{
    const FileHandle handle = entry.container->OpenFileByIndex(entry.index);
    if (handle == InvalidFileHandle)
        throw std::runtime_error(FormatBounded(kMessageBufferSize, kFailedToOpenResRef, name.c_str()));
    if (!m_Instance.Usable()) {
        entry.container->CloseFile(handle);
        throw platform::SystemFailure(
            FormatBounded(kMessageBufferSize, kInstanceDirectoryUnusable, m_Instance.Path().c_str()),
            m_Instance.Error());
    }
    return handle;
}

void ResourceManager::RethrowArchivedFailure(const std::string& name, NWN::ResType type)
{
    try {
        throw;
    } catch (const platform::SystemFailure&) {
        throw; // ends the run: no warning, the error line says it
    } catch (const std::bad_alloc&) {
        throw platform::SystemFailure(FormatBounded(kMessageBufferSize, kCopyOutOfMemory, name.c_str()),
                                      platform::OutOfMemory());
    } catch (const std::exception& e) {
        // Whatever was opened or made is gone by now: its owners released it on the way out.
        Warn(kDemandLoadWarning, e.what(), name.c_str(), static_cast<unsigned int>(type));
        throw;
    }
}

std::string ResourceManager::ReadArchived(const IndexEntry& entry, const std::string& name, NWN::ResType type,
                                          std::uint64_t sizeLimit, std::uint64_t& oversized)
{
    oversized = 0;
    // Fails as the copy Extract makes fails, less the failures of writing one.
    try {
        OpenResource source(*entry.container, OpenArchived(entry, name));
        const std::uint32_t size = entry.container->GetEncapsulatedFileSize(source.Get());
        if (size > sizeLimit) {
            oversized = size;
            return {};
        }
        std::string bytes(size, '\0');
        ReadResource(*entry.container, source.Get(), static_cast<std::uint32_t>(bytes.size()),
                     reinterpret_cast<unsigned char*>(bytes.data()));
        // Closing is where a ZIP entry checks its CRC: a false here means the bytes are corrupt.
        if (!source.Close())
            throw std::runtime_error(kReadEncapsulatedFileFailed);
        return bytes;
    } catch (...) {
        RethrowArchivedFailure(name, type);
    }
}

std::string ResourceManager::Extract(const IndexEntry& entry, const std::string& key, const std::string& name,
                                     NWN::ResType type)
{
    try {
        OpenResource source(*entry.container, OpenArchived(entry, name));
        const std::string targetPath = CopyPath(name, type);
        PendingCopy copy(targetPath);
        platform::OwnedFile& target = copy.File();
        if (!target) {
            const std::error_code reason = platform::LastSystemError();
            copy.Keep(); // nothing was made, so nothing to delete
            throw platform::SystemFailure(FormatBounded(kMessageBufferSize, kCopyCreateFailed, targetPath.c_str()),
                                          reason);
        }
        CopyResource(*entry.container, source.Get(), target.Get(), targetPath);
        target.Reset();
        // Closing is where a ZIP entry checks its CRC: a false here means the copy is corrupt.
        if (!source.Close())
            throw std::runtime_error(kReadEncapsulatedFileFailed);
        m_Demanded.emplace(key, DemandedResource {targetPath, 1, true, copy.Ticket()});
        copy.Keep();
        return targetPath;
    } catch (...) {
        RethrowArchivedFailure(name, type);
    }
}

void ResourceManager::Release(const std::string& path)
{
    SplitPathResult parts;
    if (!SplitPath(path, parts) || parts.extension.empty())
        throw IllegalResourcePath(path);

    // Found by the path handed out, so any spelling of the name releases what it demanded.
    const auto held = std::find_if(m_Demanded.begin(), m_Demanded.end(),
                                   [&](const auto& demanded) { return demanded.second.path == path; });
    if (held == m_Demanded.end()) {
        Warn(kReleaseUnknownError, path.c_str());
        throw std::runtime_error(kReleaseUnknownResource);
    }
    if (--held->second.references != 0)
        return;
    if (held->second.deleteOnRelease)
        platform::RemoveArmed(held->second.path, platform::InterruptRemoval::File, held->second.interruptTicket);
    m_Demanded.erase(held);
}

FileHandle ResourceManager::DrawHandle()
{
    FileHandle first = InvalidFileHandle;
    for (;;) {
        const FileHandle candidate = m_NextHandle++;
        if (candidate == InvalidFileHandle)
            continue;
        if (m_OpenHandles.find(candidate) == m_OpenHandles.end())
            return candidate;
        if (first == InvalidFileHandle)
            first = candidate;
        else if (candidate == first)
            return InvalidFileHandle; // wrapped all the way round
    }
}

FileHandle ResourceManager::RegisterHandle(Accessor* container, FileHandle containerHandle, NWN::ResType type)
{
    OpenResource open(*container, containerHandle);
    const FileHandle handle = DrawHandle();
    if (handle == InvalidFileHandle)
        throw std::runtime_error(kFailedToBuildFileHandle);
    m_OpenHandles.emplace(handle, OpenHandle {container, containerHandle, type});
    open.Release();
    return handle;
}

FileHandle ResourceManager::OpenFile(const NWN::ResRef32& name, NWN::ResType type)
{
    const std::uint32_t found = m_ResourceIndex.Find(type, RawText(name));
    if (found == ResourceIndex::npos)
        return InvalidFileHandle;
    const IndexEntry entry = EntryAt(found);
    const FileHandle containerHandle = entry.container->OpenFileByIndex(entry.index);
    if (containerHandle == InvalidFileHandle)
        return InvalidFileHandle;
    try {
        return RegisterHandle(entry.container, containerHandle, type);
    } catch (const std::exception& e) {
        Warn(kOpenFileWarning, e.what(), name.RefStr, static_cast<unsigned int>(type));
        throw;
    }
}

FileHandle ResourceManager::OpenFileByIndex(FileIndex index)
{
    if (index >= m_Entries.size())
        return InvalidFileHandle;
    const IndexEntry entry = EntryAt(static_cast<std::size_t>(index));
    const FileHandle containerHandle = entry.container->OpenFileByIndex(entry.index);
    if (containerHandle == InvalidFileHandle)
        return InvalidFileHandle;
    return RegisterHandle(entry.container, containerHandle, NWN::ResTypeInvalid);
}

bool ResourceManager::CloseFile(FileHandle handle)
{
    const auto open = m_OpenHandles.find(handle);
    if (open == m_OpenHandles.end())
        return false;
    const OpenHandle record = open->second;
    m_OpenHandles.erase(open);
    return record.container->CloseFile(record.containerHandle);
}

bool ResourceManager::ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                                           std::uint32_t& bytesRead, void* buffer)
{
    const auto open = m_OpenHandles.find(handle);
    if (open == m_OpenHandles.end())
        return false;
    return open->second.container->ReadEncapsulatedFile(open->second.containerHandle, offset, bytesToRead,
                                                        bytesRead, buffer);
}

std::uint32_t ResourceManager::GetEncapsulatedFileSize(FileHandle handle)
{
    const auto open = m_OpenHandles.find(handle);
    if (open == m_OpenHandles.end())
        return 0;
    return open->second.container->GetEncapsulatedFileSize(open->second.containerHandle);
}

NWN::ResType ResourceManager::GetEncapsulatedFileType(FileHandle handle)
{
    const auto open = m_OpenHandles.find(handle);
    return open == m_OpenHandles.end() ? NWN::ResTypeInvalid : open->second.type;
}

bool ResourceManager::GetEncapsulatedFileEntry(FileIndex index, NWN::ResRef32& name, NWN::ResType& type)
{
    if (index >= m_Entries.size())
        return false;
    const IndexEntry entry = EntryAt(static_cast<std::size_t>(index));
    return entry.container->GetEncapsulatedFileEntry(entry.index, name, type);
}

FileIndex ResourceManager::GetEncapsulatedFileCount()
{
    return m_Entries.size();
}

} // namespace brindle
