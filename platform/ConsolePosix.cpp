// POSIX console: standard output is the console, written as bytes.
#include "platform/Console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/uio.h>
#include <unistd.h>

namespace brindle::platform {

namespace {

struct sigaction g_previousPipeAction {};
int g_consoleCount = 0;

} // namespace

// A reader that went away (stdout piped into a program that quit) must not end the run: console
// failures are ignored, so the write fails with EPIPE instead of raising SIGPIPE.
void AllocateConsole()
{
    if (g_consoleCount++ != 0)
        return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &g_previousPipeAction);
}

void ReleaseConsole()
{
    if (g_consoleCount == 0 || --g_consoleCount != 0)
        return;
    ::sigaction(SIGPIPE, &g_previousPipeAction, nullptr);
}

void WriteConsoleText(std::uint16_t attribute, const char* text, std::size_t length)
{
    if (length == 0)
        return;
    // Anything written through the C streams goes first, so the order on the console holds.
    std::fflush(stdout);

    char colour[kColourSequenceCapacity];
    std::size_t colourLength = 0;
    if (::isatty(STDOUT_FILENO) == 1)
        colourLength = FormatColourSequence(attribute, colour);

    iovec parts[3];
    int count = 0;
    if (colourLength != 0)
        parts[count++] = {colour, colourLength};
    parts[count++] = {const_cast<char*>(text), length};
    if (colourLength != 0)
        parts[count++] = {const_cast<char*>(kColourReset), sizeof(kColourReset) - 1};

    // One write; a partial write (a pipe under pressure) goes on with the rest.
    iovec* next = parts;
    while (count > 0) {
        const ssize_t written = ::writev(STDOUT_FILENO, next, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (written == 0)
            return;
        auto left = static_cast<std::size_t>(written);
        while (count > 0 && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
}

// A terminal stays open after its program ends.
bool IsSoleConsoleProcess()
{
    return false;
}

void WaitForEnter()
{
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    }
}

} // namespace brindle::platform
