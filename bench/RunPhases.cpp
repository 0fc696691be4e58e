// Performs the whole run exactly as the tool does (same driver, same lister run, same output) and
// then reports how long each of its phases took, for bench/run:
//   brindle_bench_phases [directory]
// The directory holds the configuration (default: the working directory). The console report goes
// to standard output as usual; the phase times go to standard error as one line
// "phases load=<s> tables=<s> classification=<s> script=<s>", then the page faults of each phase as
// "faults load=<n> tables=<n> classification=<n> script=<n> total=<n>".
#include "app/Driver.h"
#include "app/ListerRun.h"
#include "app/PrintfTextOut.h"
#include "platform/Memory.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include <sys/resource.h>

namespace {

std::uint64_t PageFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_minflt) + static_cast<std::uint64_t>(usage.ru_majflt);
}

} // namespace

int main(int argc, char** argv)
{
    // As the tool sets its heap up.
    brindle::platform::PrepareHeapForRun();
    brindle::PrintfTextOut console;
    brindle::PhaseTimes phases;
    phases.faultCounter = PageFaults;
    const std::string directory = argc > 1 ? argv[1] : "";
    const int status = brindle::RunDriver(
        console, [&phases](const brindle::RunContext& context) { brindle::RunLister(context, &phases); }, directory);
    std::fflush(stdout);
    std::fprintf(stderr, "phases load=%.6f tables=%.6f classification=%.6f script=%.6f\n", phases.load, phases.tables,
                 phases.classification, phases.script);
    std::fprintf(stderr, "faults load=%llu tables=%llu classification=%llu script=%llu total=%llu\n",
                 static_cast<unsigned long long>(phases.loadFaults),
                 static_cast<unsigned long long>(phases.tablesFaults),
                 static_cast<unsigned long long>(phases.classificationFaults),
                 static_cast<unsigned long long>(phases.scriptFaults), static_cast<unsigned long long>(PageFaults()));
    return status;
}
