// POSIX implementation of the file layer.
#include "platform/File.h"
#include "platform/SystemFailure.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle::platform {

namespace {

int Fd(OsFile file)
{
    return static_cast<int>(file);
}

} // namespace

OsFile OpenForReading(const std::string& path, ShareMode share, AccessHint hint)
{
    std::error_code reason;
    return OpenForReading(path, share, hint, reason);
}

OsFile OpenForReading(const std::string& path, ShareMode, AccessHint hint, std::error_code& reason)
{
    reason.clear();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = LastSystemError();
        return InvalidOsFile;
    }
    struct stat st {};
    const bool examined = ::fstat(fd, &st) == 0;
    if (!examined || !S_ISREG(st.st_mode)) {
        reason = !examined ? LastSystemError()
                           : std::make_error_code(S_ISDIR(st.st_mode) ? std::errc::is_a_directory
                                                                      : std::errc::invalid_argument);
        ::close(fd);
        return InvalidOsFile;
    }
    // O_NONBLOCK stays: it kept the open of a FIFO from hanging, reads of ordinary files ignore it,
    // and a "regular" file of a pseudo file system that would wait for data (/proc/kmsg) fails its
    // read instead of blocking the run for good.
    if (hint == AccessHint::RandomAccess)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    else if (hint == AccessHint::SequentialScan)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

OsFile CreateForWriting(const std::string& path)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? InvalidOsFile : fd;
}

OsFile CreateUniqueFile(const std::string& prefix, std::string& path)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix;
        for (std::size_t i = 0; i < kUniqueNameLength; ++i)
            candidate += kUniqueNameLetters[random() % kUniqueNameLetters.size()];
        int fd;
        do {
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            path = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST)
            break;
    }
    return InvalidOsFile;
}

