// Child processes for tests on Windows: CreateProcess with two pipes.
#include "tests/support/ChildProcess.h"

#include <cctype>
#include <cstdio>
#include <cstring>
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

// Status codes of a process ended by an exception (0xC0000005 and friends) are not exit statuses.
constexpr DWORD kFirstExceptionStatus = 0xC0000000;

// The variable that names a POSIX program's temporary directory; Windows takes it from TMP.
constexpr const char* kPosixTemporaryVariable = "TMPDIR";
constexpr const char* kTemporaryVariable = "TMP";

bool SameName(const std::string& entry, const std::string& name)
{
    if (entry.size() <= name.size() || entry[name.size()] != '=')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(entry[i])) != std::toupper(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

// This process's environment with the given variables set, as a block of NAME=value texts each
// ending in a zero, and one more zero at the end.
std::string EnvironmentBlock(const Environment& overrides)
{
    Environment variables;
    for (const auto& [name, value] : overrides)
        variables.emplace_back(name == kPosixTemporaryVariable ? kTemporaryVariable : name, value);
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; entry != nullptr && *entry != '\0'; entry += std::strlen(entry) + 1) {
        bool overridden = false;
        for (const auto& variable : variables)
            overridden = overridden || SameName(entry, variable.first);
        if (!overridden)
            block.append(entry).push_back('\0');
    }
    if (strings != nullptr)
        FreeEnvironmentStringsA(strings);
    for (const auto& [name, value] : variables)
        block.append(name + "=" + value).push_back('\0');
    block.push_back('\0');
    return block;
}

// One argument as the C runtime splits a command line: in double quotes, with a quote and the
// backslashes before a quote (or before the closing quote) doubled up by a backslash each.
std::string QuotedArgument(const std::string& argument)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

} // namespace

ChildProcess::ChildProcess(const std::string& executable, const std::string& workingDirectory,
                           const Environment& environment, const Arguments& arguments)
{
    std::string environmentBlock = EnvironmentBlock(environment);
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
    std::string commandLine = QuotedArgument(executable);
    for (const std::string& argument : arguments)
        commandLine += " " + QuotedArgument(argument);
    PROCESS_INFORMATION process{};
    std::fflush(nullptr);
    const BOOL started =
        CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, environmentBlock.data(),
                       workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &process);
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

std::string ChildProcess::ReadAll()
{
    std::string text;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(AsHandle(m_Output), buffer, sizeof(buffer), &n, nullptr) != 0 && n != 0)
        text.append(buffer, n);
    return text;
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
    DWORD status = 0;
    if (GetExitCodeProcess(AsHandle(m_Process), &status) != 0 && status < kFirstExceptionStatus)
        m_ExitStatus = static_cast<int>(status);
    m_Running = false;
}

} // namespace brindle::test
