// Running programs and capturing standard output for tests, on Windows.
#include "tests/support/ProgramRun.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <stdexcept>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

namespace {

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

} // namespace

ProgramResult RunProgram(const std::string& executable, const std::string& workingDirectory,
                         const Environment& environment)
{
    std::string environmentBlock = EnvironmentBlock(environment);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (CreatePipe(&readEnd, &writeEnd, &inherit, 0) == 0)
        throw std::runtime_error("CreatePipe failed");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = writeEnd;
    startup.hStdError = nul;
    std::string commandLine = "\"" + executable + "\"";
    PROCESS_INFORMATION process{};
    std::fflush(nullptr);
    const BOOL started = CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        environmentBlock.data(), workingDirectory.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (started == 0) {
        CloseHandle(readEnd);
        throw std::runtime_error("CreateProcess failed");
    }
    CloseHandle(process.hThread);

    ProgramResult result{{}, -1};
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &n, nullptr) != 0 && n != 0)
        result.output.append(buffer, n);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    if (GetExitCodeProcess(process.hProcess, &status) != 0 && status < kFirstExceptionStatus)
        result.exitStatus = static_cast<int>(status);
    CloseHandle(process.hProcess);
    return result;
}

// The console writes through the standard output handle, the C streams through descriptor 1;
// _dup2 onto descriptor 1 moves both.
StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char directory[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    if (GetTempPathA(sizeof(directory), directory) == 0 || GetTempFileNameA(directory, "bso", 0, path) == 0)
        throw std::runtime_error("GetTempFileName failed");
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create the capture file");
    m_CaptureFile = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_RDWR);
    m_SavedStdout = _dup(1);
    _dup2(m_CaptureFile, 1);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    _dup2(m_SavedStdout, 1);
    _close(m_SavedStdout);
    _close(m_CaptureFile);
}

std::string StdoutCapture::Text() const
{
    std::fflush(stdout);
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(m_CaptureFile));
    std::string text;
    char buffer[4096];
    // Reading with an offset leaves the file pointer after the last byte read: at the end, where
    // the next write goes anyway.
    for (DWORD at = 0;;) {
        OVERLAPPED where{};
        where.Offset = at;
        DWORD n = 0;
        if (ReadFile(file, buffer, sizeof(buffer), &n, &where) == 0 || n == 0)
            break;
        text.append(buffer, n);
        at += n;
    }
    return text;
}

ClosedStdout::ClosedStdout()
{
    int ends[2];
    if (_pipe(ends, 4096, _O_BINARY) != 0)
        throw std::runtime_error("pipe failed");
    _close(ends[0]);
    m_WriteEnd = ends[1];
    std::fflush(stdout);
    m_SavedStdout = _dup(1);
    _dup2(m_WriteEnd, 1);
}

ClosedStdout::~ClosedStdout()
{
    std::fflush(stdout);
    _dup2(m_SavedStdout, 1);
    _close(m_SavedStdout);
    _close(m_WriteEnd);
}

} // namespace brindle::test
