// What a list key is made of: the table entries a record matched, compared by address, so a key's
// text need only be made once per distinct set of entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brindle {

class ModelRecord;

/// The entries a list key is made of. Equal identities make equal keys; different ones may still
/// make keys that read alike. Entries are compared by address: a table holds each entry once.
struct KeyIdentity {
    const std::string* race = nullptr;
    const std::string* gender = nullptr;
    const std::string* visual = nullptr;
    const std::string* itemClass = nullptr;
    char prefix = '\0';
    char modelPart = '\0';

    bool operator==(const KeyIdentity&) const = default;
};

/// A hash of all the identity's fields, for tables keyed by identity.
std::uint64_t HashOf(const KeyIdentity& identity);

struct KeyIdentityHash {
    std::size_t operator()(const KeyIdentity& identity) const { return static_cast<std::size_t>(HashOf(identity)); }
};

/// The identity of the record's list key (ModelRecord::WriteIndex).
KeyIdentity IndexIdentity(const ModelRecord& record);
/// The identity of the record's armor-visual-type list key (ModelRecord::WriteAVTIndex).
KeyIdentity ArmorVisualTypeIdentity(const ModelRecord& record);

} // namespace brindle
