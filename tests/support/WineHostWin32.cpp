// Reaching the host system from a Windows test program running under Wine.
#include "tests/support/WineHost.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

namespace {

using UnixFileName = char*(CDECL*)(LPCWSTR);

FARPROC Export(const char* module, const char* name)
{
    HMODULE handle = GetModuleHandleA(module);
    return handle != nullptr ? GetProcAddress(handle, name) : nullptr;
}

std::string ReadWhole(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &n, nullptr) != 0 && n != 0)
        text.append(buffer, n);
    CloseHandle(file);
    return text;
}

} // namespace

bool UnderWine()
{
    return Export("ntdll.dll", "wine_get_version") != nullptr;
}

std::string HostPath(const std::string& path)
{
    auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        Export("kernel32.dll", "wine_get_unix_file_name")));
    if (convert == nullptr)
        return {};
    const std::wstring wide(path.begin(), path.end());
    char* unixName = convert(wide.c_str());
    if (unixName == nullptr)
        return {};
    std::string result(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

// Wine starts a host program given by a Z: path, but neither connects its standard output to a
// pipe nor lets it be waited for. So a host shell runs it with its output sent to a file and
// writes the exit status to a second file when it is done; this side waits for that file.
std::optional<std::string> RunHostProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    if (!UnderWine())
        return std::nullopt;
    char directory[MAX_PATH + 1];
    char outputPath[MAX_PATH + 1];
    if (GetTempPathA(sizeof(directory), directory) == 0 || GetTempFileNameA(directory, "bho", 0, outputPath) == 0)
        return std::nullopt;
    const std::string statusPath = std::string(outputPath) + ".status";
    const std::string hostOutput = HostPath(outputPath);
    const std::string hostStatus = HostPath(statusPath);

    // Windows command-line quoting: every word in double quotes, a quote inside as \".
    const auto quote = [](const std::string& word) {
        std::string quoted = "\"";
        for (char c : word)
            quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
        return quoted + "\"";
    };
    const std::string script = "o=$1; s=$2; shift 2; \"$@\" >\"$o\"; echo $? >\"$s.part\"; mv \"$s.part\" \"$s\"";
    std::string commandLine = quote("Z:\\bin\\sh") + " -c " + quote(script) + " sh " + quote(hostOutput) + " " +
                              quote(hostStatus) + " " + quote(program);
    for (const std::string& argument : arguments)
        commandLine += " " + quote(argument);

    std::optional<std::string> result;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!hostOutput.empty() && !hostStatus.empty() &&
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process) != 0) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        for (int i = 0; i < 6000 && GetFileAttributesA(statusPath.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(10);
        if (ReadWhole(statusPath) == "0\n")
            result = ReadWhole(outputPath);
    }
    DeleteFileA(statusPath.c_str());
    DeleteFileA(outputPath);
    return result;
}

} // namespace brindle::test
