// The lister run: loads the module's resource stack, reads the game tables, classifies every model
// resource by its name and writes the constants script.
#pragma once

#include "app/Driver.h"

#include <cstdint>

namespace brindle {

/// Seconds spent in each phase of a run, for benchmarks, and the page faults of each phase when a
/// counter of the process's faults so far is given.
struct PhaseTimes {
    double load = 0;
    double tables = 0;
    double classification = 0;
    double script = 0;
    std::uint64_t (*faultCounter)() = nullptr;
    std::uint64_t loadFaults = 0;
    std::uint64_t tablesFaults = 0;
    std::uint64_t classificationFaults = 0;
    std::uint64_t scriptFaults = 0;
};

/// Performs the run for the driver. When phases is given, the time of each phase is stored there.
void RunLister(const RunContext& context, PhaseTimes* phases = nullptr);

} // namespace brindle
