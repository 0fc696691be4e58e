// POSIX implementation of the process services: the liveness marker is a lock file held with
// flock, which the kernel drops on any death of its holder, SIGKILL included.
#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <limits.h>
#include <time.h>
#include <unistd.h>

namespace brindle::platform {

namespace {

constexpr const char* kDefaultTemporaryDirectory = "/tmp/";
// A prober holds a stale marker only while it removes one instance's leftovers.
constexpr int kMarkerLockAttempts = 200;
constexpr long kMarkerLockPauseNanoseconds = 10'000'000;
constexpr int kMarkerReopenAttempts = 8;

/// The path without trailing separators, so that opening it with O_NOFOLLOW really refuses a link
/// ("link/" would resolve the link).
std::string WithoutTrailingSeparators(const std::string& path)
{
    std::string result = path;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool LockWithRetries(int fd)
{
    for (int attempt = 0; attempt < kMarkerLockAttempts; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        const struct timespec pause { 0, kMarkerLockPauseNanoseconds };
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

/// The sorted results of pick for the entries of directory that are of the given type (S_IFDIR,
/// S_IFREG; a link is never followed) and owned by the current user; pick turns down a name with
/// nullopt.
template <class Pick>
std::vector<std::string> ListOwned(const std::string& directory, mode_t type, Pick pick)
{
    std::vector<std::string> names;
    DIR* listing = ::opendir(WithoutTrailingSeparators(directory).c_str());
    if (listing == nullptr)
        return names;
    const int fd = ::dirfd(listing);
    const uid_t self = ::geteuid();
    while (const struct dirent* item = ::readdir(listing)) {
        const std::optional<std::string> picked = pick(std::string(item->d_name));
        if (!picked)
            continue;
        struct stat st {};
        if (::fstatat(fd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && (st.st_mode & S_IFMT) == type &&
            st.st_uid == self)
            names.push_back(*picked);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string TemporaryDirectory()
{
    const char* value = std::getenv("TMPDIR");
    if (value != nullptr && value[0] == '/') {
        struct stat st {};
        if (::stat(value, &st) == 0 && S_ISDIR(st.st_mode)) {
            std::string directory = value;
            if (directory.back() != '/')
                directory += '/';
            return directory;
        }
    }
    return kDefaultTemporaryDirectory;
}

unsigned long CurrentProcessId()
{
    return static_cast<unsigned long>(::getpid());
}

OsFile AcquireLivenessMarker(const std::string& path)
{
    for (int attempt = 0; attempt < kMarkerReopenAttempts; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0)
            return InvalidOsFile;
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) || held.st_uid != ::geteuid() ||
            !LockWithRetries(fd)) {
            ::close(fd);
            return InvalidOsFile;
        }
        // A prober may have removed a stale marker of the same name between our open and our lock;
        // then the lock is on a file nobody can find, and we start again.
        struct stat named {};
        if (::lstat(path.c_str(), &named) == 0 && SameFile(held, named))
            return fd;
        ::close(fd);
    }
    return InvalidOsFile;
}

bool IsMarkerAlive(const std::string& path, OsFile& staleMarker)
{
    staleMarker = InvalidOsFile;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT; // only a missing marker proves its owner gone
    // A marker planted by someone else proves nothing about the instance of that name: whoever
    // could have made it, that file can be locked by anyone, so it must not decide a sweep.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return true;
    }
    staleMarker = fd;
    return false;
}

void ReleaseLivenessMarker(OsFile marker, const std::string& path)
{
    if (marker == InvalidOsFile)
        return;
    const int fd = static_cast<int>(marker);
    struct stat held {};
    struct stat named {};
    // Unlink while the lock is still held, so no prober ever finds the file unlocked and in place.
    if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && SameFile(held, named))
        ::unlink(path.c_str());
    ::close(fd);
}

std::error_code CreatePrivateDirectory(const std::string& path)
{
    const std::string directory = WithoutTrailingSeparators(path);
    if (::mkdir(directory.c_str(), 0700) == 0)
        return {};
    if (errno != EEXIST)
        return {errno, std::generic_category()};
    struct stat st {};
    if (::lstat(directory.c_str(), &st) != 0)
        return {errno, std::generic_category()};
    // Someone else's, a link or open to others: not a folder to keep private copies in.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return std::make_error_code(std::errc::file_exists);
    return {};
}

std::vector<std::string> ListOwnedDirectories(const std::string& directory, const std::string& prefix)
{
    return ListOwned(directory, S_IFDIR, [&](const std::string& name) -> std::optional<std::string> {
        if (name.rfind(prefix, 0) != 0 || name.find('.') != std::string::npos)
            return std::nullopt;
        return name;
    });
}

std::vector<std::string> ListOwnedMarkers(const std::string& directory, const std::string& prefix,
                                          const std::string& suffix)
{
    return ListOwned(directory, S_IFREG, [&](const std::string& name) -> std::optional<std::string> {
        if (name.size() <= suffix.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            return std::nullopt;
        return name.substr(0, name.size() - suffix.size());
    });
}

bool IsProcessAlive(unsigned long pid)
{
    // 0 and anything beyond pid_t would name a group of processes or wrap round: not a writer.
    if (pid == 0 || pid > static_cast<unsigned long>(std::numeric_limits<pid_t>::max()))
        return true;
    // Another user's process answers EPERM: alive as well.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

std::vector<std::string> ListOwnedFiles(const std::string& directory, const std::string& prefix)
{
    return ListOwned(directory, S_IFREG, [&](const std::string& name) -> std::optional<std::string> {
        if (name.rfind(prefix, 0) != 0)
            return std::nullopt;
        return name;
    });
}

void DeleteDirectoryContents(const std::string& path)
{
    const int fd =
        ::open(WithoutTrailingSeparators(path).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    const int listingFd = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() ? ::dup(fd) : -1;
    DIR* listing = listingFd >= 0 ? ::fdopendir(listingFd) : nullptr;
    if (listing == nullptr) {
        if (listingFd >= 0)
            ::close(listingFd);
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (const struct dirent* item = ::readdir(listing)) {
        const std::string name = item->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(listing);
    for (const std::string& name : names) {
        struct stat entry {};
        if (::fstatat(fd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        // A subdirectory goes only when it is empty: there is deliberately no recursion.
        ::unlinkat(fd, name.c_str(), S_ISDIR(entry.st_mode) ? AT_REMOVEDIR : 0);
    }
    ::close(fd);
}

bool RemoveEmptyDirectory(const std::string& path)
{
    return ::rmdir(WithoutTrailingSeparators(path).c_str()) == 0;
}

void EnsureStandardDescriptors(const char* nullDevice)
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open takes the lowest free descriptor, which is this one. A directory opened for reading
        // refuses both reads and writes.
        int opened = ::open(nullDevice, O_RDWR);
        if (opened < 0)
            opened = ::open("/", O_RDONLY | O_DIRECTORY);
        if (opened >= 0 && opened != fd)
            ::close(opened);
    }
}

void IgnoreFileSizeLimitSignal()
{
    ::signal(SIGXFSZ, SIG_IGN);
}

// The interrupt cleanup. The handler may only use what is safe in a signal handler, so the armed
// paths are kept ready in a fixed table, and the handler removes them, restores the default action
// and raises the signal again: the process ends as the signal says.
namespace {

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};
bool g_interruptHandlersInstalled = false;

// A slot's kind is 0 while it is free, else the removal plus one; the path is written before the
// kind is set, so the handler never sees half a path.
constexpr unsigned kRemovalSlots = 16;
struct RemovalSlot {
    char path[PATH_MAX];
    volatile std::sig_atomic_t kind;
    volatile std::sig_atomic_t order; ///< when it was armed, to remove in reverse
};
RemovalSlot g_removalSlots[kRemovalSlots];
std::sig_atomic_t g_removalsArmed = 0;

void RemoveArmedSlots()
{
    // Latest first, with only what a handler may call.
    for (;;) {
        RemovalSlot* latest = nullptr;
        for (RemovalSlot& slot : g_removalSlots)
            if (slot.kind != 0 && (latest == nullptr || slot.order > latest->order))
                latest = &slot;
        if (latest == nullptr)
            return;
        if (latest->kind == static_cast<int>(InterruptRemoval::Directory) + 1)
            ::rmdir(latest->path);
        else
            ::unlink(latest->path);
        latest->kind = 0;
    }
}

void OnInterrupt(int signal)
{
    RemoveArmedSlots();
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(signal, &dfl, nullptr);
    // Blocked while this handler runs; delivered, with its default action, when it returns.
    ::raise(signal);
}

void InstallInterruptHandlers()
{
    if (g_interruptHandlersInstalled)
        return;
    g_interruptHandlersInstalled = true;
    for (const int signal : kInterruptSignals) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) != 0)
            continue;
        // A signal the caller chose to ignore (nohup) stays ignored; one with a handler of its
        // own keeps it.
        if ((previous.sa_flags & SA_SIGINFO) != 0 || previous.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = &OnInterrupt;
        sigemptyset(&action.sa_mask);
        for (const int other : kInterruptSignals)
            sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace

unsigned ArmInterruptRemoval(const std::string& path, InterruptRemoval kind)
{
    if (path.empty() || path.size() >= PATH_MAX)
        return 0;
    for (unsigned i = 0; i < kRemovalSlots; ++i) {
        RemovalSlot& slot = g_removalSlots[i];
        if (slot.kind != 0)
            continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.order = ++g_removalsArmed;
        InstallInterruptHandlers();
        slot.kind = static_cast<int>(kind) + 1;
        return i + 1;
    }
    return 0;
}

void DisarmInterruptRemoval(unsigned ticket)
{
    if (ticket != 0 && ticket <= kRemovalSlots)
        g_removalSlots[ticket - 1].kind = 0;
}

InterruptsHeld::InterruptsHeld()
{
    static_assert(sizeof(sigset_t) <= sizeof(m_Previous));
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (const int signal : kInterruptSignals)
        sigaddset(&interrupts, signal);
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    std::memcpy(m_Previous, &previous, sizeof(previous));
}

InterruptsHeld::~InterruptsHeld()
{
    sigset_t previous;
    std::memcpy(&previous, m_Previous, sizeof(previous));
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool RemoveArmed(const std::string& path, InterruptRemoval kind, unsigned ticket)
{
    const InterruptsHeld held;
    const bool removed = kind == InterruptRemoval::Directory ? RemoveEmptyDirectory(path) : DeleteFilePath(path);
    DisarmInterruptRemoval(ticket);
    return removed;
}

std::string ExpandUserHome(const std::string& path)
{
    const char* home = std::getenv("HOME");
    if (path.rfind("~/", 0) != 0 || home == nullptr || home[0] != '/')
        return path;
    std::string expanded = home;
    if (expanded.back() == '/')
        expanded.pop_back();
    return expanded + path.substr(1);
}

} // namespace brindle::platform
