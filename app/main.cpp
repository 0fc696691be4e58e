// Entry point: the driver reads the settings and performs the lister run; arguments are not read.
#include "app/Driver.h"
#include "app/ListerRun.h"
#include "app/PrintfTextOut.h"
#include "platform/Process.h"

int main()
{
    // Before anything opens a file: a closed standard output must not hand its number to the script.
    brindle::platform::EnsureStandardDescriptors();
    brindle::PrintfTextOut console;
    return brindle::RunDriver(console, [](const brindle::RunContext& context) { brindle::RunLister(context); });
}
