// Writes .zip archives for tests, demos and benchmarks.
#pragma once

#include <string>
#include <vector>

namespace brindle::test {

struct ZipEntry {
    std::string path; ///< may hold folders and mixed case; a path ending in "/" is a folder entry
    std::string data;
};

/// Which end records an archive gets: the 64-bit ones from 65,535 entries on (as the format asks),
/// always, or never (a count of 65,535 or more then shows only as 0xFFFF).
enum class ZipEndRecords { AsNeeded, Always64, Never64 };

/// Writes an archive (creating missing parent folders) holding the entries in order, each deflated (empty ones stored); archives of
/// 65,535 entries or more get the 64-bit end records. Throws std::runtime_error on failure.
void WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries,
              ZipEndRecords endRecords = ZipEndRecords::AsNeeded);

} // namespace brindle::test
