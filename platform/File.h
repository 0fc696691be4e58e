// Operating-system files: open, read, write, seek and size, whole-file mapped views and the guard
// that turns a failed page-in of a mapped view into an ordinary failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace brindle::platform {

/// An open operating-system file: a descriptor on POSIX, a HANDLE on Windows.
using OsFile = std::intptr_t;
inline constexpr OsFile InvalidOsFile = -1;

/// Sharing asked for when a file is opened; systems without share modes ignore it.
enum class ShareMode { Read, ReadDelete };
/// Expected access pattern; a hint only.
enum class AccessHint { Normal, RandomAccess, SequentialScan };

/// Opens an existing regular file for reading. Anything else (missing, a directory, a FIFO, a
/// device) gives InvalidOsFile.
OsFile OpenForReading(const std::string& path, ShareMode share, AccessHint hint);
/// The same, with the system's reason when it gives InvalidOsFile ("Is a directory" for a
/// directory, "Invalid argument" for a FIFO or a device).
OsFile OpenForReading(const std::string& path, ShareMode share, AccessHint hint, std::error_code& reason);
/// Creates or truncates a file for writing, owner-only, never through a symbolic link.
OsFile CreateForWriting(const std::string& path);
/// The random part of a name CreateUniqueFile makes: kUniqueNameLength characters, each one of
/// kUniqueNameLetters.
inline constexpr std::size_t kUniqueNameLength = 8;
inline constexpr std::string_view kUniqueNameLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
/// The longest name one folder entry may have on the usual file systems of both systems: bytes on
/// POSIX, UTF-16 units on Windows (never more than the name's UTF-8 bytes).
inline constexpr std::size_t kMaxFileNameLength = 255;

/// Creates a new file for writing whose name is prefix followed by a few random characters, with
/// the permissions an ordinary new file gets, never through a symbolic link and never over an
/// existing file. Its name is returned in path; InvalidOsFile when no file could be created.
OsFile CreateUniqueFile(const std::string& prefix, std::string& path);
/// Forces what was written to the file onto its medium.
bool FlushOsFile(OsFile file);
bool CloseOsFile(OsFile file);

/// Reads up to count bytes at the current position, retrying partial reads until count is met,
/// the end of the file or an error. False only on an error.
bool ReadOsFile(OsFile file, void* buffer, std::uint32_t count, std::uint32_t& bytesRead);
/// Reads up to count bytes at offset, without regard to the current position (which it may move),
/// retrying partial reads until count is met or the file ends; bytesRead tells how many came. The
/// system's reason on an error.
std::error_code ReadOsFileAt(OsFile file, std::uint64_t offset, void* buffer, std::size_t count,
                             std::size_t& bytesRead);
/// Writes count bytes at the current position; false on error (bytesWritten tells how far it got).
bool WriteOsFile(OsFile file, const void* buffer, std::uint32_t count, std::uint32_t& bytesWritten);
/// Moves to an absolute position; a position beyond the end is allowed.
bool SeekOsFile(OsFile file, std::uint64_t offset);
bool TellOsFile(OsFile file, std::uint64_t& position);
bool SizeOsFile(OsFile file, std::uint64_t& size);
/// Sets the file's length (extends with zeros or cuts).
bool ResizeOsFile(OsFile file, std::uint64_t size);

bool DeleteFilePath(const std::string& path);
/// Renames over an existing file in one step.
bool ReplaceFile(const std::string& from, const std::string& to);
/// Renames from to to only when nothing is at to yet, in one step where the file system allows it;
/// false when something is there or the rename fails.
bool MoveFileNoReplace(const std::string& from, const std::string& to);
/// The time the file or directory at path was last written, in nanoseconds of the system's clock
/// (only for comparing); false when it cannot be had.
bool LastWriteTime(const std::string& path, std::int64_t& time);
/// True when anything exists at path (a file, a directory, ...).
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

/// A read-only view of a whole file.
struct MappedView {
    const unsigned char* data = nullptr;
    std::uint64_t size = 0;
};

/// Maps the whole file read-only. False when it cannot be mapped (an empty file cannot).
bool MapWholeFile(OsFile file, MappedView& view);
void UnmapView(MappedView& view);

/// Copies count bytes at offset out of a mapped view. False when the system fails to page the
/// bytes in (the file was cut short or its medium went away); the destination is then undefined.
/// The caller checks the range against view.size first.
bool GuardedCopy(void* destination, const MappedView& view, std::uint64_t offset, std::size_t count);

/// Owns an open file and closes it when it goes. Move-only.
class OwnedFile {
public:
    OwnedFile() = default;
    explicit OwnedFile(OsFile file) noexcept : m_File(file) {}
    ~OwnedFile() { Reset(); }
    OwnedFile(OwnedFile&& other) noexcept : m_File(other.Release()) {}
    OwnedFile& operator=(OwnedFile&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;

    OsFile Get() const noexcept { return m_File; }
    explicit operator bool() const noexcept { return m_File != InvalidOsFile; }
    /// Gives the file up without closing it.
    OsFile Release() noexcept { return std::exchange(m_File, InvalidOsFile); }
    /// Closes the file held (if any) and takes file instead.
    void Reset(OsFile file = InvalidOsFile) noexcept
    {
        const OsFile previous = std::exchange(m_File, file);
        if (previous != InvalidOsFile)
            CloseOsFile(previous);
    }
    /// Closes the file now and tells whether the close succeeded (false when none was held).
    bool Close() noexcept
    {
        const OsFile previous = Release();
        return previous != InvalidOsFile && CloseOsFile(previous);
    }

private:
    OsFile m_File = InvalidOsFile;
};

/// Owns a mapped view of a whole file and unmaps it when it goes. Move-only. The readable part can
/// be narrowed; the whole mapping is still released.
class OwnedView {
public:
    OwnedView() = default;
    ~OwnedView() { Reset(); }
    OwnedView(OwnedView&& other) noexcept
        : m_View(std::exchange(other.m_View, {})), m_MappedSize(std::exchange(other.m_MappedSize, 0))
    {
    }
    OwnedView& operator=(OwnedView&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_View = std::exchange(other.m_View, {});
            m_MappedSize = std::exchange(other.m_MappedSize, 0);
        }
        return *this;
    }
    OwnedView(const OwnedView&) = delete;
    OwnedView& operator=(const OwnedView&) = delete;

    /// Drops the view held and maps the whole file; false as MapWholeFile.
    bool Map(OsFile file)
    {
        Reset();
        if (!MapWholeFile(file, m_View))
            return false;
        m_MappedSize = m_View.size;
        return true;
    }
    /// Narrows the readable part to its first size bytes (never widens it).
    void Limit(std::uint64_t size) noexcept
    {
        if (size < m_View.size)
            m_View.size = size;
    }
    void Reset() noexcept
    {
        MappedView mapping{m_View.data, m_MappedSize};
        UnmapView(mapping);
        m_View = {};
        m_MappedSize = 0;
    }

    const MappedView& Get() const noexcept { return m_View; }
    explicit operator bool() const noexcept { return m_View.data != nullptr; }

private:
    MappedView m_View;
    std::uint64_t m_MappedSize = 0;
};

} // namespace brindle::platform
