// Positioned reads of an open file, by plain reads or from a mapped view of the whole file; every
// read and seek carries a label that names the item in its failure message.
#pragma once

#include "platform/File.h"

#include <cstdint>
#include <optional>
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
    /// Reads exactly count bytes at the current position.
    void ReadFile(void* buffer, std::uint32_t count, const char* label);
    /// Moves the next read to an absolute offset.
    void SeekOffset(std::uint64_t offset, const char* label);
    std::uint64_t GetSize() const;
    std::uint64_t GetOffset() const;
    bool IsMapped() const { return static_cast<bool>(m_View); }

private:
    /// Maps the bound file, bounded by its current size; leaves the wrapper unmapped on failure.
    void MapBound(platform::OsFile file);

    platform::OsFile m_File = platform::InvalidOsFile;
    platform::OwnedView m_View;
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

} // namespace brindle
