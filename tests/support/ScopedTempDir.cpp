// Scoped temporary directories and small file helpers for tests.
#include "tests/support/ScopedTempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace brindle::test {

ScopedTempDir::ScopedTempDir()
{
    // create_directory reports whether it made the directory: a name already taken is tried anew.
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "brindle-test-";
        for (int i = 0; i < 8; ++i)
            name += kLetters[random() % (sizeof(kLetters) - 1)];
        if (std::filesystem::create_directory(base / name)) {
            // Private to the user, as a directory made by mkdtemp is.
            std::filesystem::permissions(base / name, std::filesystem::perms::owner_all);
            m_Path = (base / name).string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

ScopedTempDir::~ScopedTempDir()
{
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so removal succeeds.
    for (auto it = std::filesystem::recursive_directory_iterator(m_Path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(m_Path, ec);
}

std::string ScopedTempDir::operator/(std::string_view relative) const
{
    return m_Path + "/" + std::string(relative);
}

void MakeDirectories(const std::string& path)
{
    std::filesystem::create_directories(path);
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    const std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace brindle::test
