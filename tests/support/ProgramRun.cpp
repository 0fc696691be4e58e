// Running programs and capturing standard output for tests.
#include "tests/support/ProgramRun.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
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

ProgramResult RunProgram(const std::string& executable, const std::string& workingDirectory,
                         const Environment& environment)
{
    // Everything the child needs is built before the fork.
    std::vector<std::string> variables = MergedEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        if (::chdir(workingDirectory.c_str()) != 0)
            ::_exit(126);
        char* const argv[] = {const_cast<char*>(executable.c_str()), nullptr};
        ::execve(executable.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    ProgramResult result{{}, -1};
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeEnds[0], buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    return result;
}

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

} // namespace brindle::test
