// Deep folder chains for tests.
#include "tests/support/FolderChain.h"

namespace brindle::test {

FolderChain::FolderChain(const std::string& base, const std::string& name, int levels)
    : m_Base(base), m_Name(name), m_Levels(levels), m_Start(std::filesystem::current_path())
{
    std::filesystem::current_path(base);
    for (int level = 0; level < levels; ++level) {
        std::filesystem::create_directory(name);
        std::filesystem::current_path(name);
    }
    std::filesystem::current_path(m_Start);
}

FolderChain::~FolderChain()
{
    std::error_code error;
    std::filesystem::current_path(m_Base, error);
    for (int level = 1; level < m_Levels && !error; ++level)
        std::filesystem::current_path(m_Name, error);
    // From the innermost folder up: each step removes the folder just left.
    for (int level = 0; level < m_Levels && !error; ++level) {
        std::filesystem::remove(m_Name, error);
        std::filesystem::current_path("..", error);
    }
    std::filesystem::current_path(m_Start, error);
}

} // namespace brindle::test
