// The one object through which the tool reaches game data: it stacks the module, its HAKs, the
// override, pwc and campaign directories, the .zip data archives and the Enhanced Edition's data in
// the game's precedence order, files every resource in one combined index, hands resources out as
// files, and caches game tables.
#pragma once

#include "app/IDebugTextOut.h"
#include "containers/DirectoryFileReader.h"
#include "platform/File.h"
#include "resources/IResourceAccessor.h"
#include "resources/InstanceFolder.h"
#include "resources/LoadRecord.h"
#include "resources/ResRef.h"
#include "resources/ResourceIndex.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class Gr2Accessor;
class LoadRecorder;
class TwoDAFileReader;
template <class ResRefT>
class TlkFileReader;

/// Formatted error texts are cut to this buffer size (terminator included).
inline constexpr std::size_t kMessageBufferSize = 512;
/// Resources are copied out in chunks of this many bytes.
inline constexpr std::uint32_t kCopyChunkSize = 4096;

class ResourceManager : public IResourceAccessor<NWN::ResRef32> {
public:
    using Accessor = IResourceAccessor<NWN::ResRef32>;
    using DirectoryContainer = DirectoryFileReader<NWN::ResRef32>;

    /// The three tiers of the stack, searched in this order.
    enum Tier : std::uint32_t { TierArchive = 0, TierDirectory = 1, TierZip = 2, TierCount = 3 };

    /// textOut receives every warning; it is not owned and must outlive the manager (may be null).
    explicit ResourceManager(IDebugTextOut* textOut);
    ~ResourceManager() override;
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    /// Builds the stack for a module. In module-only mode no HAK, no campaign, no .zip archive, no
    /// Enhanced Edition data and no custom talk table is loaded. campaignId is the module's
    /// Campaign_ID (empty or all zeros: no campaign). Optional sources that fail are reported and
    /// skipped.
    void LoadModule(const std::string& homeDirectory, const std::string& installDirectory,
                    const std::string& moduleName, const std::string& customTlk, std::vector<NWN::ResRef32> haks,
                    bool moduleOnly, const std::string& campaignId = {});
    /// Releases everything a load built, reporting handles and demands that callers leaked.
    void UnloadAll();

    /// The path of a file holding the resource's bytes; one reference per successful call.
    std::string Demand(const std::string& name, NWN::ResType type);
    /// Drops one reference of a path returned by Demand; a copied-out file goes with the last one.
    void Release(const std::string& path);

    /// The cached reader of a game table, or null when the table cannot be had.
    TwoDAFileReader* Get2DA(const std::string& name);
    /// The text of a cell; false for a missing table, row or column and for a "****" cell.
    bool Get2DAString(std::string& value, const std::string& table, const std::string& column, std::uint32_t row);
    /// Calls take(text, row) for each row of the table, in order, whose cell in column Get2DAString
    /// gives, with the warnings Get2DAString would give row by row; the table and the column are
    /// looked up once.
    void ForEach2DAString(const std::string& table, const std::string& column,
                          const std::function<void(std::string_view, std::uint32_t)>& take);

    /// The private working directory, ending in a separator.
    const std::string& GetInstanceDirectory() const { return m_Instance.Path(); }

    /// Stacks a source directly, above the sources of its tier already stacked (for tools and
    /// tests that assemble a stack without a game tree). Call BuildResourceIndex afterwards.
    void AttachArchive(Tier tier, std::shared_ptr<Accessor> archive);
    void AttachDirectory(std::shared_ptr<DirectoryContainer> directory);
    /// One warning for each folder inside directory that could not be listed.
    void WarnUnreadableFolders(const DirectoryContainer& directory);
    /// Rebuilds the combined index from the stacked sources.
    void BuildResourceIndex();

