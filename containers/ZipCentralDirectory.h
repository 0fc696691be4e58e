// The central directory of a .zip archive read in one piece, so that listing an archive costs one
// read instead of a walk through minizip's record-by-record reads (a dozen small reads per entry,
// and each header read twice). Only plain archives are taken: anything minizip might read
// differently (64-bit records, an overflowed entry count, a record reaching past the directory or
// an extra field that overruns its record) makes Read give false, and the caller walks the archive
// through minizip instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

class ZipCentralDirectory {
public:
    struct Record {
        std::uint64_t position; ///< minizip's position of the record: the directory's recorded offset plus the record's place in it
        std::string_view name;  ///< the name as minizip reports it: at most kZipReportedNameChars, cut at a zero byte
    };

    /// The longest name minizip hands the container (its name buffer less the terminator).
    static constexpr std::size_t kReportedNameChars = 256;

    /// Reads the end record and the whole central directory of the archive at path. False when
    /// the file cannot be read or the archive is not a plain one (see above); nothing is kept then.
    bool Read(const std::string& path);

    /// The directory's offset as its end record states it (minizip's position of the first record).
    std::uint64_t DirectoryOffset() const { return m_DirectoryOffset; }
    /// The records in directory order; the names point into this object.
    const std::vector<Record>& Records() const { return m_Records; }

private:
    bool Parse(std::uint64_t entryCount);

    std::vector<unsigned char> m_Bytes; ///< the central directory
    std::vector<Record> m_Records;
    std::uint64_t m_DirectoryOffset = 0;
};

} // namespace brindle
