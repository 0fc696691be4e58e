// Open addressing with linear probing over a power-of-two table kept at most half full; the table
// holds key numbers only, the keys themselves lie in one array.
#include "resources/ResourceIndex.h"

#include "platform/Ascii.h"
#include "platform/ByteWords.h"
#include "platform/Prefetch.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace brindle {

namespace {

constexpr std::size_t kMinimumSlots = 16;

std::uint64_t Load64(const char* bytes)
{
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

std::uint64_t Mix(std::uint64_t value)
{
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
    return value;
}

// Slots for count keys at a load of one half or less.
std::size_t SlotsFor(std::size_t count)
{
    std::size_t slots = kMinimumSlots;
    while (slots / 2 < count) {
        if (slots > SIZE_MAX / 4)
            throw std::length_error(kResourceIndexTooLarge);
        slots *= 2;
    }
    return slots;
}

} // namespace

std::uint64_t ResourceIndex::Hash(const KEY& key)
{
    std::uint64_t hash = key.type;
    for (std::size_t i = 0; i < sizeof(key.name); i += 8)
        hash = Mix(hash ^ Load64(key.name + i)) + i;
    return hash;
}

std::size_t ResourceIndex::Slot(const KEY& key, std::uint64_t hash) const
{
    const std::size_t mask = m_Slots.size() - 1;
    const std::uint32_t tag = Tag(hash);
    for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
        const SLOT& filed = m_Slots[slot];
        if (filed.number == 0)
            return slot;
        if (filed.tag != tag)
            continue;
        const KEY& other = m_Keys[filed.number - 1];
        if (other.type == key.type && std::memcmp(other.name, key.name, sizeof(key.name)) == 0)
            return slot;
    }
}

void ResourceIndex::Reserve(std::size_t count)
{
    m_Keys.reserve(count);
    const std::size_t slots = SlotsFor(count);
    if (slots > m_Slots.size())
        Rehash(slots);
}

void ResourceIndex::Rehash(std::size_t slotCount)
{
    m_Slots.assign(slotCount, SLOT{});
    const std::size_t mask = slotCount - 1;
    for (std::size_t number = 0; number < m_Keys.size(); ++number) {
        const std::uint64_t hash = Hash(m_Keys[number]);
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        while (m_Slots[slot].number != 0)
            slot = (slot + 1) & mask;
        m_Slots[slot] = {static_cast<std::uint32_t>(number + 1), Tag(hash)};
    }
}

ResourceIndex::KEY ResourceIndex::MakeKey(NWN::ResType type, const NWN::ResRef32& name)
{
    static_assert(sizeof(KEY::name) % 8 == 0);
    KEY key;
    key.type = type;
    // Eight bytes at a time: the bytes from the first zero on are cleared, and the upper-case
    // letters among the others get their lower-case bit.
    bool ended = false;
    for (std::size_t i = 0; i < sizeof(key.name); i += 8) {
        std::uint64_t word = ended ? 0 : words::Load(name.RefStr + i);
        if (const std::uint64_t zeros = words::LowestZero(word); zeros != 0) {
            // The lowest byte marked is the first zero (marks above it may be false).
            const unsigned kept = words::FirstMarked(zeros) * 8;
            word = kept == 0 ? 0 : word & (~std::uint64_t{0} >> (64 - kept));
            ended = true;
        }
        words::Store(key.name + i, words::ToLowerAscii(word));
    }
    return key;
}

void ResourceIndex::MakeRoom(std::size_t count)
{
    if (count > npos - m_Keys.size())
        throw std::length_error(kResourceIndexTooLarge);
    if (m_Slots.size() / 2 < m_Keys.size() + count)
        Rehash(SlotsFor(m_Keys.size() + count));
}

bool ResourceIndex::Insert(const KEY& key, std::uint64_t hash)
{
    const std::size_t slot = Slot(key, hash);
    if (m_Slots[slot].number != 0)
        return false;
    m_Slots[slot] = {static_cast<std::uint32_t>(m_Keys.size() + 1), Tag(hash)};
    m_Keys.push_back(key);
    return true;
}

bool ResourceIndex::TryInsert(NWN::ResType type, const NWN::ResRef32& name)
{
    MakeRoom(1);
    const KEY key = MakeKey(type, name);
    return Insert(key, Hash(key));
}

void ResourceIndex::TryInsertBatch(std::span<const Candidate> candidates, bool* added)
{
    constexpr std::size_t kBatch = 32;
    KEY keys[kBatch];
    std::uint64_t hashes[kBatch];
    for (std::size_t first = 0; first < candidates.size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, candidates.size() - first);
        MakeRoom(count);
        const std::size_t mask = m_Slots.size() - 1;
        for (std::size_t i = 0; i < count; ++i) {
            keys[i] = MakeKey(candidates[first + i].type, candidates[first + i].name);
            hashes[i] = Hash(keys[i]);
            platform::PrefetchForRead(&m_Slots[static_cast<std::size_t>(hashes[i]) & mask]);
        }
        for (std::size_t i = 0; i < count; ++i)
            added[first + i] = Insert(keys[i], hashes[i]);
    }
}

std::uint32_t ResourceIndex::Find(NWN::ResType type, std::string_view name) const
{
    KEY key{};
    key.type = type;
    if (m_Keys.empty() || name.size() > sizeof(key.name) || name.find('\0') != std::string_view::npos)
        return npos;
    for (std::size_t i = 0; i < name.size(); ++i)
        key.name[i] = ascii::ToLower(name[i]);
    const std::uint32_t filed = m_Slots[Slot(key, Hash(key))].number;
    return filed == 0 ? npos : filed - 1;
}

std::size_t ResourceIndex::CountOfType(NWN::ResType type) const
{
    return static_cast<std::size_t>(
        std::count_if(m_Keys.begin(), m_Keys.end(), [type](const KEY& key) { return key.type == type; }));
}

void ResourceIndex::Clear()
{
    m_Keys = {};
    m_Slots = {};
}

} // namespace brindle
