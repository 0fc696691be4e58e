// Win32 implementation of the process services. The liveness marker is a named event: any process
// can probe it by name, and the system removes it with the last handle, however its owner ended.
// Deletion never follows a symbolic link or junction: a reparse point is removed as itself.
#include "platform/Process.h"

#include <algorithm>
#include <cstring>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace brindle::platform {

namespace {

// GetTempPathA reports at most MAX_PATH characters and the terminating zero.
constexpr DWORD kTemporaryPathBufferSize = MAX_PATH + 1;

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::string WithoutTrailingSeparators(const std::string& path)
{
    std::string result = path;
    while (result.size() > 1 && IsSeparator(result.back()) && result[result.size() - 2] != ':')
        result.pop_back();
    return result;
}

// The event that marks an instance is named after the marker path's last component without its
// extension: the instance name.
std::string MarkerName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

HANDLE AsHandle(OsFile marker)
{
    return reinterpret_cast<HANDLE>(marker);
}

// A directory that is really one, not a symbolic link or junction standing in for one.
bool IsRealDirectory(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

template <class Visit>
void ForEachItem(const std::string& directory, const std::string& pattern, Visit visit)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileExA((directory + "\\" + pattern).c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            visit(name, data.dwFileAttributes);
    } while (FindNextFileA(find, &data) != 0);
    FindClose(find);
}

} // namespace

// The system's temporary directory, its final separator written as the "/" this program joins
// paths with, so that paths built on it read alike (Windows accepts both separators).
std::string TemporaryDirectory()
{
    char buffer[kTemporaryPathBufferSize];
    const DWORD length = GetTempPathA(sizeof(buffer), buffer);
    if (length == 0 || length >= sizeof(buffer))
        return {};
    std::string directory(buffer, length);
    if (IsSeparator(directory.back()))
        directory.back() = '/';
    else
        directory += '/';
    return directory;
}

unsigned long CurrentProcessId()
{
    return GetCurrentProcessId();
}

OsFile AcquireLivenessMarker(const std::string& path)
{
    // Manual reset, not signalled; nobody waits on it. It only has to exist.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, MarkerName(path).c_str());
    if (event == nullptr)
        return InvalidOsFile;
    // An event that already exists is someone else's marker: holding a handle to it proves nothing.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(event);
        return InvalidOsFile;
    }
    return reinterpret_cast<OsFile>(event);
}

bool IsMarkerAlive(const std::string& path, OsFile& staleMarker)
{
    staleMarker = InvalidOsFile;
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, MarkerName(path).c_str());
    if (event != nullptr) {
        CloseHandle(event);
        return true;
    }
    // Only a missing event proves its owner gone; one we may not open belongs to someone alive.
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

void ReleaseLivenessMarker(OsFile marker, const std::string&)
{
    if (marker != InvalidOsFile && marker != 0)
        CloseHandle(AsHandle(marker));
}

// The temporary directory of a Windows user is the user's own; a directory already there is used
// when it is a real directory, never a link or junction to somewhere else.
std::error_code CreatePrivateDirectory(const std::string& path)
{
    const std::string directory = WithoutTrailingSeparators(path);
    if (CreateDirectoryA(directory.c_str(), nullptr) != 0)
        return {};
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
        return {static_cast<int>(error), std::system_category()};
    if (!IsRealDirectory(GetFileAttributesA(directory.c_str())))
        return {static_cast<int>(ERROR_ALREADY_EXISTS), std::system_category()};
    return {};
}

