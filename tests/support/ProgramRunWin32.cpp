// Capturing and closing standard output for tests, on Windows.
#include "tests/support/ProgramRun.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <stdexcept>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::test {

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
