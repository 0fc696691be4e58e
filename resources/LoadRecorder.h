// Keeps what the run report shows of a load: every source in precedence order with its counts,
// every copy of each game table, and the tables that could not be read. The manager is given one
// only when a report is asked for, and tells it what the load does.
#pragma once

#include "resources/LoadRecord.h"
#include "resources/ResourceIndex.h"
#include "resources/ResourceManager.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace brindle {

class LoadRecorder {
public:
    using Accessor = ResourceManager::Accessor;
    using Tier = ResourceManager::Tier;
    using Stack = std::array<std::vector<Accessor*>, ResourceManager::TierCount>;
    /// The number of the source whose copy of (type, name) the index holds, or LoadRecord::npos.
    using FiledSource = std::function<std::uint32_t(NWN::ResType type, const std::string& name)>;

    /// A source joined the stack of stackTier.
    void NoteAttached(Tier stackTier, const Accessor* container);
    /// Names the source noted last.
    void NameLastSource(const char* tier, const std::string& path);
    void NoteFailedSource(Tier stackTier, const char* tier, const std::string& path, std::string failure);
    /// Puts the tried sources in precedence order and numbers the stacked ones; called before the
    /// index is built.
    void OrderSources(const Stack& stack);
    /// The number in Record().sources of the source at positionFromEnd (from 1) in tier, or
    /// LoadRecord::npos.
    std::uint32_t SourceOf(std::uint32_t tier, std::size_t positionFromEnd) const;
    /// Counts the models and table copies among a batch of entries of that source, and notes those
    /// the index did not add (added[i] false) that another source beats.
    void NoteEntries(std::uint32_t tier, std::size_t positionFromEnd, std::span<const ResourceIndex::Candidate> batch,
                     const bool* added, const FiledSource& filedSource);
    void NoteTableFailure(const std::string& table, const char* failure);
    /// Forgets the last load.
    void Clear();

    const LoadRecord& Record() const { return m_Record; }
    /// The record, moved out: an empty one stays.
    LoadRecord TakeRecord() { return std::exchange(m_Record, LoadRecord()); }

private:
    /// A source as the load tried it, in the order tried.
    struct SourceAttempt {
        SourceRecord record;
        Tier stackTier;
        const Accessor* container; ///< null when it failed to load
    };

    std::vector<SourceAttempt> m_Attempts;
    LoadRecord m_Record;
    /// Per tier, by position-from-end minus 1: the source's number in m_Record.sources.
    std::array<std::vector<std::uint32_t>, ResourceManager::TierCount> m_SourceNumbers;
};

} // namespace brindle