std::vector<std::string> ListOwnedDirectories(const std::string& directory, const std::string& prefix)
{
    std::vector<std::string> names;
    // The pattern only narrows the listing: it matches without regard to case and also matches
    // short names, so every name is checked again here.
    ForEachItem(WithoutTrailingSeparators(directory), prefix + "*", [&](const std::string& name, DWORD attributes) {
        if (name.rfind(prefix, 0) == 0 && name.find('.') == std::string::npos && IsRealDirectory(attributes))
            names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListOwnedMarkers(const std::string&, const std::string&, const std::string&)
{
    return {};
}

bool IsProcessAlive(unsigned long pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process; denied means alive
    // A handle someone still holds keeps an ended process's id taken; it has ended all the same.
    DWORD exitCode = 0;
    const bool ended = GetExitCodeProcess(process, &exitCode) != 0 && exitCode != STILL_ACTIVE;
    CloseHandle(process);
    return !ended;
}

std::vector<std::string> ListOwnedFiles(const std::string& directory, const std::string& prefix)
{
    // The owner is not checked here (that takes the security descriptor of every file): where
    // another user may write in the folder, what a caller removes must be decided by name alone.
    std::vector<std::string> names;
    ForEachItem(WithoutTrailingSeparators(directory), prefix + "*", [&](const std::string& name, DWORD attributes) {
        if (name.rfind(prefix, 0) == 0 &&
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0)
            names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

void DeleteDirectoryContents(const std::string& path)
{
    const std::string directory = WithoutTrailingSeparators(path);
    if (!IsRealDirectory(GetFileAttributesA(directory.c_str())))
        return;
    std::vector<std::pair<std::string, DWORD>> items;
    ForEachItem(directory, "*", [&](const std::string& name, DWORD attributes) { items.emplace_back(name, attributes); });
    for (const auto& [name, attributes] : items) {
        const std::string item = directory + "\\" + name;
        // A directory goes only when it is empty: there is deliberately no recursion. A link or
        // junction to a directory is removed as the link; what it points at is not touched.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            RemoveDirectoryA(item.c_str());
        else
            DeleteFileA(item.c_str());
    }
}

bool RemoveEmptyDirectory(const std::string& path)
{
    const std::string directory = WithoutTrailingSeparators(path);
    return IsRealDirectory(GetFileAttributesA(directory.c_str())) && RemoveDirectoryA(directory.c_str()) != 0;
}

// Standard handles of a Windows process are never reused for files it opens.
void EnsureStandardDescriptors(const char*) {}

std::string ExpandUserHome(const std::string& path)
{
    return path;
}

void IgnoreFileSizeLimitSignal()
{
}

// The interrupt cleanup. A console control handler runs on a thread of its own, so the armed paths
// are guarded by a lock rather than by blocked signals: arming, disarming and InterruptsHeld take
// it, and the handler takes it for good before it removes what is armed. The process ends once the
// handlers have run, and meanwhile nothing more can be armed, renamed into place or disarmed.
namespace {

// A slot's kind is 0 while it is free, else the removal plus one. The ANSI file functions take no
// longer path.
constexpr unsigned kRemovalSlots = 16;
struct RemovalSlot {
    char path[MAX_PATH];
    int kind;
    unsigned order; ///< when it was armed, to remove in reverse
};
RemovalSlot g_removalSlots[kRemovalSlots];
unsigned g_removalsArmed = 0;
bool g_consoleHandlerInstalled = false;

// Made on first use, by the first arming or hold, and never destroyed: the handler may still need
// it while the process ends.
struct RemovalLock {
    RemovalLock() { InitializeCriticalSection(&section); }
    CRITICAL_SECTION section;
};

CRITICAL_SECTION* TheRemovalLock()
{
    static RemovalLock lock;
    return &lock.section;
}

void RemoveArmedSlots()
{
    for (;;) {
        RemovalSlot* latest = nullptr;
        for (RemovalSlot& slot : g_removalSlots)
            if (slot.kind != 0 && (latest == nullptr || slot.order > latest->order))
                latest = &slot;
        if (latest == nullptr)
            return;
        // A file still open (shared for deletion) goes when the process closes it on the way out.
        if (latest->kind == static_cast<int>(InterruptRemoval::Directory) + 1)
            RemoveDirectoryA(latest->path);
        else
            DeleteFileA(latest->path);
        latest->kind = 0;
    }
}

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    // Never left: the lock stays with this thread until the process is gone.
    EnterCriticalSection(TheRemovalLock());
    RemoveArmedSlots();
    // Not handled: the system's own handler ends the process as the event says.
    return FALSE;
}

} // namespace

unsigned ArmInterruptRemoval(const std::string& path, InterruptRemoval kind)
{
    if (path.empty() || path.size() >= MAX_PATH)
        return 0;
    const InterruptsHeld held;
    if (!g_consoleHandlerInstalled)
        g_consoleHandlerInstalled = SetConsoleCtrlHandler(&OnConsoleControl, TRUE) != 0;
    for (unsigned i = 0; i < kRemovalSlots; ++i) {
        RemovalSlot& slot = g_removalSlots[i];
        if (slot.kind != 0)
            continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.order = ++g_removalsArmed;
        slot.kind = static_cast<int>(kind) + 1;
        return i + 1;
    }
    return 0;
}

void DisarmInterruptRemoval(unsigned ticket)
{
    if (ticket == 0 || ticket > kRemovalSlots)
        return;
    const InterruptsHeld held;
    g_removalSlots[ticket - 1].kind = 0;
}

InterruptsHeld::InterruptsHeld()
{
    EnterCriticalSection(TheRemovalLock());
}

InterruptsHeld::~InterruptsHeld()
{
    LeaveCriticalSection(TheRemovalLock());
}

bool RemoveArmed(const std::string& path, InterruptRemoval kind, unsigned ticket)
{
    const InterruptsHeld held;
    const bool removed = kind == InterruptRemoval::Directory ? RemoveEmptyDirectory(path) : DeleteFilePath(path);
    DisarmInterruptRemoval(ticket);
    return removed;
}

} // namespace brindle::platform
