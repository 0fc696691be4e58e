// Locates the real game files used by tests.
#include "tests/support/RealData.h"

#include <cstdlib>
#include <filesystem>

#ifndef BRINDLE_REALDATA_DIR
#define BRINDLE_REALDATA_DIR ""
#endif

namespace brindle::test {

namespace {

/// The folder the variable names, else builtIn; empty when it is not a directory.
std::string FolderFrom(const char* variable, const std::string& builtIn)
{
    if (const char* env = std::getenv(variable); env != nullptr && *env != '\0')
        return std::filesystem::is_directory(env) ? std::string(env) : std::string();
    return !builtIn.empty() && std::filesystem::is_directory(builtIn) ? builtIn : std::string();
}

} // namespace

std::string RealDataDir()
{
    return FolderFrom("BRINDLE_REALDATA", BRINDLE_REALDATA_DIR);
}

std::string CorporaDir()
{
    // The shared folder beside the checkout holds both.
    const std::string realData = BRINDLE_REALDATA_DIR;
    const std::size_t slash = realData.find_last_of('/');
    return FolderFrom("BRINDLE_CORPORA", slash == std::string::npos ? std::string() : realData.substr(0, slash) + "/corpora");
}

} // namespace brindle::test
