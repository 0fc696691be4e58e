// The test program's entry. CTest starts it once per test, and each start works in a temporary
// folder of its own, removed when it ends: tests run side by side never see, share or sweep each
// other's instance folders, and nothing a test leaves in the temporary folder outlives it.
#include "tests/support/ScopedTmpdirOverride.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const brindle::test::ScopedTmpdirOverride ownTemporaryFolder;
    return RUN_ALL_TESTS();
}
