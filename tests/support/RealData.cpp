// Locates the real game files used by tests.
#include "tests/support/RealData.h"

#include <cstdlib>
#include <filesystem>

#ifndef BRINDLE_REALDATA_DIR
#define BRINDLE_REALDATA_DIR ""
#endif

namespace brindle::test {

std::string RealDataDir()
{
    if (const char* env = std::getenv("BRINDLE_REALDATA"); env != nullptr && *env != '\0')
        return std::filesystem::is_directory(env) ? std::string(env) : std::string();
    const std::string builtIn = BRINDLE_REALDATA_DIR;
    return !builtIn.empty() && std::filesystem::is_directory(builtIn) ? builtIn : std::string();
}

} // namespace brindle::test
