// Model-library binding: loading, resolving, and unloading exactly when the last holder goes.
#include "formats/Gr2Accessor.h"

#include "platform/DynamicLibrary.h"
#include "platform/SystemFamily.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/ScopedTempDir.h"

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
        test::ExpectThrowText<std::runtime_error>(
            [&] { Gr2Accessor accessor(c.path, "/tmp/instance", &platform::LoadDynamicLibrary); }, c.message);
        EXPECT_FALSE(platform::IsDynamicLibraryLoaded(c.path));
    }
}

TEST(Gr2AccessorTest, LibraryStaysLoadedWhileAHolderLives)
{
    const std::string path = BRINDLE_TEST_GRANNY_OK;
    ASSERT_FALSE(platform::IsDynamicLibraryLoaded(path));
    std::shared_ptr<granny2::Granny2Reader> kept;
    {
        Gr2Accessor accessor(path, "/tmp/instance", &platform::LoadDynamicLibrary);
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

TEST(Gr2AccessorTest, GameLibraryMustBeAWindowsImage)
{
    // A DOS header whose new-header offset (at 0x3C) points at the PE signature.
    const auto image = [](std::uint32_t newHeader, const std::string& signature) {
        std::string bytes = "MZ" + std::string(0x3A, '\0');
        bytes += std::string{static_cast<char>(newHeader & 0xFF), static_cast<char>(newHeader >> 8 & 0xFF),
                             static_cast<char>(newHeader >> 16 & 0xFF), static_cast<char>(newHeader >> 24)};
        bytes.resize(0x80, '\0');
        return bytes + signature;
    };
    test::ScopedTempDir dir;
    struct Case {
        const char* what;
        std::string bytes;
        bool windowsImage;
    } const cases[] = {
        {"PE image", image(0x80, std::string("PE\0\0", 4)), true},
        {"wrong signature", image(0x80, std::string("PE\0\1", 4)), false},
        {"signature cut short", image(0x80, "PE"), false},
        {"offset past the end", image(0xFFFFFFF0u, std::string("PE\0\0", 4)), false},
        {"no MZ", "ZM" + image(0x80, std::string("PE\0\0", 4)).substr(2), false},
        {"header cut short", "MZ", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteFile(dir / "granny2.dll", c.bytes);
        EXPECT_EQ(platform::HasPortableExecutableSignature(dir / "granny2.dll"), c.windowsImage);
        // Not loadable here either way, and never a crash.
        EXPECT_THROW(Gr2Accessor(dir / "granny2.dll", "/tmp/instance"), std::runtime_error);
    }
    EXPECT_FALSE(platform::HasPortableExecutableSignature(dir / "missing.dll"));
#if BRINDLE_POSIX
    // A native library in the game's place is refused before the loader runs any of its code.
    const std::string native = BRINDLE_TEST_GRANNY_OK;
    EXPECT_FALSE(platform::HasPortableExecutableSignature(native));
    test::ExpectThrowText<std::runtime_error>([&] { Gr2Accessor accessor(native, "/tmp/instance"); },
                                              "Failed to load granny2.dll");
    EXPECT_FALSE(platform::IsDynamicLibraryLoaded(native));
#endif
}

} // namespace
} // namespace brindle
