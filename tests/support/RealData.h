// Where the real game files used by tests live; tests skip with a clear message when they are absent.
#pragma once

#include <string>

namespace brindle::test {

/// The real-data folder ($BRINDLE_REALDATA, else the one beside the checkout); empty if missing.
std::string RealDataDir();

/// Other projects' broken inputs ($BRINDLE_CORPORA, else the corpora folder beside the real-data
/// folder); empty if missing.
std::string CorporaDir();

} // namespace brindle::test

/// Skips the current test when the real-data folder is missing.
#define BRINDLE_REQUIRE_REALDATA(dirVar)                                                                   \
    const std::string dirVar = ::brindle::test::RealDataDir();                                            \
    if (dirVar.empty())                                                                                    \
    GTEST_SKIP() << "real game data not found (set BRINDLE_REALDATA or place it at ../shared/realdata)"

/// Skips the current test when the corpora folder is missing.
#define BRINDLE_REQUIRE_CORPORA(dirVar)                                                                    \
    const std::string dirVar = ::brindle::test::CorporaDir();                                             \
    if (dirVar.empty())                                                                                    \
    GTEST_SKIP() << "other projects' corpora not found (set BRINDLE_CORPORA or place them at ../shared/corpora)"
