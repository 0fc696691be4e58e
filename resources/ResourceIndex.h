// The resource manager's combined index: resource type and name to the number of an index entry,
// in one flat table. Names are filed lower-cased up to their first zero byte, exactly as the
// resource key text ("2017Tgender") would hold them, so a lookup finds what the key would find.
#pragma once

#include "platform/Memory.h"
#include "resources/ResRef.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace brindle {

/// Raised (std::length_error) when more keys are filed than numbers can tell apart.
inline constexpr const char* kResourceIndexTooLarge = "resource index too large";

class ResourceIndex {
public:
    static constexpr std::uint32_t npos = UINT32_MAX;

    /// Makes room for count keys, so that filing them allocates nothing more.
    void Reserve(std::size_t count);
    /// One key to file.
    struct Candidate {
        NWN::ResType type;
        NWN::ResRef32 name;
    };

    /// Files (type, name) under the next number (the count of keys filed so far) unless that key
    /// is already filed; true when it was added.
    bool TryInsert(NWN::ResType type, const NWN::ResRef32& name);
    /// Files the candidates in order, exactly as TryInsert would one after the other; added[i]
    /// tells whether candidate i was new. The slots of a batch are fetched together, which spares
    /// most of the wait for memory that filing keys one by one costs in a large index.
    void TryInsertBatch(std::span<const Candidate> candidates, bool* added);
    /// The number filed under (type, name), or npos. A name longer than 32 characters or holding a
    /// zero byte is never filed.
    std::uint32_t Find(NWN::ResType type, std::string_view name) const;
    /// Number of keys filed.
    std::size_t Size() const { return m_Keys.size(); }
    /// The type of the key filed under number (< Size()).
    NWN::ResType TypeOf(std::uint32_t number) const { return m_Keys[number].type; }
    /// Number of keys filed with this type.
    std::size_t CountOfType(NWN::ResType type) const;
    /// Forgets every key and gives back the memory.
    void Clear();

private:
    struct KEY {
        char name[32];      ///< lower-cased, zero-filled after the name
        NWN::ResType type;
    };
    static_assert(sizeof(KEY) == 34);

    struct SLOT {
        std::uint32_t number; ///< number + 1 of the key filed here, 0 for a free slot
        std::uint32_t tag;    ///< high half of the key's hash: most other keys are passed over without a look at them
    };
    static_assert(sizeof(SLOT) == 8);

    static KEY MakeKey(NWN::ResType type, const NWN::ResRef32& name);
    static std::uint64_t Hash(const KEY& key);
    /// Grows the table, if need be, so that count more keys keep it at most half full.
    void MakeRoom(std::size_t count);
    /// Files key with its hash unless it is already filed; true when it was added.
    bool Insert(const KEY& key, std::uint64_t hash);
    static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
    /// The slot holding key, or the free slot where it belongs.
    std::size_t Slot(const KEY& key, std::uint64_t hash) const;
    void Rehash(std::size_t slotCount);

    // Both are filled right after they are made: megabytes that large pages fill with a few faults.
    platform::LargeVector<KEY> m_Keys;   ///< by number
    platform::LargeVector<SLOT> m_Slots; ///< a power of two in size
};

} // namespace brindle
