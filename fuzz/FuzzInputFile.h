// The file through which a fuzz target hands its input to a reader that only takes paths: one file
// per process in a private directory under the temporary directory (point TMPDIR at a memory file
// system to keep it fast), rewritten for every input and removed with the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brindle::fuzz {

class FuzzInputFile {
public:
    /// Creates the private directory; the file is named name inside it (the extension matters to
    /// readers that look at it).
    explicit FuzzInputFile(const std::string& name);
    ~FuzzInputFile();
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;

    /// Replaces the file's content with the input and returns its path. Aborts when the file cannot
    /// be written: a harness that silently fed nothing would look like a clean run.
    const std::string& Write(const std::uint8_t* data, std::size_t size);

    const std::string& Path() const { return m_Path; }
    const std::string& Directory() const { return m_Directory; }

private:
    std::string m_Directory;
    std::string m_Path;
};

/// The one input file of this process (created on first use).
FuzzInputFile& InputFile(const std::string& name);

} // namespace brindle::fuzz
