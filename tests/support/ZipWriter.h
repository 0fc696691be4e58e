// Writes .zip archives for tests, demos and benchmarks.
#pragma once

#include <string>
#include <vector>

namespace brindle::test {

struct ZipEntry {
    std::string path; ///< may hold folders and mixed case; a path ending in "/" is a folder entry
    std::string data;
};

/// Writes an archive (creating missing parent folders) holding the entries in order, each deflated (empty ones stored); archives of
/// 65,535 entries or more get the 64-bit end records. Throws std::runtime_error on failure.
void WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries);

} // namespace brindle::test
