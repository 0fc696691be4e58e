// Performs the whole run exactly as the tool does (same driver, same lister run, same output) and
// then reports how long each of its phases took, for bench/run:
//   brindle_bench_phases [directory]
// The directory holds the configuration (default: the working directory). The console report goes
// to standard output as usual; the phase times go to standard error as one line
// "phases load=<s> tables=<s> classification=<s> script=<s>".
#include "app/Driver.h"
#include "app/ListerRun.h"
#include "app/PrintfTextOut.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    brindle::PrintfTextOut console;
    brindle::PhaseTimes phases;
    const std::string directory = argc > 1 ? argv[1] : "";
    const int status = brindle::RunDriver(
        console, [&phases](const brindle::RunContext& context) { brindle::RunLister(context, &phases); }, directory);
    std::fflush(stdout);
    std::fprintf(stderr, "phases load=%.6f tables=%.6f classification=%.6f script=%.6f\n", phases.load, phases.tables,
                 phases.classification, phases.script);
    return status;
}
