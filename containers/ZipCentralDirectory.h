// The central directory of a .zip archive, read in one piece (the end of the file, then the
// directory itself; nothing else of the archive is touched) and walked in memory: listing costs a
// bounds check and a decode per entry. Only archives laid out the plain way are read here; for
// anything else the ZIP container lists through the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace brindle {

/// Entry names longer than this are left to the library (its name buffer holds this many).
inline constexpr std::size_t kZipDirectoryNameLimit = 256;

/// Where the end records put the directory; the library must find it there too.
struct ZipDirectoryEnd {
    std::uint64_t entryCount = 0;  ///< as recorded (0xFFFF may stand for more)
    std::uint64_t offset = 0;      ///< as recorded
    std::uint32_t commentSize = 0; ///< 0 when the 64-bit end record is used
};

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
    /// failed allocation does): whatever is not understood, or cannot be read, leaves Understood()
    /// false.
    explicit ZipCentralDirectory(const std::string& path);
    /// Told the end record's entry count once the directory is found, before its bytes are read.
    using BeforeReading = std::function<void(std::uint64_t entryCount)>;
    /// The same, calling beforeReading. A caller that makes room there for what it will list lets
    /// that list lie before the directory's buffer in memory, so the next archive's listing takes
    /// the pages the buffer had, instead of fresh ones.
    ZipCentralDirectory(const std::string& path, const BeforeReading& beforeReading);
    /// The same reading of an archive held whole in memory; the directory is copied out of it.
    explicit ZipCentralDirectory(std::span<const unsigned char> archive);

    /// True when the archive was read completely: a single-disk archive whose end records agree,
    /// whose directory lies inside the file and whose headers fill it exactly, as many as the end
    /// record counts, none encrypted and none with a name over kZipDirectoryNameLimit.
    bool Understood() const { return m_Understood; }
    /// What the end records say.
    const ZipDirectoryEnd& End() const { return m_End; }

    /// Fills entry with the entry at cursor and moves the cursor on; false after the last one.
    bool Next(Cursor& cursor, Entry& entry) const;

    /// Where the archive's bytes come from: positioned reads from a file, or copies out of memory.
    class Source;

private:
    void ReadFrom(const Source& source, const BeforeReading& beforeReading);
    bool Read(const Source& source, const BeforeReading& beforeReading);
    /// Checks every header; true when they fill the directory and match the recorded count.
    bool CheckHeaders() const;

    std::unique_ptr<unsigned char[]> m_Directory; ///< the directory's bytes
    std::size_t m_DirectorySize = 0;
    ZipDirectoryEnd m_End;
    bool m_Understood = false;
};

} // namespace brindle