    /// From the next load on, keeps what the run report shows of each load (nothing is kept or
    /// counted otherwise).
    void KeepLoadRecord();
    /// The record of the last load (empty unless kept).
    const LoadRecord& GetLoadRecord() const;
    /// The record of the last load, moved out (a manager about to go need not copy it); the
    /// manager's own record is empty afterwards, until the next load.
    LoadRecord TakeLoadRecord();
    /// The number in GetLoadRecord().sources of the source an index entry comes from;
    /// LoadRecord::npos when no record is kept or the index is out of range.
    std::uint32_t GetEntrySource(FileIndex index) const;
    /// The number of index entries of this type (each key is filed once).
    std::size_t CountEntriesOfType(NWN::ResType type) const { return m_ResourceIndex.CountOfType(type); }
    /// The type GetEncapsulatedFileEntry gives for the entry at index, as the index filed it, without
    /// asking its container; ResTypeInvalid past the last entry.
    NWN::ResType GetEntryType(FileIndex index) const
    {
        return index < m_Entries.size() ? m_ResourceIndex.TypeOf(static_cast<std::uint32_t>(index))
                                        : NWN::ResTypeInvalid;
    }

    FileHandle OpenFile(const NWN::ResRef32& name, NWN::ResType type) override;
    FileHandle OpenFileByIndex(FileIndex index) override;
    bool CloseFile(FileHandle handle) override;
    bool ReadEncapsulatedFile(FileHandle handle, std::uint32_t offset, std::uint32_t bytesToRead,
                              std::uint32_t& bytesRead, void* buffer) override;
    std::uint32_t GetEncapsulatedFileSize(FileHandle handle) override;
    NWN::ResType GetEncapsulatedFileType(FileHandle handle) override;
    bool GetEncapsulatedFileEntry(FileIndex index, NWN::ResRef32& name, NWN::ResType& type) override;
    FileIndex GetEncapsulatedFileCount() override;

private:
    struct DemandedResource {
        std::string path;
        std::uint32_t references;
        bool deleteOnRelease;
        unsigned interruptTicket = 0; ///< the copy's removal armed for an interrupt
    };
    struct OpenHandle {
        Accessor* container;
        FileHandle containerHandle;
        NWN::ResType type;
    };
    /// A container as the index entries from it name it.
    struct EntrySource {
        Accessor* container;
        std::uint32_t tier;
        std::uint32_t positionFromEnd; ///< counted from 1 at the end of the tier
    };
    /// An index entry as its users see it: its source and its place there.
    struct IndexEntry : EntrySource {
        FileIndex index;
    };
    /// An index entry as it is kept: its source's number and its own within that source. A game
    /// holds a few hundred thousand of them.
    struct FiledEntry {
        std::uint32_t source;
        std::uint32_t index;
    };
    static_assert(sizeof(FiledEntry) == 8);

    IndexEntry EntryAt(std::size_t number) const
    {
        const FiledEntry filed = m_Entries[number];
        return {m_EntrySources[filed.source], filed.index};
    }

