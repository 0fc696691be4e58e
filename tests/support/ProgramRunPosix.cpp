// Capturing and closing standard output for tests, on POSIX systems.
#include "tests/support/ProgramRun.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace brindle::test {

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char path[] = "/tmp/brindle-stdout-XXXXXX";
    m_CaptureFile = ::mkstemp(path);
    if (m_CaptureFile < 0)
        throw std::runtime_error("mkstemp failed");
    ::unlink(path);
    m_SavedStdout = ::dup(STDOUT_FILENO);
    ::dup2(m_CaptureFile, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    ::dup2(m_SavedStdout, STDOUT_FILENO);
    ::close(m_SavedStdout);
    ::close(m_CaptureFile);
}

std::string StdoutCapture::Text() const
{
    std::fflush(stdout);
    std::string text;
    char buffer[4096];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(m_CaptureFile, buffer, sizeof(buffer), at);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    return text;
}

ClosedStdout::ClosedStdout()
{
    int ends[2];
    if (::pipe(ends) != 0)
        throw std::runtime_error("pipe failed");
    ::close(ends[0]);
    m_WriteEnd = ends[1];
    std::fflush(stdout);
    m_SavedStdout = ::dup(STDOUT_FILENO);
    ::dup2(m_WriteEnd, STDOUT_FILENO);
}

ClosedStdout::~ClosedStdout()
{
    std::fflush(stdout);
    ::dup2(m_SavedStdout, STDOUT_FILENO);
    ::close(m_SavedStdout);
    ::close(m_WriteEnd);
}

} // namespace brindle::test
