// Child processes for tests on POSIX systems: fork, exec and two pipes.
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brindle::test {

ChildProcess::ChildProcess(const std::string& executable)
{
    int input[2];
    int output[2];
    // Close-on-exec, so that a later child never holds this one's pipes open.
    if (::pipe2(input, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        throw std::runtime_error("pipe failed");
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::close(input[0]);
        ::close(input[1]);
        ::close(output[0]);
        ::close(output[1]);
        ::execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    m_Id = static_cast<unsigned long>(child);
    m_Input = input[1];
    m_Output = output[0];
    m_Running = true;
}

ChildProcess::~ChildProcess()
{
    Finish();
    ::close(static_cast<int>(m_Output));
}

std::string ChildProcess::ReadLine()
{
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_Output), &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            return line;
        line += c;
    }
}

void ChildProcess::Finish()
{
    if (m_Input >= 0) {
        ::close(static_cast<int>(m_Input));
        m_Input = -1;
    }
    Wait();
}

void ChildProcess::Kill()
{
    if (m_Running)
        ::kill(static_cast<pid_t>(m_Id), SIGKILL);
    Finish();
}

void ChildProcess::Wait()
{
    if (!m_Running)
        return;
    int status = 0;
    while (::waitpid(static_cast<pid_t>(m_Id), &status, 0) < 0 && errno == EINTR) {
    }
    m_Running = false;
}

} // namespace brindle::test
