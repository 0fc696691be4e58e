// The central directory of a .zip archive, copied in one piece out of a mapped view of the file
// and walked in memory: listing costs a bounds check and a decode per entry. Only archives laid out
// the plain way are read here; for anything else the ZIP container lists through the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace brindle {

/// Entry names longer than this are left to the library (its name buffer holds this many).
inline constexpr std::size_t kZipDirectoryNameLimit = 256;

class ZipCentralDirectory {
public:
    /// One entry as the directory records it.
    struct Entry {
        std::string_view name;  ///< as stored, up to its first zero byte; points into the directory
        std::uint64_t position; ///< offset of its header as the library counts it (the directory's recorded offset plus its place)
        std::uint64_t number;   ///< its place in the directory, from 0
    };

    /// Where a walk over the entries stands; starts at the first entry.
    struct Cursor {
        std::size_t offset = 0;
        std::uint64_t number = 0;
    };

    /// Reads the directory of the archive at path. Nothing in the file makes this throw (only a
    /// failed allocation does): whatever is not understood leaves Understood() false.
    explicit ZipCentralDirectory(const std::string& path);

    /// True when the archive was read completely: a single-disk archive whose end records agree,
    /// whose directory lies inside the file and whose headers fill it exactly, as many as the end
    /// record counts, none encrypted and none with a name over kZipDirectoryNameLimit.
    bool Understood() const { return m_Understood; }
    /// The entry count of the end record (0xFFFF may stand for more).
    std::uint64_t RecordedEntryCount() const { return m_RecordedEntryCount; }
    /// The directory's offset as the end record gives it.
    std::uint64_t RecordedOffset() const { return m_RecordedOffset; }
    /// The archive comment's size (0 when the 64-bit end record is used).
    std::uint32_t CommentSize() const { return m_CommentSize; }

    /// Fills entry with the entry at cursor and moves the cursor on; false after the last one.
    bool Next(Cursor& cursor, Entry& entry) const;

private:
    bool Read(const std::string& path);
    /// Checks every header; true when they fill the directory and match the recorded count.
    bool CheckHeaders() const;

    std::unique_ptr<unsigned char[]> m_Directory; ///< the directory's bytes, copied out of the view
    std::size_t m_DirectorySize = 0;
    std::uint64_t m_RecordedEntryCount = 0;
    std::uint64_t m_RecordedOffset = 0;
    std::uint32_t m_CommentSize = 0;
    bool m_Understood = false;
};

} // namespace brindle
