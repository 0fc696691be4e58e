// Conversions between text and resource names, resource keys, and the check that refuses names
// which could escape a directory or name a device.
#pragma once

#include "resources/ResRef.h"

#include <string>
#include <string_view>

namespace brindle {

/// The first 32 characters of text, lower-cased, zero-filled.
NWN::ResRef32 ToResRef32(std::string_view text);
/// The first 16 characters of text, lower-cased, zero-filled.
NWN::ResRef16 ToResRef16(std::string_view text);
/// The name up to its first zero byte (at most 32 characters), lower-cased.
std::string ToText(const NWN::ResRef32& name);
/// The name up to its first zero byte (at most 32 characters), unchanged.
std::string RawText(const NWN::ResRef32& name);
/// The same characters, viewed where name holds them.
std::string_view RawView(const NWN::ResRef32& name);

/// The key under which the manager files a resource: decimal type, "T", the name unchanged.
std::string MakeResourceKey(NWN::ResType type, std::string_view name);

/// Throws std::runtime_error for a name with path characters or one that names a DOS device.
void ValidateResourceName(std::string_view name);

} // namespace brindle
