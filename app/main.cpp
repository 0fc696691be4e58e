// Entry point: the driver reads the settings and performs the lister run; arguments are not read.
#include "app/Driver.h"
#include "app/ListerRun.h"
#include "app/PrintfTextOut.h"

int main()
{
    brindle::PrintfTextOut console;
    return brindle::RunDriver(console, [](const brindle::RunContext& context) { brindle::RunLister(context); });
}
