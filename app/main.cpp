// Entry point: answers --help and --version, writes a first configuration for --init; otherwise the
// driver reads the settings and performs the lister run (writing nothing with --check), whatever
// other arguments are given.
#include "app/CommandLine.h"
#include "app/Driver.h"
#include "app/ListerRun.h"
#include "app/PrintfTextOut.h"
#include "app/SettingsInit.h"
#include "app/SystemFolderSearch.h"
#include "app/WindowHold.h"
#include "platform/Console.h"
#include "platform/Memory.h"
#include "platform/Process.h"
#include "platform/SystemFamily.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // Before anything opens a file: a closed standard output must not hand its number to the script.
    brindle::platform::EnsureStandardDescriptors();
    brindle::platform::IgnoreFileSizeLimitSignal();
    brindle::platform::PrepareHeapForRun();
    const brindle::CommandLineRequest request = brindle::ReadCommandLine(argc, argv);
    if (request == brindle::CommandLineRequest::Init) {
        brindle::PrintfTextOut console;
        return brindle::WriteInitialSettings(console, brindle::SystemFolderSearch(),
                                             BRINDLE_POSIX ? brindle::SearchPlaces::Linux : brindle::SearchPlaces::Windows);
    }
    if (request == brindle::CommandLineRequest::Help || request == brindle::CommandLineRequest::Version)
        return brindle::AnswerRequest(request, stdout);
    const brindle::RunMode mode =
        request == brindle::CommandLineRequest::Check ? brindle::RunMode::Check : brindle::RunMode::Write;
    brindle::PrintfTextOut console;
    const int status = brindle::RunDriver(
        console, [](const brindle::RunContext& context) { brindle::RunLister(context); }, std::string(), mode);
    // A double-clicked run's window would close before its report could be read.
    brindle::HoldWindowOpen(console, brindle::platform::IsSoleConsoleProcess(), brindle::platform::WaitForEnter);
    return status;
}
