// Runs a program in a given working directory and collects its standard output and exit status.
#pragma once

#include <string>

namespace brindle::test {

struct ProgramResult {
    std::string output; ///< everything written to standard output
    int exitStatus;     ///< the exit status, or -1 when the program did not exit normally
};

/// Runs executable without arguments in workingDirectory and waits for it.
ProgramResult RunProgram(const std::string& executable, const std::string& workingDirectory);

/// Sends standard output of this process to a file until destroyed, then restores it.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    /// What was written since construction.
    std::string Text() const;

private:
    int m_SavedStdout;
    int m_CaptureFile;
};

} // namespace brindle::test
