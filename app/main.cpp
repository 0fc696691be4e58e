// Entry point: the driver does all the work; arguments are not read.
#include "app/Driver.h"
#include "app/PrintfTextOut.h"

int main()
{
    brindle::PrintfTextOut console;
    // The lister run is not plugged in yet: the program ends after checking its settings.
    return brindle::RunDriver(console, brindle::ListerRun());
}
