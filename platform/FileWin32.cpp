// Win32 implementation of the file layer.
#include "platform/File.h"
#include "platform/SystemFailure.h"

#include <algorithm>
#include <cstring>
#include <random>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h names a function of its own ReplaceFile.
#undef ReplaceFile

namespace brindle::platform {

namespace {

HANDLE Handle(OsFile file)
{
    return reinterpret_cast<HANDLE>(file);
}

OsFile FromHandle(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? InvalidOsFile : reinterpret_cast<OsFile>(handle);
}

bool Valid(OsFile file)
{
    return file != InvalidOsFile && file != 0;
}

// A handle opened without following a final reparse point: true when it is that reparse point
// (a symbolic link or junction) instead of an ordinary file.
bool IsReparsePoint(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(handle, &info) == 0 ||
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace

OsFile OpenForReading(const std::string& path, ShareMode share, AccessHint hint)
{
    std::error_code reason;
    return OpenForReading(path, share, hint, reason);
}

OsFile OpenForReading(const std::string& path, ShareMode share, AccessHint hint, std::error_code& reason)
{
    reason.clear();
    const DWORD shareFlags = share == ShareMode::ReadDelete ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (hint == AccessHint::RandomAccess)
        flags |= FILE_FLAG_RANDOM_ACCESS;
    else if (hint == AccessHint::SequentialScan)
        flags |= FILE_FLAG_SEQUENTIAL_SCAN;
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory cannot be opened; devices and pipes can, so
    // anything but a file on a disk is refused afterwards.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, shareFlags, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = LastSystemError();
        return InvalidOsFile;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    if (!onDisk || GetFileInformationByHandle(handle, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = !onDisk ? std::make_error_code(std::errc::invalid_argument)
                 : (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                     ? std::make_error_code(std::errc::is_a_directory)
                     : LastSystemError();
        CloseHandle(handle);
        return InvalidOsFile;
    }
    return FromHandle(handle);
}

OsFile CreateForWriting(const std::string& path)
{
    // Opening the final component itself when it is a link lets the check below refuse it
    // before anything is written.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return InvalidOsFile;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return InvalidOsFile;
    if (IsReparsePoint(handle)) {
        CloseHandle(handle);
        return InvalidOsFile;
    }
    return FromHandle(handle);
}

OsFile CreateUniqueFile(const std::string& prefix, std::string& path)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix;
        for (std::size_t i = 0; i < kUniqueNameLength; ++i)
            candidate += kUniqueNameLetters[random() % kUniqueNameLetters.size()];
        // CREATE_NEW fails on anything already there, a link included.
        HANDLE handle = CreateFileA(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            path = std::move(candidate);
            return FromHandle(handle);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return InvalidOsFile;
}

bool FlushOsFile(OsFile file)
{
    return Valid(file) && FlushFileBuffers(Handle(file)) != 0;
}

bool CloseOsFile(OsFile file)
{
    return Valid(file) && CloseHandle(Handle(file)) != 0;
}

bool ReadOsFile(OsFile file, void* buffer, std::uint32_t count, std::uint32_t& bytesRead)
{
    bytesRead = 0;
    if (!Valid(file))
        return false;
    auto* out = static_cast<unsigned char*>(buffer);
    while (bytesRead < count) {
        DWORD n = 0;
        if (ReadFile(Handle(file), out + bytesRead, count - bytesRead, &n, nullptr) == 0)
            return GetLastError() == ERROR_HANDLE_EOF;
        if (n == 0)
            break;
        bytesRead += n;
    }
    return true;
}

std::error_code ReadOsFileAt(OsFile file, std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead)
{
    bytesRead = 0;
    if (!Valid(file))
        return std::make_error_code(std::errc::bad_file_descriptor);
    auto* out = static_cast<unsigned char*>(buffer);
    while (bytesRead < count) {
        const std::uint64_t at = offset + bytesRead;
        OVERLAPPED place{};
        place.Offset = static_cast<DWORD>(at);
        place.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - bytesRead, 0x40000000));
        DWORD n = 0;
        if (ReadFile(Handle(file), out + bytesRead, ask, &n, &place) == 0) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return LastSystemError();
        }
        if (n == 0)
            break;
        bytesRead += n;
    }
    return {};
}

bool WriteOsFile(OsFile file, const void* buffer, std::uint32_t count, std::uint32_t& bytesWritten)
{
    bytesWritten = 0;
    if (!Valid(file))
        return false;
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (bytesWritten < count) {
        DWORD n = 0;
        if (WriteFile(Handle(file), in + bytesWritten, count - bytesWritten, &n, nullptr) == 0 || n == 0)
            return false;
        bytesWritten += n;
    }
    return true;
}

bool SeekOsFile(OsFile file, std::uint64_t offset)
{
    if (!Valid(file) || offset > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(Handle(file), distance, nullptr, FILE_BEGIN) != 0;
}

bool TellOsFile(OsFile file, std::uint64_t& position)
{
    if (!Valid(file))
        return false;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER now;
    if (SetFilePointerEx(Handle(file), zero, &now, FILE_CURRENT) == 0 || now.QuadPart < 0)
        return false;
    position = static_cast<std::uint64_t>(now.QuadPart);
    return true;
}

bool SizeOsFile(OsFile file, std::uint64_t& size)
{
    LARGE_INTEGER result;
    if (!Valid(file) || GetFileSizeEx(Handle(file), &result) == 0 || result.QuadPart < 0)
        return false;
    size = static_cast<std::uint64_t>(result.QuadPart);
    return true;
}

bool ResizeOsFile(OsFile file, std::uint64_t size)
{
    std::uint64_t position = 0;
    if (!TellOsFile(file, position) || !SeekOsFile(file, size))
        return false;
    const bool resized = SetEndOfFile(Handle(file)) != 0;
    // SetEndOfFile works at the file pointer; put it back where the caller had it.
    SeekOsFile(file, position);
    return resized;
}

bool DeleteFilePath(const std::string& path)
{
    return DeleteFileA(path.c_str()) != 0;
}

bool ReplaceFile(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MoveFileNoReplace(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool LastWriteTime(const std::string& path, std::int64_t& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) == 0)
        return false;
    // 100-nanosecond ticks.
    const std::uint64_t ticks = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime;
    time = static_cast<std::int64_t>(ticks) * 100;
    return true;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MapWholeFile(OsFile file, MappedView& view)
{
    view = {};
    std::uint64_t size = 0;
    if (!SizeOsFile(file, size) || size == 0 || size > static_cast<std::uint64_t>(SIZE_MAX))
        return false;
    HANDLE mapping = CreateFileMappingA(Handle(file), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr)
        return false;
    void* base = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    // The view keeps the mapping object alive.
    CloseHandle(mapping);
    if (base == nullptr)
        return false;
    view.data = static_cast<const unsigned char*>(base);
    view.size = size;
    return true;
}

void UnmapView(MappedView& view)
{
    if (view.data != nullptr)
        UnmapViewOfFile(view.data);
    view = {};
}

// The page-in guard. Reading a mapped file whose pages cannot be brought in (the medium went away,
// the file was cut short) raises EXCEPTION_IN_PAGE_ERROR; some systems report a cut-short file as
// an access violation instead. While a copy is armed, either of them at an address inside the armed
// view jumps back to the copy, which then reports failure. Every other exception goes on to the
// next handler. mingw has no __try/__except, hence a vectored handler and the builtin jump.
namespace {

void* g_guardJump[5];
volatile LONG g_guardArmed = 0;
const unsigned char* volatile g_guardBegin = nullptr;
const unsigned char* volatile g_guardEnd = nullptr;
PVOID g_guardHandler = nullptr;

LONG CALLBACK OnGuardedFault(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers != nullptr ? pointers->ExceptionRecord : nullptr;
    if (g_guardArmed == 0 || record == nullptr || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    if (record->ExceptionCode != EXCEPTION_IN_PAGE_ERROR && record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    const auto* address = reinterpret_cast<const unsigned char*>(record->ExceptionInformation[1]);
    if (address < g_guardBegin || address >= g_guardEnd)
        return EXCEPTION_CONTINUE_SEARCH;
    g_guardArmed = 0;
    __builtin_longjmp(g_guardJump, 1);
}

void InstallGuard()
{
    if (g_guardHandler == nullptr)
        g_guardHandler = AddVectoredExceptionHandler(1, &OnGuardedFault);
}

} // namespace

// No object with a destructor may live in this frame: the jump back skips destructors.
bool GuardedCopy(void* destination, const MappedView& view, std::uint64_t offset, std::size_t count)
{
    if (count == 0)
        return true;
    InstallGuard();
    g_guardBegin = view.data;
    g_guardEnd = view.data + view.size;
    if (__builtin_setjmp(g_guardJump) != 0)
        return false;
    g_guardArmed = 1;
    std::memcpy(destination, view.data + offset, count);
    g_guardArmed = 0;
    return true;
}

std::error_code LastSystemError()
{
    return {static_cast<int>(GetLastError()), std::system_category()};
}

} // namespace brindle::platform
