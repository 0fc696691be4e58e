// Runs a program in a given working directory and collects its standard output and exit status.
#pragma once

#include "tests/support/ChildProcess.h"

#include <string>

namespace brindle::test {

struct ProgramResult {
    std::string output; ///< everything written to standard output
    int exitStatus;     ///< the exit status, or -1 when the program did not exit normally
};

/// Runs executable with the given arguments in workingDirectory, with this process's environment
/// plus the given variables, and waits for it.
ProgramResult RunProgram(const std::string& executable, const std::string& workingDirectory,
                         const Environment& environment = {}, const Arguments& arguments = {});

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

/// Points standard output at a pipe whose reading end is already closed until destroyed, then
/// restores it: every write to standard output fails meanwhile.
class ClosedStdout {
public:
    ClosedStdout();
    ~ClosedStdout();
    ClosedStdout(const ClosedStdout&) = delete;
    ClosedStdout& operator=(const ClosedStdout&) = delete;

private:
    int m_SavedStdout;
    int m_WriteEnd;
};

} // namespace brindle::test