bool FlushOsFile(OsFile file)
{
    if (file < 0)
        return false;
    int rc;
    do {
        rc = ::fsync(Fd(file));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool CloseOsFile(OsFile file)
{
    if (file < 0)
        return false;
    return ::close(Fd(file)) == 0;
}

bool ReadOsFile(OsFile file, void* buffer, std::uint32_t count, std::uint32_t& bytesRead)
{
    bytesRead = 0;
    if (file < 0)
        return false;
    auto* out = static_cast<unsigned char*>(buffer);
    while (bytesRead < count) {
        const ssize_t n = ::read(Fd(file), out + bytesRead, count - bytesRead);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false; // EAGAIN included: a file that would block has no more to give
        }
        if (n == 0)
            break;
        bytesRead += static_cast<std::uint32_t>(n);
    }
    return true;
}

std::error_code ReadOsFileAt(OsFile file, std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytesRead)
{
    bytesRead = 0;
    if (file < 0)
        return std::make_error_code(std::errc::bad_file_descriptor);
    auto* out = static_cast<unsigned char*>(buffer);
    while (bytesRead < count) {
        if (offset + bytesRead > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
            return std::make_error_code(std::errc::value_too_large);
        const std::size_t ask = std::min<std::size_t>(count - bytesRead, std::numeric_limits<ssize_t>::max());
        const ssize_t n = ::pread(Fd(file), out + bytesRead, ask, static_cast<off_t>(offset + bytesRead));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return LastSystemError();
        }
        if (n == 0)
            break;
        bytesRead += static_cast<std::size_t>(n);
    }
    return {};
}

bool WriteOsFile(OsFile file, const void* buffer, std::uint32_t count, std::uint32_t& bytesWritten)
{
    bytesWritten = 0;
    if (file < 0)
        return false;
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (bytesWritten < count) {
        const ssize_t n = ::write(Fd(file), in + bytesWritten, count - bytesWritten);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        bytesWritten += static_cast<std::uint32_t>(n);
    }
    return true;
}

bool SeekOsFile(OsFile file, std::uint64_t offset)
{
    if (file < 0 || offset > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    return ::lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool TellOsFile(OsFile file, std::uint64_t& position)
{
    if (file < 0)
        return false;
    const off_t pos = ::lseek(Fd(file), 0, SEEK_CUR);
    if (pos < 0)
        return false;
    position = static_cast<std::uint64_t>(pos);
    return true;
}

bool SizeOsFile(OsFile file, std::uint64_t& size)
{
    struct stat st {};
    if (file < 0 || ::fstat(Fd(file), &st) != 0)
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool ResizeOsFile(OsFile file, std::uint64_t size)
{
    if (file < 0 || size > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    int rc;
    do {
        rc = ::ftruncate(Fd(file), static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool DeleteFilePath(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool ReplaceFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool MoveFileNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system that cannot refuse to replace: a hard link fails on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

bool LastWriteTime(const std::string& path, std::int64_t& time)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    time = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MapWholeFile(OsFile file, MappedView& view)
{
    view = {};
    std::uint64_t size = 0;
    if (!SizeOsFile(file, size) || size == 0 || size > static_cast<std::uint64_t>(SIZE_MAX))
        return false;
    void* base = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, Fd(file), 0);
    if (base == MAP_FAILED)
        return false;
    view.data = static_cast<const unsigned char*>(base);
    view.size = size;
    return true;
}

void UnmapView(MappedView& view)
{
    if (view.data != nullptr)
        ::munmap(const_cast<unsigned char*>(view.data), static_cast<std::size_t>(view.size));
    view = {};
}

// The page-in guard. A read from a mapped file whose pages can no longer be backed (the file was
// truncated, or its medium is gone) raises SIGBUS. While a copy is armed, a SIGBUS whose address
// lies inside the armed view jumps back to the copy, which then reports failure. Every other
// signal is passed on to whatever handler was there before.
namespace {

/// Copies of this size or more have their pages brought in at once first.
constexpr std::size_t kPopulatedCopy = std::size_t{256} << 10;

sigjmp_buf g_guardJump;
volatile std::sig_atomic_t g_guardArmed = 0;
const unsigned char* volatile g_guardBegin = nullptr;
const unsigned char* volatile g_guardEnd = nullptr;
struct sigaction g_previousBusAction {};
bool g_guardInstalled = false;

void OnBusError(int signal, siginfo_t* info, void* context)
{
    const auto* address = static_cast<const unsigned char*>(info != nullptr ? info->si_addr : nullptr);
    if (g_guardArmed != 0 && address >= g_guardBegin && address < g_guardEnd) {
        g_guardArmed = 0;
        siglongjmp(g_guardJump, 1);
    }
    if (g_previousBusAction.sa_flags & SA_SIGINFO) {
        if (g_previousBusAction.sa_sigaction != nullptr) {
            g_previousBusAction.sa_sigaction(signal, info, context);
            return;
        }
    } else if (g_previousBusAction.sa_handler != SIG_DFL && g_previousBusAction.sa_handler != SIG_IGN) {
        g_previousBusAction.sa_handler(signal);
        return;
    }
    // Fall back to the default action: returning re-executes the faulting access, which then
    // takes the default (fatal) path.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(SIGBUS, &dfl, nullptr);
}

void InstallGuard()
{
    if (g_guardInstalled)
        return;
    struct sigaction action {};
    action.sa_sigaction = &OnBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGBUS, &action, &g_previousBusAction) == 0)
        g_guardInstalled = true;
}

} // namespace

// No object with a destructor may live in this frame: siglongjmp skips destructors.
bool GuardedCopy(void* destination, const MappedView& view, std::uint64_t offset, std::size_t count)
{
    if (count == 0)
        return true;
#if defined(MADV_POPULATE_READ)
    // A large copy takes its pages in at once rather than one fault per few pages. Only a hint: a
    // kernel without it, or pages it cannot bring in, leave the faults (and the guard) to the copy.
    if (count >= kPopulatedCopy) {
        const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const auto first = reinterpret_cast<std::uintptr_t>(view.data + offset) / page * page;
        const auto last = reinterpret_cast<std::uintptr_t>(view.data + offset + count);
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_READ);
    }
#endif
    InstallGuard();
    g_guardBegin = view.data;
    g_guardEnd = view.data + view.size;
    if (sigsetjmp(g_guardJump, 1) != 0)
        return false;
    g_guardArmed = 1;
    std::memcpy(destination, view.data + offset, count);
    g_guardArmed = 0;
    return true;
}

std::error_code LastSystemError()
{
    return {errno, std::generic_category()};
}

} // namespace brindle::platform
