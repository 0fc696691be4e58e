// List key identities: made from a record, and hashed.
#include "app/KeyIdentity.h"

#include "app/ModelRecord.h"

#include <string_view>

namespace brindle {

namespace {

std::uint64_t Mix(std::uint64_t value)
{
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
    return value;
}

std::uint64_t Address(const std::string* entry)
{
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(entry));
}

} // namespace

std::uint64_t HashOf(const KeyIdentity& identity)
{
    std::uint64_t hash =
        Mix(Address(identity.race) ^ (std::uint64_t{static_cast<unsigned char>(identity.prefix)} << 56));
    hash = Mix(hash ^ Address(identity.gender));
    hash = Mix(hash ^ Address(identity.visual));
    return Mix(hash ^ Address(identity.itemClass) ^ static_cast<unsigned char>(identity.modelPart));
}

KeyIdentity IndexIdentity(const ModelRecord& record)
{
    const std::string_view part = record.ModelPart();
    return {record.Race(),      record.Gender(),         record.VisualEntry(),
            record.ItemClass(), record.Prefix().front(), part.empty() ? '\0' : part.front()};
}

KeyIdentity ArmorVisualTypeIdentity(const ModelRecord& record)
{
    return {record.Race(), record.Gender(), nullptr, record.ItemClass(), record.Prefix().front(), '\0'};
}

} // namespace brindle
