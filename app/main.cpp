// Entry point: answers --help and --version; otherwise the driver reads the settings and performs
// the lister run, whatever other arguments are given.
#include "app/CommandLine.h"
#include "app/Driver.h"
#include "app/ListerRun.h"
#include "app/PrintfTextOut.h"
#include "platform/Process.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // Before anything opens a file: a closed standard output must not hand its number to the script.
    brindle::platform::EnsureStandardDescriptors();
    const brindle::CommandLineRequest request = brindle::ReadCommandLine(argc, argv);
    if (request != brindle::CommandLineRequest::Run)
        return brindle::AnswerRequest(request, stdout);
    brindle::PrintfTextOut console;
    return brindle::RunDriver(console, [](const brindle::RunContext& context) { brindle::RunLister(context); });
}
