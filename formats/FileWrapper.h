// Positioned reads of an open file (by plain reads, or out of a mapped view of the whole file) or of
// bytes held in memory; the throwing reads and seeks carry a label that names the item in their
// failure message, the Try forms report failure in their result.
#pragma once

#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace brindle {

class FileWrapper {
public:
    FileWrapper() = default;
    /// Plain mode over a borrowed handle; queries its current position.
    explicit FileWrapper(platform::OsFile file);
    ~FileWrapper();
    FileWrapper(const FileWrapper&) = delete;
    FileWrapper& operator=(const FileWrapper&) = delete;

    /// Binds a handle (never owned); maps the file when map is set and mapping works. Binding the
    /// invalid handle drops a view.
    void SetFileHandle(platform::OsFile file, bool map);
    /// Reads bytes held in memory from their start; they are borrowed and must outlive their use.
    /// They read as a file of those bytes would: as if mapped when map is set (a file of no bytes
    /// cannot be mapped, so no bytes read as a plain file), else as by plain reads.
    void SetBytes(std::span<const unsigned char> bytes, bool map);
    /// Reads exactly count bytes at the current position; throws "ReadFile( label ) failed." or the
    /// in-page error.
    void ReadFile(void* buffer, std::uint32_t count, const char* label);
    /// Moves the next read to an absolute offset; throws "SeekOffset( label ) failed.".
    void SeekOffset(std::uint64_t offset, const char* label);
    /// ReadFile that reports any failure, the in-page error included, as false.
    bool TryRead(void* buffer, std::uint32_t count);
    /// SeekOffset that reports failure as false.
    bool TrySeek(std::uint64_t offset);
    std::uint64_t GetSize() const;
    std::uint64_t GetOffset() const;
    /// True while bound to a mapped view of a file (not for bytes held in memory).
    bool IsMapped() const { return static_cast<bool>(m_View); }

private:
    /// Where reads come from, and the rules they follow at the end. A mapped view is read as its
    /// bytes are, with a view's rules and every copy under the page-in guard.
    enum class Source {
        File,      ///< the system's reads: a seek may pass the end, a short read fails
        FileBytes, ///< bytes in memory, under the rules of File
        ViewBytes, ///< bytes in memory: a seek must land inside, a read that does not fit reads nothing
    };
    enum class ReadOutcome { Done, Failed, PageInFailed };

    /// Maps the bound file, bounded by its current size; leaves the wrapper unmapped on failure.
    void MapBound(platform::OsFile file);
    ReadOutcome Read(void* buffer, std::uint32_t count);
    ReadOutcome ReadBytes(void* buffer, std::uint32_t count);
    bool Copy(void* buffer, std::uint32_t count) const;

    platform::OsFile m_File = platform::InvalidOsFile;
    platform::OwnedView m_View;
    Source m_Source = Source::File;
    std::span<const unsigned char> m_Bytes; ///< the view's bytes or the borrowed ones
    std::uint64_t m_Offset = 0;
};

inline constexpr const char* kInPageError = "In-page I/O error accessing file";

/// How a reader opens its file (the sequence shared by the binary readers).
struct ReaderOpenOptions {
    platform::ShareMode firstShare;
    std::optional<platform::ShareMode> secondShare;
    platform::AccessHint hint;
    bool map;
    const char* openFailureMessage;
};

/// Opens path for reading, binds it to wrapper and returns the low 32 bits of its size in fileSize.
/// Throws PlainException with the open-failure message or "Failed to read file size."; on any
/// failure the file is closed and the wrapper left unbound. The wrapper must go before the file.
platform::OwnedFile OpenReaderFile(const std::string& path, const ReaderOpenOptions& options, FileWrapper& wrapper,
                                   std::uint32_t& fileSize);
/// The same binding for bytes held in memory (borrowed, as by SetBytes): they read as the file
/// opened with options would, and fileSize gets the low 32 bits of their size. Never throws.
void BindReaderBytes(std::span<const unsigned char> bytes, const ReaderOpenOptions& options, FileWrapper& wrapper,
                     std::uint32_t& fileSize);

} // namespace brindle
