// Standard descriptors a process starts without are taken before any file the program opens.
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace brindle::platform {
namespace {

/// In the child of a death test: 0 when descriptors 0 to 2 are open afterwards and the next file
/// opened lands above them; otherwise the number of the check that failed.
int CheckAfterClosing(const char* nullDevice, bool writable)
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        ::close(fd);
    EnsureStandardDescriptors(nullDevice);
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) == -1)
            return 1 + fd;
    if ((::write(STDOUT_FILENO, "x", 1) == 1) != writable)
        return 4;
    return ::open(".", O_RDONLY | O_DIRECTORY) > STDERR_FILENO ? 0 : 5;
}

TEST(ProcessPosixTest, ClosedStandardDescriptorsAreTaken)
{
    // The null device, and the placeholder for a system without one.
    EXPECT_EXIT(::_exit(CheckAfterClosing("/dev/null", true)), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(::_exit(CheckAfterClosing("/nonexistent/null", false)), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace brindle::platform
