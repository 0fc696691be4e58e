// Child processes for tests on POSIX systems: fork, exec and two pipes.
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace brindle::test {

namespace {

/// This process's environment with the given variables set, as NAME=value texts.
std::vector<std::string> MergedEnvironment(const Environment& overrides)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        bool overridden = false;
        for (const auto& [name, value] : overrides)
            overridden = overridden || text.compare(0, name.size() + 1, name + "=") == 0;
        if (!overridden)
            merged.push_back(text);
    }
    for (const auto& [name, value] : overrides)
        merged.push_back(name + "=" + value);
    return merged;
}

} // namespace

ChildProcess::ChildProcess(const std::string& executable, const std::string& workingDirectory,
                           const Environment& environment, const Arguments& arguments)
{
    // Everything the child needs is built before the fork.
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(executable.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

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
        if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)
            ::_exit(126);
        ::execve(executable.c_str(), argv.data(), envp.data());
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

std::string ChildProcess::ReadAll()
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_Output), buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
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
    m_ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_Running = false;
}

} // namespace brindle::test
