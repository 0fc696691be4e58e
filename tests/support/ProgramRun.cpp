// Running a program to its end and collecting what it wrote.
#include "tests/support/ProgramRun.h"

namespace brindle::test {

ProgramResult RunProgram(const std::string& executable, const std::string& workingDirectory,
                         const Environment& environment, const Arguments& arguments)
{
    ChildProcess child(executable, workingDirectory, environment, arguments);
    ProgramResult result{child.ReadAll(), -1};
    child.Finish();
    result.exitStatus = child.ExitStatus();
    return result;
}

} // namespace brindle::test
