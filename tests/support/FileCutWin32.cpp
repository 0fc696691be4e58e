// Cutting files short on Windows. A mapped file cannot be cut through the Windows calls; under
// Wine the host's truncate command, started through Wine, can.
#include "tests/support/FileCut.h"

#include <cstdlib>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

namespace {

using UnixFileName = char*(CDECL*)(LPCWSTR);

FARPROC WineExport(const char* module, const char* name)
{
    HMODULE handle = GetModuleHandleA(module);
    return handle != nullptr ? GetProcAddress(handle, name) : nullptr;
}

bool UnderWine()
{
    return WineExport("ntdll.dll", "wine_get_version") != nullptr;
}

bool SizeIsZero(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0 && data.nFileSizeHigh == 0 &&
           data.nFileSizeLow == 0;
}

// The host path of a file, through Wine's own conversion; empty when there is none.
std::string HostPath(const std::string& path)
{
    auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        WineExport("kernel32.dll", "wine_get_unix_file_name")));
    if (convert == nullptr)
        return {};
    std::wstring wide(path.begin(), path.end());
    char* unixName = convert(wide.c_str());
    if (unixName == nullptr)
        return {};
    std::string result(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

} // namespace

bool CanCutMappedFiles()
{
    return UnderWine();
}

bool CutFileShort(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const bool cut = SetEndOfFile(file) != 0;
        CloseHandle(file);
        if (cut)
            return true;
    }
    if (!UnderWine())
        return false;
    const std::string host = HostPath(path);
    if (host.empty() || host.find('"') != std::string::npos)
        return false;
    std::string command = "Z:\\usr\\bin\\truncate -s 0 \"" + host + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) == 0)
        return false;
    // A host program's handle cannot be waited on; watch the file instead.
    for (int i = 0; i < 1000 && !SizeIsZero(path); ++i)
        Sleep(10);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return SizeIsZero(path);
}

} // namespace brindle::test
