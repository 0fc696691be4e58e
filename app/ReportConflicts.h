// The run report's conflicts: for every resource that more than one source holds, which copy wins
// and which are beaten, grouped per beaten source and per winner for the page, and listed one copy
// a line for the tab-separated file.
#pragma once

#include "resources/LoadRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brindle {

class RunReport;

inline constexpr const char* kReportConflictsExtension = ".conflicts.tsv";

/// The copies of one source that one other source beats.
struct ConflictPair {
    std::uint32_t winner = 0;
    /// Tables first, then models, then every other type; by name within each.
    std::vector<const BeatenCopy*> copies;
};

/// The copies of one source that others beat.
struct SourceConflicts {
    std::uint32_t source = 0;
    std::size_t beaten = 0;
    /// Largest first; of equal counts the winner higher up first.
    std::vector<ConflictPair> pairs;
};

/// The sources with beaten copies, in precedence order. Points into load, which must outlive it.
std::vector<SourceConflicts> GroupConflicts(const LoadRecord& load);

/// Beaten copies per source, indexed like load.sources.
std::vector<std::size_t> BeatenCounts(const LoadRecord& load);

/// A resource type as the report shows it: its extension, or its number when it has none.
std::string TypeText(NWN::ResType type);

/// A header line, then one line per beaten copy sorted by name, type and the beaten copy's
/// precedence: name, type, winner (the container of the copy that wins), beaten (its own).
std::string FormatConflictsTsv(const RunReport& report);

} // namespace brindle
