// Builds ERF archives (modules, HAKs) in memory for tests, demos and benchmarks.
#pragma once

#include "resources/ResRef.h"

#include <string>
#include <string_view>
#include <vector>

namespace brindle::test {

struct ErfEntry {
    std::string name;   ///< stored as given (no case change), cut to 32 bytes
    NWN::ResType type;
    std::string data;
};

/// A well-formed archive: 160-byte header, key list, resource list, then the data of each entry in
/// order. fileType is written into the first four header bytes (padded or cut to four).
std::string BuildErf(const std::vector<ErfEntry>& entries, std::string_view fileType = "HAK ");

} // namespace brindle::test
