// Model-library binding: loading, resolving, and unloading exactly when the last holder goes.
#include "formats/Gr2Accessor.h"

#include "platform/DynamicLibrary.h"
#include "tests/support/ExpectThrow.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace brindle {
namespace {

TEST(Gr2AccessorTest, FailuresLeaveNothingLoaded)
{
    struct Case {
        std::string path;
        const char* message;
    } const cases[] = {
        {BRINDLE_TEST_GRANNY_OK ".missing", "Failed to load granny2.dll"},
        {BRINDLE_SOURCE_DIR "/CMakeLists.txt", "Failed to load granny2.dll"},
        {BRINDLE_TEST_GRANNY_NOEXPORT, "Failed to resolve GrannyConvertFileToRaw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        test::ExpectThrowText<std::runtime_error>([&] { Gr2Accessor accessor(c.path, "/tmp/instance"); },
                                                  c.message);
        EXPECT_FALSE(platform::IsDynamicLibraryLoaded(c.path));
    }
}

TEST(Gr2AccessorTest, LibraryStaysLoadedWhileAHolderLives)
{
    const std::string path = BRINDLE_TEST_GRANNY_OK;
    ASSERT_FALSE(platform::IsDynamicLibraryLoaded(path));
    std::shared_ptr<granny2::Granny2Reader> kept;
    {
        Gr2Accessor accessor(path, "/tmp/instance");
        EXPECT_EQ(accessor.GetInstanceDirectory(), "/tmp/instance");
        ASSERT_NE(accessor.GetReader(), nullptr);
        EXPECT_NE(accessor.GetReader()->GetConvertEntryPoint(), nullptr);
        EXPECT_TRUE(platform::IsDynamicLibraryLoaded(path));
        kept = accessor.GetReader();
    }
    EXPECT_TRUE(platform::IsDynamicLibraryLoaded(path));
    kept.reset();
    EXPECT_FALSE(platform::IsDynamicLibraryLoaded(path));
}

} // namespace
} // namespace brindle
