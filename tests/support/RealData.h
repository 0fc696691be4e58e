// Where the real game files used by tests live; tests skip with a clear message when they are absent.
#pragma once

#include <string>

namespace brindle::test {

/// The real-data folder ($BRINDLE_REALDATA, else the one beside the checkout); empty if missing.
std::string RealDataDir();

} // namespace brindle::test

/// Skips the current test when the real-data folder is missing.
#define BRINDLE_REQUIRE_REALDATA(dirVar)                                                                   \
    const std::string dirVar = ::brindle::test::RealDataDir();                                            \
    if (dirVar.empty())                                                                                    \
    GTEST_SKIP() << "real game data not found (set BRINDLE_REALDATA or place it at ../shared/realdata)"
