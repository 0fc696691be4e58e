// What a load leaves behind for the run report when the manager is asked to keep it: every source
// of the stack in precedence order (those that failed to load included), every copy of each game
// table that the stack holds, and every copy of any resource that a source higher up beats.
#pragma once

#include "resources/ResRef.h"

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

/// A copy of a resource that a source higher up holds as well: the game never reads it.
struct BeatenCopy {
    std::string name;       ///< lower-cased, as the index files it
    NWN::ResType type = NWN::ResTypeInvalid;
    std::uint32_t winner = 0; ///< the source of the copy that wins
    std::uint32_t beaten = 0; ///< the source of this copy
};

struct LoadRecord {
    static constexpr std::uint32_t npos = UINT32_MAX;

    /// Highest precedence first; a source that failed stands where it would have stood.
    std::vector<SourceRecord> sources;
    /// Lower-cased table name -> the sources holding a copy, in precedence order: the first one won.
    std::map<std::string, std::vector<std::uint32_t>> tableCopies;
    /// Table name -> why the winning copy could not be read.
    std::map<std::string, std::string> tableFailures;
    /// Copies beaten by one of another source, in the order the index met them (the sources from
    /// the top, each source's entries from its last). A source holding a name twice beats nothing.
    std::vector<BeatenCopy> beaten;
};

} // namespace brindle
