// Which family of operating system this build is for. Only code that cannot be written once for
// both looks at it: tests of behaviour that exists on one family alone (fork, flock, symbolic links
// without privileges, resource limits) skip themselves on the other.
#pragma once

#if defined(_WIN32)
#define BRINDLE_POSIX 0
#else
#define BRINDLE_POSIX 1
#endif
