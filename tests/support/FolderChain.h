// Folders nested deeper than the system's file calls reach by a whole path, made and removed step
// by step from the working folder, for tests of folders that cannot be listed.
#pragma once

#include <filesystem>
#include <string>

namespace brindle::test {

class FolderChain {
public:
    /// Makes levels folders named name, each inside the last, below base.
    FolderChain(const std::string& base, const std::string& name, int levels);
    /// Removes them again, and is back in the working folder it started from.
    ~FolderChain();
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

private:
    std::string m_Base;
    std::string m_Name;
    int m_Levels;
    std::filesystem::path m_Start;
};

} // namespace brindle::test
