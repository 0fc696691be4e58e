// A fresh directory under the system's temporary directory, removed with everything in it when the
// object goes away.
#pragma once

#include <string>
#include <string_view>

namespace brindle::test {

class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    /// The directory's path, without a trailing slash.
    const std::string& Path() const { return m_Path; }
    /// Path() + "/" + relative.
    std::string operator/(std::string_view relative) const;

private:
    std::string m_Path;
};

/// Writes bytes to path, creating missing parent directories.
void WriteFile(const std::string& path, std::string_view bytes);
/// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
/// Creates a directory and its missing parents.
void MakeDirectories(const std::string& path);

} // namespace brindle::test