    void Warn(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // Load steps.
    void LoadModuleSource(const std::string& moduleName);
    void LoadHaks(const std::vector<NWN::ResRef32>& listed);
    std::vector<NWN::ResRef32> DistinctHaks(const std::vector<NWN::ResRef32>& haks);
    /// The campaign's folder, right below the pwc directories; a campaign not found is reported.
    void LoadCampaign(const std::string& campaignId);
    void LoadDirectories();
    /// The .zip archives directly in folder, in listing order, named tier in the record.
    void LoadZipArchives(const std::string& folder, const char* tier);
    /// The Enhanced Edition's "enhanced/data" folder of the installation, when there is one: its
    /// archives, then its tree, above the Data archives.
    void LoadEnhancedData();
    void LoadTalkTables(const std::string& customTlk);
    void LoadModelConverter();
    /// The home directory's path when it exists, else the installation's (the game's search rule).
    std::string HomeOrInstallPath(const std::string& relative) const;

    // What the load does, for the source paths and, when there is one, the recorder
    // (ResourceManagerRecord.cpp).
    void NoteAttached(Tier tier, const Accessor* container);
    /// Names the source attached last.
    void NameLastSource(const char* tier, const std::string& path);
    void NoteFailedSource(Tier stackTier, const char* tier, const std::string& path, const char* failure);
    /// failure, with the system's reason after it when path names a file the system does not open.
    static std::string WithSystemReason(const std::string& path, const char* failure);
    /// Puts the tried sources in precedence order; called before the index is built.
    void OrderSources();
    /// Hands the recorder, which must be there, a batch of entries of the source at position
    /// (from the end) in tier, with added[i] true for those the index took.
    void NoteEntries(std::uint32_t tier, std::size_t position, std::span<const ResourceIndex::Candidate> batch,
                     const bool* added);
    void NoteTableFailure(const std::string& table, const char* failure);

    std::string Extract(const IndexEntry& entry, const std::string& key, const std::string& name, NWN::ResType type);
    /// The entry Demand would hand out for name (lowered: its lower-cased form); raises as Demand.
    IndexEntry Locate(const std::string& name, const std::string& lowered, NWN::ResType type) const;
    /// True for an entry of a folder, handed out under its own path.
    static bool IsLoose(const IndexEntry& entry);
    /// Where Extract puts its copy of a resource.
    std::string CopyPath(const std::string& name, NWN::ResType type) const;
    /// Opens an archived resource for Extract or ReadArchived; raises their failures to open.
    FileHandle OpenArchived(const IndexEntry& entry, const std::string& name);
    /// Called in a handler: raises the failure of Extract or ReadArchived as they raise it (a
    /// machine's failure as it is, no memory as one, anything else after its warning).
    [[noreturn]] void RethrowArchivedFailure(const std::string& name, NWN::ResType type);
    /// The bytes of an archived resource, read as Extract copies them, with its warnings and failures.
    /// An entry of more than sizeLimit bytes is closed unread: no bytes, its size in oversized.
    std::string ReadArchived(const IndexEntry& entry, const std::string& name, NWN::ResType type,
                             std::uint64_t sizeLimit, std::uint64_t& oversized);
    FileHandle RegisterHandle(Accessor* container, FileHandle containerHandle, NWN::ResType type);
    FileHandle DrawHandle();
    std::shared_ptr<TwoDAFileReader> Load2DA(const std::string& name);
    /// Throws when the copy of a table that a demand would hand out, kept by a container outside
    /// the override and pwc folders, is larger than a table may be.
    void RefuseOversizedTable(const std::string& name);
    /// Throws the refusal of the table entry, of size bytes, that the container holds.
    [[noreturn]] void ThrowOversizedTable(const Accessor& container, const std::string& lowered,
                                          std::uint64_t size) const;

    IDebugTextOut* m_TextOut;
    FileHandle m_NextHandle = 0;
    std::string m_ModuleName;
    std::string m_HomeDirectory;
    std::string m_InstallDirectory;
    std::shared_ptr<TlkFileReader<NWN::ResRef16>> m_BaseTlk;
    std::shared_ptr<TlkFileReader<NWN::ResRef16>> m_AlternateTlk;
    std::map<std::string, std::shared_ptr<TwoDAFileReader>> m_2DACache;
    std::array<std::vector<Accessor*>, TierCount> m_Tiers;
    std::map<std::string, DemandedResource> m_Demanded;
    std::vector<std::shared_ptr<Accessor>> m_ErfContainers;
    std::vector<std::shared_ptr<DirectoryContainer>> m_DirectoryContainers;
    std::vector<std::shared_ptr<Accessor>> m_ZipContainers;
    std::map<FileHandle, OpenHandle> m_OpenHandles;
    ResourceIndex m_ResourceIndex;
    std::vector<FiledEntry> m_Entries; ///< by the number the index files their key under
    std::vector<EntrySource> m_EntrySources;
    std::shared_ptr<Gr2Accessor> m_ModelConverter;
    bool m_ModelConverterTried = false;
    /// The path of every stacked source, for messages.
    std::map<const Accessor*, std::string> m_SourcePaths;
    const Accessor* m_LastAttached = nullptr;
    /// Keeps the load record; null unless a record was asked for.
    std::unique_ptr<LoadRecorder> m_Recorder;
    /// Declared last, so that it is made after everything else and gone before it: by then the
    /// destructor has released the copies in it.
    InstanceFolder m_Instance;
};

/// Loads the module alone (its own archive or directory, override and pwc directories, talk
/// table, model converter), so that its information resource can be read.
void LoadModuleOnly(const std::string& installDirectory, ResourceManager& manager, const std::string& moduleName,
                    const std::string& homeDirectory);

} // namespace brindle
