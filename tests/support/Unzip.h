// An independent extractor to check the ZIP container against: the system's unzip command.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brindle::test {

/// The bytes `unzip -p` extracts for one member, or nullopt when unzip cannot be run.
std::optional<std::string> UnzipMember(const std::string& archive, const std::string& member);

/// The member names `unzip -Z1` lists, in archive order; empty when unzip cannot be run.
std::vector<std::string> UnzipListing(const std::string& archive);

/// Splits unzip's listing into names, whatever its line ends.
std::vector<std::string> SplitListing(const std::string& text);

} // namespace brindle::test
