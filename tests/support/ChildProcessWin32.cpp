// Child processes for tests on Windows: CreateProcess with two pipes.
#include "tests/support/ChildProcess.h"

#include <cstdio>
#include <stdexcept>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

namespace {

HANDLE AsHandle(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

std::intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

} // namespace

ChildProcess::ChildProcess(const std::string& executable)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    if (CreatePipe(&inputRead, &inputWrite, &inherit, 0) == 0)
        throw std::runtime_error("CreatePipe failed");
    if (CreatePipe(&outputRead, &outputWrite, &inherit, 0) == 0) {
        CloseHandle(inputRead);
        CloseHandle(inputWrite);
        throw std::runtime_error("CreatePipe failed");
    }
    // The test's own ends stay out of the child.
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = "\"" + executable + "\"";
    PROCESS_INFORMATION process{};
    std::fflush(nullptr);
    const BOOL started = CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (started == 0) {
        CloseHandle(inputWrite);
        CloseHandle(outputRead);
        throw std::runtime_error("CreateProcess failed");
    }
    CloseHandle(process.hThread);
    m_Id = process.dwProcessId;
    m_Process = FromHandle(process.hProcess);
    m_Input = FromHandle(inputWrite);
    m_Output = FromHandle(outputRead);
    m_Running = true;
}

ChildProcess::~ChildProcess()
{
    Finish();
    CloseHandle(AsHandle(m_Output));
    CloseHandle(AsHandle(m_Process));
}

std::string ChildProcess::ReadLine()
{
    std::string line;
    char c = 0;
    DWORD n = 0;
    while (ReadFile(AsHandle(m_Output), &c, 1, &n, nullptr) != 0 && n == 1 && c != '\n') {
        if (c != '\r')
            line += c;
    }
    return line;
}

void ChildProcess::Finish()
{
    if (m_Input != -1) {
        CloseHandle(AsHandle(m_Input));
        m_Input = -1;
    }
    Wait();
}

void ChildProcess::Kill()
{
    if (m_Running)
        TerminateProcess(AsHandle(m_Process), 9);
    Finish();
}

void ChildProcess::Wait()
{
    if (!m_Running)
        return;
    WaitForSingleObject(AsHandle(m_Process), INFINITE);
    m_Running = false;
}

} // namespace brindle::test
