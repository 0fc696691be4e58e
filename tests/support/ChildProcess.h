// A program run as a child process for tests: the built tool, or a helper that keeps a second
// process alive. Its standard input is a pipe from the test (closing it tells a helper to finish)
// and its standard output a pipe to the test.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brindle::test {

/// Environment variables to set (or override) for a child. TMPDIR names the temporary directory
/// on every system (Windows takes it from TMP).
using Environment = std::vector<std::pair<std::string, std::string>>;

/// Arguments given to a child after its program name.
using Arguments = std::vector<std::string>;

class ChildProcess {
public:
    /// Starts executable with the given arguments, in workingDirectory (empty: this process's), with
    /// this process's environment plus the given variables; throws std::runtime_error when it cannot
    /// be started.
    explicit ChildProcess(const std::string& executable, const std::string& workingDirectory = {},
                          const Environment& environment = {}, const Arguments& arguments = {});
    /// Finishes the child if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// The child's process id.
    unsigned long Id() const { return m_Id; }
    /// The next line the child writes, without its line end; empty at the end of its output.
    std::string ReadLine();
    /// Everything the child writes until it closes its output.
    std::string ReadAll();
    /// Closes the child's input and waits for it to exit.
    void Finish();
    /// Ends the child at once, without letting it clean up, and waits for it.
    void Kill();
    /// Once the child has ended: its exit status, or -1 when it did not exit normally.
    int ExitStatus() const { return m_ExitStatus; }

private:
    void Wait();

    unsigned long m_Id = 0;
    std::intptr_t m_Process = -1; ///< the process handle on Windows; unused on POSIX
    std::intptr_t m_Input = -1;   ///< writing end of the child's standard input
    std::intptr_t m_Output = -1;  ///< reading end of the child's standard output
    bool m_Running = false;
    int m_ExitStatus = -1;
};

} // namespace brindle::test
