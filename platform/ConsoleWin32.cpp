// Win32 console: text goes through the console API in its attribute; when standard output is a
// file or a pipe instead of a console, the bytes are written to it as they are.
#include "platform/Console.h"

#include <cstdio>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::platform {

namespace {

int g_consoleCount = 0;
bool g_consoleAllocated = false;

} // namespace

// A process started without any standard output gets a console of its own; one that has a console
// or a redirected output keeps it, so its report still reaches the file or pipe.
void AllocateConsole()
{
    if (g_consoleCount++ != 0)
        return;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        g_consoleAllocated = AllocConsole() != 0;
}

void ReleaseConsole()
{
    if (g_consoleCount == 0 || --g_consoleCount != 0)
        return;
    if (g_consoleAllocated)
        FreeConsole();
    g_consoleAllocated = false;
}

void WriteConsoleText(std::uint16_t attribute, const char* text, std::size_t length)
{
    if (length == 0)
        return;
    // Anything written through the C streams goes first, so the order on the console holds.
    std::fflush(stdout);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return;

    DWORD mode = 0;
    const bool console = GetConsoleMode(output, &mode) != 0;
    if (console)
        SetConsoleTextAttribute(output, attribute);
    // The text is at most a few kilobytes, written whole by one call; the loop only goes on after
    // a partial write (a pipe under pressure).
    std::size_t done = 0;
    while (done < length) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(length - done);
        const BOOL ok = console ? WriteConsoleA(output, text + done, chunk, &written, nullptr)
                                : WriteFile(output, text + done, chunk, &written, nullptr);
        if (ok == 0 || written == 0)
            return;
        done += written;
    }
}

bool IsSoleConsoleProcess()
{
    // A console opened by cmd or another console program lists that program too. Input or output
    // redirected to a file or pipe means a script: nobody would press Enter.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0 ||
        GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0)
        return false;
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForEnter()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return;
    char c = 0;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) != 0 && read == 1 && c != '\n') {
    }
}

} // namespace brindle::platform
