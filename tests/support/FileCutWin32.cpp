// Cutting files short on Windows. A mapped file cannot be cut through the Windows calls; under
// Wine the host's truncate command, started through Wine, can.
#include "tests/support/FileCut.h"
#include "tests/support/WineHost.h"

#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

namespace {

bool SizeIsZero(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0 && data.nFileSizeHigh == 0 &&
           data.nFileSizeLow == 0;
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
    return !host.empty() && RunHostProgram("/usr/bin/truncate", {"-s", "0", host}) && SizeIsZero(path);
}

} // namespace brindle::test
