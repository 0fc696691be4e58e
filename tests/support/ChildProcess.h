// A helper program run as a child process for tests that need a second live process: its standard
// input is a pipe from the test (closing it tells the child to finish) and its standard output a
// pipe to the test.
#pragma once

#include <cstdint>
#include <string>

namespace brindle::test {

class ChildProcess {
public:
    /// Starts executable without arguments; throws std::runtime_error when it cannot be started.
    explicit ChildProcess(const std::string& executable);
    /// Finishes the child if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// The child's process id.
    unsigned long Id() const { return m_Id; }
    /// The next line the child writes, without its line end; empty at the end of its output.
    std::string ReadLine();
    /// Closes the child's input and waits for it to exit.
    void Finish();
    /// Ends the child at once, without letting it clean up, and waits for it.
    void Kill();

private:
    void Wait();

    unsigned long m_Id = 0;
    std::intptr_t m_Process = -1; ///< the process handle on Windows; unused on POSIX
    std::intptr_t m_Input = -1;   ///< writing end of the child's standard input
    std::intptr_t m_Output = -1;  ///< reading end of the child's standard output
    bool m_Running = false;
};

} // namespace brindle::test
