// Writes .zip archives for tests, demos and benchmarks.
#pragma once

#include <string>
#include <vector>

namespace brindle::test {

struct ZipEntry {
    std::string path; ///< may hold folders and mixed case; a path ending in "/" is a folder entry
    std::string data;
};

/// Writes a deflated archive holding the entries in order; throws std::runtime_error on failure.
void WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries);

} // namespace brindle::test
