// What the load tells its recorder, when it has one: the recorder is made only when the run report
// is asked for, and every hook here passes on to it or does nothing. The source paths are kept
// either way, for messages.
#include "resources/ResourceManager.h"

#include "platform/File.h"
#include "resources/LoadRecorder.h"

namespace brindle {

void ResourceManager::KeepLoadRecord()
{
    if (!m_Recorder)
        m_Recorder = std::make_unique<LoadRecorder>();
}

const LoadRecord& ResourceManager::GetLoadRecord() const
{
    static const LoadRecord kNothingKept;
    return m_Recorder ? m_Recorder->Record() : kNothingKept;
}

LoadRecord ResourceManager::TakeLoadRecord()
{
    return m_Recorder ? m_Recorder->TakeRecord() : LoadRecord();
}

void ResourceManager::NoteAttached(Tier tier, const Accessor* container)
{
    m_LastAttached = container;
    if (m_Recorder)
        m_Recorder->NoteAttached(tier, container);
}

void ResourceManager::NameLastSource(const char* tier, const std::string& path)
{
    if (m_LastAttached != nullptr)
        m_SourcePaths[m_LastAttached] = path;
    if (m_Recorder)
        m_Recorder->NameLastSource(tier, path);
}

void ResourceManager::NoteFailedSource(Tier stackTier, const char* tier, const std::string& path,
                                       const char* failure)
{
    if (m_Recorder)
        m_Recorder->NoteFailedSource(stackTier, tier, path, WithSystemReason(path, failure));
}

std::string ResourceManager::WithSystemReason(const std::string& path, const char* failure)
{
    // Only a file the system would not open has a reason of the system's; a missing name that is
    // no path (a module not found) is said well enough by the failure itself.
    if (path.find_first_of("/\\") == std::string::npos)
        return failure;
    std::error_code reason;
    const platform::OwnedFile file(
        platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::Normal, reason));
    // A folder or a FIFO in an archive's place is said to be no regular file already.
    if (file || !reason || reason == std::errc::is_a_directory || reason == std::errc::invalid_argument)
        return failure;
    return std::string(failure) + " (" + reason.message() + ")";
}

void ResourceManager::OrderSources()
{
    if (m_Recorder)
        m_Recorder->OrderSources(m_Tiers);
}

void ResourceManager::NoteEntries(std::uint32_t tier, std::size_t position,
                                  std::span<const ResourceIndex::Candidate> batch, const bool* added)
{
    m_Recorder->NoteEntries(tier, position, batch, added, [this](NWN::ResType type, const std::string& name) {
        const std::uint32_t filed = m_ResourceIndex.Find(type, name);
        return filed == ResourceIndex::npos ? LoadRecord::npos : GetEntrySource(filed);
    });
}

void ResourceManager::NoteTableFailure(const std::string& table, const char* failure)
{
    if (m_Recorder)
        m_Recorder->NoteTableFailure(table, failure);
}

std::uint32_t ResourceManager::GetEntrySource(FileIndex index) const
{
    if (!m_Recorder || index >= m_Entries.size())
        return LoadRecord::npos;
    const IndexEntry entry = EntryAt(static_cast<std::size_t>(index));
    return m_Recorder->SourceOf(entry.tier, entry.positionFromEnd);
}

} // namespace brindle
