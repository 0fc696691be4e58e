// The load record the run report shows: every source in precedence order with its counts, every copy
// of each game table, and the tables that could not be read. Kept only when asked for.
#include "resources/ResourceManager.h"

#include "platform/Ascii.h"
#include "resources/ResourceNames.h"
#include "resources/ResourceTypes.h"

#include <algorithm>

namespace brindle {

namespace {

const char* KindOf(ResourceManager::Tier tier)
{
    switch (tier) {
    case ResourceManager::TierArchive:
        return "ERF";
    case ResourceManager::TierDirectory:
        return "directory";
    default:
        return "ZIP";
    }
}

} // namespace

void ResourceManager::NoteAttached(Tier tier, const Accessor* container)
{
    m_LastAttached = container;
    if (!m_KeepRecord)
        return;
    // The Enhanced Edition's folder is a directory stacked among the archives.
    const char* kind = dynamic_cast<const DirectoryContainer*>(container) != nullptr ? "directory" : KindOf(tier);
    m_Attempts.push_back({SourceRecord{{}, kind, {}, 0, 0, true, {}}, tier, container});
}

void ResourceManager::NameLastSource(const char* tier, const std::string& path)
{
    if (m_LastAttached != nullptr)
        m_SourcePaths[m_LastAttached] = path;
    if (!m_KeepRecord || m_Attempts.empty())
        return;
    m_Attempts.back().record.tier = tier;
    m_Attempts.back().record.path = path;
}

void ResourceManager::NoteFailedSource(Tier stackTier, const char* tier, const std::string& path,
                                       const char* failure)
{
    if (m_KeepRecord)
        m_Attempts.push_back({SourceRecord{tier, KindOf(stackTier), path, 0, 0, false, failure}, stackTier, nullptr});
}

void ResourceManager::OrderSources()
{
    m_Record = {};
    m_SourceNumbers = {};
    if (!m_KeepRecord)
        return;
    // Within a tier the source stacked last is searched first, and a source that failed stands
    // where it would have been stacked.
    for (std::uint32_t tier = 0; tier < TierCount; ++tier) {
        const std::size_t stacked = m_Tiers[tier].size();
        m_SourceNumbers[tier].assign(stacked, LoadRecord::npos);
        std::size_t below = 0; // sources of the tier stacked before the one looked at
        for (const SourceAttempt& attempt : m_Attempts)
            if (attempt.stackTier == tier && attempt.container != nullptr)
                ++below;
        below = std::min(below, stacked);
        for (auto attempt = m_Attempts.rbegin(); attempt != m_Attempts.rend(); ++attempt) {
            if (attempt->stackTier != tier)
                continue;
            const auto number = static_cast<std::uint32_t>(m_Record.sources.size());
            m_Record.sources.push_back(attempt->record);
            if (attempt->container == nullptr || below == 0)
                continue;
            --below;
            Accessor* container = m_Tiers[tier][below];
            m_Record.sources.back().entries = container->GetEncapsulatedFileCount();
            m_SourceNumbers[tier][stacked - 1 - below] = number;
        }
    }
}

void ResourceManager::NoteEntries(std::uint32_t source, std::span<const ResourceIndex::Candidate> batch,
                                  const bool* added)
{
    if (source >= m_Record.sources.size())
        return;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (added[i])
            continue;
        // The copy the index holds came from a source searched earlier (or from this one).
        const std::string name = ToText(batch[i].name);
        const std::uint32_t filed = m_ResourceIndex.Find(batch[i].type, name);
        const std::uint32_t winner = filed == ResourceIndex::npos ? LoadRecord::npos : GetEntrySource(filed);
        if (winner != source && winner != LoadRecord::npos)
            m_Record.beaten.push_back({name, batch[i].type, winner, source});
    }
    SourceRecord& record = m_Record.sources[source];
    for (const ResourceIndex::Candidate& entry : batch) {
        if (entry.type == ResTypeMdb) {
            ++record.models;
        } else if (entry.type == ResType2da) {
            auto& copies = m_Record.tableCopies[ascii::ToLower(ToText(entry.name))];
            // One source may hold a table twice; it is one copy in the stack.
            if (copies.empty() || copies.back() != source)
                copies.push_back(source);
        }
    }
}

void ResourceManager::NoteTableFailure(const std::string& table, const char* failure)
{
    if (m_KeepRecord)
        m_Record.tableFailures.emplace(table, failure);
}

std::uint32_t ResourceManager::GetEntrySource(FileIndex index) const
{
    if (!m_KeepRecord || index >= m_Entries.size())
        return LoadRecord::npos;
    const IndexEntry& entry = m_Entries[static_cast<std::size_t>(index)];
    const auto& numbers = m_SourceNumbers[entry.tier];
    return entry.positionFromEnd - 1 < numbers.size() ? numbers[entry.positionFromEnd - 1] : LoadRecord::npos;
}

} // namespace brindle
