// The load record as the load goes: sources as they are tried, then put in precedence order before
// the index is built, then the entries of each source as the index files them.
#include "resources/LoadRecorder.h"

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

void LoadRecorder::NoteAttached(Tier stackTier, const Accessor* container)
{
    // The Enhanced Edition's folder is a directory stacked among the archives.
    const char* kind = dynamic_cast<const ResourceManager::DirectoryContainer*>(container) != nullptr
                           ? "directory"
                           : KindOf(stackTier);
    m_Attempts.push_back({SourceRecord{{}, kind, {}, 0, 0, true, {}}, stackTier, container});
}

void LoadRecorder::NameLastSource(const char* tier, const std::string& path)
{
    if (m_Attempts.empty())
        return;
    m_Attempts.back().record.tier = tier;
    m_Attempts.back().record.path = path;
}

void LoadRecorder::NoteFailedSource(Tier stackTier, const char* tier, const std::string& path, std::string failure)
{
    m_Attempts.push_back(
        {SourceRecord{tier, KindOf(stackTier), path, 0, 0, false, std::move(failure)}, stackTier, nullptr});
}

void LoadRecorder::OrderSources(const Stack& stack)
{
    m_Record = {};
    m_SourceNumbers = {};
    // Within a tier the source stacked last is searched first, and a source that failed stands
    // where it would have been stacked.
    for (std::uint32_t tier = 0; tier < stack.size(); ++tier) {
        const std::size_t stacked = stack[tier].size();
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
            Accessor* container = stack[tier][below];
            m_Record.sources.back().entries = container->GetEncapsulatedFileCount();
            m_SourceNumbers[tier][stacked - 1 - below] = number;
        }
    }
}

std::uint32_t LoadRecorder::SourceOf(std::uint32_t tier, std::size_t positionFromEnd) const
{
    if (tier >= m_SourceNumbers.size())
        return LoadRecord::npos;
    const auto& numbers = m_SourceNumbers[tier];
    return positionFromEnd - 1 < numbers.size() ? numbers[positionFromEnd - 1] : LoadRecord::npos;
}

void LoadRecorder::NoteEntries(std::uint32_t tier, std::size_t positionFromEnd,
                               std::span<const ResourceIndex::Candidate> batch, const bool* added,
                               const FiledSource& filedSource)
{
    const std::uint32_t source = SourceOf(tier, positionFromEnd);
    if (source >= m_Record.sources.size())
        return;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (added[i])
            continue;
        // The copy the index holds came from a source searched earlier (or from this one).
        const std::string name = ToText(batch[i].name);
        const std::uint32_t winner = filedSource(batch[i].type, name);
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

void LoadRecorder::NoteTableFailure(const std::string& table, const char* failure)
{
    m_Record.tableFailures.emplace(table, failure);
}

void LoadRecorder::Clear()
{
    m_Attempts.clear();
    m_Record = {};
    m_SourceNumbers = {};
}

} // namespace brindle
