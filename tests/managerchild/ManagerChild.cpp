// Holds a resource manager until its standard input ends: says "ready" once the manager stands
// (its instance directory and liveness marker exist), then waits to be told to finish, or killed.
#include "resources/ResourceManager.h"

#include <cstdio>

int main()
{
    brindle::ResourceManager manager(nullptr);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}
