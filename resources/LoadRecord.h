// What a load leaves behind for the run report when the manager is asked to keep it: every source
// of the stack in precedence order (those that failed to load included) and every copy of each game
// table that the stack holds.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brindle {

/// One source of a load.
struct SourceRecord {
    std::string tier;          ///< "HAK", "module", "override", "pwc", "campaign", "Data" or
                               ///< "enhanced"; empty for one attached directly
    std::string kind;          ///< "ERF", "directory" or "ZIP"
    std::string path;          ///< as the load built it
    std::uint64_t entries = 0; ///< resources it holds
    std::uint64_t models = 0;  ///< of which models
    bool loaded = true;
    std::string failure;       ///< why it did not load
};

struct LoadRecord {
    static constexpr std::uint32_t npos = UINT32_MAX;

    /// Highest precedence first; a source that failed stands where it would have stood.
    std::vector<SourceRecord> sources;
    /// Lower-cased table name -> the sources holding a copy, in precedence order: the first one won.
    std::map<std::string, std::vector<std::uint32_t>> tableCopies;
    /// Table name -> why the winning copy could not be read.
    std::map<std::string, std::string> tableFailures;
};

} // namespace brindle
